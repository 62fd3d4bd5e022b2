// Threads, events, mutexes and waits; a named mutex seen from a second
// process of the machine (this test binary started again).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/testing/temp_machine.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"

extern char** environ;

namespace {

using namespace win;

constexpr DWORD ERROR_NOT_OWNER = 288;
const char kMutexName[] = "KL570 single instance";

sim::MachineSpec scaled() {
  sim::MachineSpec spec;
  spec.settings.timeScale = 0.02;
  return spec;
}

DWORD waitForEvent(LPVOID event) { return WaitForSingleObject(static_cast<HANDLE>(event), INFINITE) == 0 ? 42 : 1; }

TEST(Threads, HandleIsSignalledWhenTheThreadEnds) {
  kltest::TempMachine machine(scaled());
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 4096, &waitForEvent, go, 0, &id);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(t, 100), WAIT_TIMEOUT);
  EXPECT_TRUE(SetThreadPriority(t, THREAD_PRIORITY_TIME_CRITICAL));
  EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_TIME_CRITICAL);
  EXPECT_FALSE(SetThreadPriority(t, 7));
  SetEvent(go);
  EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);  // stays signalled
  CloseHandle(t);
  CloseHandle(go);
  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_BELOW_NORMAL);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
}

TEST(Events, AutoResetWakesOneManualResetStays) {
  kltest::TempMachine machine(scaled());
  HANDLE autoReset = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_TIMEOUT);
  HANDLE manual = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  ResetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 1000), WAIT_TIMEOUT);  // 20 ms on this machine
  // A named event is one object.
  HANDLE a = CreateEventA(nullptr, TRUE, FALSE, "KL570 event");
  HANDLE b = CreateEventA(nullptr, TRUE, FALSE, "KL570 event");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  SetEvent(a);
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);
  for (HANDLE h : {autoReset, manual, a, b}) CloseHandle(h);
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Waits, AnyAndAll) {
  kltest::TempMachine machine(scaled());
  HANDLE first = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE second = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  HANDLE both[] = {first, second};
  // Waiting for all takes nothing while one is missing.
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_TIMEOUT);
  SetEvent(first);
  SetEvent(second);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForMultipleObjects(0, both, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  CloseHandle(first);
  CloseHandle(second);
}

TEST(Mutexes, OwnershipCountsAndBelongsToAThread) {
  kltest::TempMachine machine(scaled());
  HANDLE m = CreateMutexA(nullptr, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // again, by its owner
  // Another thread can neither take nor release it.
  struct Probe {
    HANDLE mutex;
    DWORD wait = 0, release = 0;
  } probe{m};
  HANDLE prober = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        auto* pr = static_cast<Probe*>(p);
        pr->wait = WaitForSingleObject(pr->mutex, 0);
        pr->release = ReleaseMutex(pr->mutex) ? 0 : GetLastError();
        return 0;
      },
      &probe, 0, nullptr);
  WaitForSingleObject(prober, INFINITE);
  CloseHandle(prober);
  EXPECT_EQ(probe.wait, WAIT_TIMEOUT);
  EXPECT_EQ(probe.release, ERROR_NOT_OWNER);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_FALSE(ReleaseMutex(m));
  CloseHandle(m);
}

// The second process: run by the test below with KL570_MUTEX_ROLE set.
TEST(NamedMutexChild, Role) {
  const char* role = std::getenv("KL570_MUTEX_ROLE");
  if (!role) GTEST_SKIP() << "run by NamedMutex.SeenByAnotherProcess";
  if (std::string(role) == "exists") {
    HANDLE m = CreateMutexA(nullptr, TRUE, kMutexName);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_TIMEOUT);
  } else {
    HANDLE m = OpenMutexA(0, FALSE, kMutexName);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(WaitForSingleObject(m, INFINITE), WAIT_OBJECT_0);
    std::_Exit(0);  // ends owning it
  }
}

int runChild(const std::string& machine, const char* role) {
  std::string filter = "--gtest_filter=NamedMutexChild.Role";
  std::string self = "/proc/self/exe";
  char* argv[] = {self.data(), filter.data(), nullptr};
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.push_back("KL570_MACHINE=" + machine);
  env.push_back(std::string("KL570_MUTEX_ROLE=") + role);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, self.c_str(), &quiet, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&quiet);
  if (rc != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(NamedMutex, SeenByAnotherProcess) {
  kltest::TempMachine machine(scaled());
  HANDLE m = CreateMutexA(nullptr, TRUE, kMutexName);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(runChild(machine.folder(), "exists"), 0);
  ASSERT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(runChild(machine.folder(), "abandon"), 0);
  EXPECT_EQ(WaitForSingleObject(m, INFINITE), WAIT_ABANDONED);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // released properly this time
  EXPECT_TRUE(ReleaseMutex(m));
  CloseHandle(m);
  EXPECT_EQ(OpenMutexA(0, FALSE, kMutexName), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
