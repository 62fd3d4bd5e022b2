// Mutexes. A named mutex exists once per machine: each process that has it
// open holds a shared lock on "<name>.open" in the machine's runtime folder
// (so a creator can tell that it exists elsewhere), and its owner holds an
// exclusive lock on "<name>.lock", whose first byte says "1" while owned.
// A process that ends while owning leaves the "1" behind: the next owner
// learns that the mutex was abandoned.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/win/last_error.h"
#include "platform/win/machine.h"
#include "platform/win/sync.h"
#include "platform/win/waitable.h"

namespace win {
namespace {

constexpr DWORD ERROR_NOT_OWNER = 288;

// The owner mark: '1' while a thread owns the mutex.
void writeMark(int fd, char mark) {
  if (::pwrite(fd, &mark, 1, 0) != 1) {
    // A mark that cannot be written only loses the abandoned report.
  }
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// The machine-wide side of a named mutex.
struct MachineMutexFiles {
  std::string base;  // host path without the suffix
  std::unique_ptr<FileDescriptor> open;
  std::unique_ptr<FileDescriptor> lock;
};

class MutexObject : public Waitable {
 public:
  explicit MutexObject(std::unique_ptr<MachineMutexFiles> files) : files_(std::move(files)) {}
  ~MutexObject() override {
    // The last handle went while a thread still owned it: another process
    // will see it abandoned.
    if (files_ && holdsFile_) ::flock(files_->lock->get(), LOCK_UN);
  }

  Acquired tryAcquire(DWORD threadId) override {
    if (owner_ == threadId && count_ > 0) {
      ++count_;
      return Acquired::Yes;
    }
    if (count_ > 0) return Acquired::No;
    bool abandoned = false;
    if (files_) {
      int fd = files_->lock->get();
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return Acquired::No;
      char mark = 0;
      abandoned = ::pread(fd, &mark, 1, 0) == 1 && mark == '1';
      writeMark(fd, '1');
      holdsFile_ = true;
    }
    owner_ = threadId;
    count_ = 1;
    return abandoned ? Acquired::Abandoned : Acquired::Yes;
  }

  void giveBack(DWORD) override {
    if (--count_ == 0) releaseFile();
  }

  bool polled() const override { return files_ != nullptr; }

  // With WaitLock() held.
  bool release(DWORD threadId) {
    if (count_ == 0 || owner_ != threadId) return false;
    if (--count_ == 0) releaseFile();
    return true;
  }

 private:
  void releaseFile() {
    owner_ = 0;
    if (!files_ || !holdsFile_) return;
    writeMark(files_->lock->get(), '0');
    ::flock(files_->lock->get(), LOCK_UN);
    holdsFile_ = false;
  }

  std::unique_ptr<MachineMutexFiles> files_;
  DWORD owner_ = 0;  // under WaitLock()
  unsigned count_ = 0;
  bool holdsFile_ = false;
};

std::mutex& namesMutex() {
  static std::mutex& m = *new std::mutex;
  return m;
}
// Named mutexes this process has open, by runtime folder and name.
std::map<std::string, std::weak_ptr<MutexObject>>& namedMutexes() {
  static std::map<std::string, std::weak_ptr<MutexObject>> m;
  return m;
}

std::string fileBase(const std::string& runtime, const std::string& name) {
  std::string hex;
  for (unsigned char c : name) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02x", c);
    hex += buf;
  }
  return runtime + "/mutexes/" + hex;
}

int openFile(const std::string& path) { return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666); }

// Opens the machine-wide files; `existed` tells whether another process
// had the mutex open. Null when `mustExist` and it did not, or on failure.
std::unique_ptr<MachineMutexFiles> openMachineMutex(const std::string& base, bool mustExist, bool& existed) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(base).parent_path(), ec);
  FileDescriptor guard(openFile(base + ".guard"));
  if (guard.get() < 0 || ::flock(guard.get(), LOCK_EX) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  auto files = std::make_unique<MachineMutexFiles>();
  files->base = base;
  files->open = std::make_unique<FileDescriptor>(openFile(base + ".open"));
  files->lock = std::make_unique<FileDescriptor>(openFile(base + ".lock"));
  if (files->open->get() < 0 || files->lock->get() < 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  // Under the guard nobody else is testing: an exclusive lock that cannot
  // be had means another process holds the mutex open.
  existed = ::flock(files->open->get(), LOCK_EX | LOCK_NB) != 0;
  if (!existed && mustExist) {
    ::flock(files->open->get(), LOCK_UN);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  if (!existed) {
    // A new mutex has no owner, whatever an ended process left behind.
    writeMark(files->lock->get(), '0');
  }
  ::flock(files->open->get(), LOCK_SH);
  return files;
}

HANDLE openNamed(LPCSTR lpName, bool create, bool initialOwner) {
  std::string runtime = CurrentMachine().runtimeFolder();
  std::string key = runtime + '\n' + lpName;
  std::lock_guard lock(namesMutex());
  auto& slot = namedMutexes()[key];
  if (auto existing = slot.lock()) {
    SetLastError(create ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return RegisterHandle(existing);
  }
  bool existed = false;
  auto files = openMachineMutex(fileBase(runtime, lpName), !create, existed);
  if (!files) {
    namedMutexes().erase(key);
    return nullptr;
  }
  auto mutex = std::make_shared<MutexObject>(std::move(files));
  slot = mutex;
  if (create && initialOwner && !existed) {
    std::lock_guard wait(WaitLock());
    mutex->tryAcquire(GetCurrentThreadId());
  }
  SetLastError(create && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return RegisterHandle(mutex);
}

}  // namespace

HANDLE CreateMutexA(void*, BOOL bInitialOwner, LPCSTR lpName) {
  if (lpName && *lpName) return openNamed(lpName, true, bInitialOwner);
  auto mutex = std::make_shared<MutexObject>(nullptr);
  if (bInitialOwner) {
    std::lock_guard wait(WaitLock());
    mutex->tryAcquire(GetCurrentThreadId());
  }
  SetLastError(ERROR_SUCCESS);
  return RegisterHandle(mutex);
}

HANDLE OpenMutexA(DWORD, BOOL, LPCSTR lpName) {
  if (!lpName || !*lpName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return openNamed(lpName, false, false);
}

BOOL ReleaseMutex(HANDLE hMutex) {
  auto m = HandleAs<MutexObject>(hMutex);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  bool released;
  {
    std::lock_guard lock(WaitLock());
    released = m->release(GetCurrentThreadId());
  }
  if (!released) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  WaitCondition().notify_all();
  return TRUE;
}

}  // namespace win
