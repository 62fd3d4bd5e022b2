// SCALINK.DLL as the programs get it: a file on the machine naming the
// shared object, loaded with LoadLibraryA, its exports found by name. The
// layer initialises once per process, so each test runs in a process of
// its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "aspi/aspi_srb.h"
#include "aspi/tests/support/srb_helpers.h"
#include "aspi/tests/support/test_machines.h"
#include "platform/devices/player_setup.h"
#include "platform/win/files.h"
#include "platform/win/modules.h"
#include "platform/win/sync.h"

namespace scalinktest {
namespace {

using OpenDriverProc = win::HANDLE (*)();
using ByLetterProc = win::HANDLE (*)(win::BYTE);
using ControlProc = win::BOOL (*)(win::HANDLE, win::DWORD, void*, win::DWORD, void*, win::DWORD, win::DWORD*, void*);

int failures = 0;
void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "failed: %s\n", what);
  ++failures;
}
#define CHECK(x) check((x), #x)

struct Loaded {
  win::HMODULE module = nullptr;
  win::GetASPI32SupportInfoProc supportInfo = nullptr;
  win::SendASPI32CommandProc send = nullptr;
  win::GetASPI32DLLVersionProc version = nullptr;
};

Loaded loadScalink(const std::string& windowsPath) {
  win::HANDLE file = win::CreateFileA(windowsPath.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS, 0, nullptr);
  std::string line = std::string("KL570-MODULE ") + SCALINK_SO + "\r\n";
  win::DWORD written = 0;
  win::WriteFile(file, line.data(), static_cast<win::DWORD>(line.size()), &written, nullptr);
  win::CloseHandle(file);
  Loaded l;
  l.module = win::LoadLibraryA(windowsPath.c_str());
  if (!l.module) return l;
  l.supportInfo = reinterpret_cast<win::GetASPI32SupportInfoProc>(win::GetProcAddress(l.module, "GetASPI32SupportInfo"));
  l.send = reinterpret_cast<win::SendASPI32CommandProc>(win::GetProcAddress(l.module, "SendASPI32Command"));
  l.version = reinterpret_cast<win::GetASPI32DLLVersionProc>(win::GetProcAddress(l.module, "GetASPI32DLLVersion"));
  return l;
}

bool playerInquiry(const Loaded& l, win::BYTE adapter) {
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36, adapter);
  l.send(&exec.srb);
  return exec.waitDone() && exec.srb.SRB_Status == win::SS_COMP &&
         std::memcmp(&exec.buffer[8], "ORNEX   KL570", 13) == 0;
}

void runOnXp() {
  NtTestMachine machine;
  machine.addPlayer();
  Loaded l = loadScalink("C:\\SCALINK.DLL");
  CHECK(l.module && l.supportInfo && l.send && l.version);
  if (failures) return;
  for (const char* name : {"PyxaCdNTOpenDriver", "PyxaCdNTGetDriveHandleByDriveLetter", "PyxaCdNTGetDriveHandleByDriveNo",
                           "PyxaCdNTGetDriveHandleBySCSIAddr", "PyxaCdNTControl"})
    check(win::GetProcAddress(l.module, name) != nullptr, name);
  CHECK(l.version() == 0xAF010002u);
  CHECK(l.supportInfo() == 0x0101u);
  CHECK(playerInquiry(l, 1));
  auto openDriver = reinterpret_cast<OpenDriverProc>(win::GetProcAddress(l.module, "PyxaCdNTOpenDriver"));
  auto byLetter = reinterpret_cast<ByLetterProc>(win::GetProcAddress(l.module, "PyxaCdNTGetDriveHandleByDriveLetter"));
  auto control = reinterpret_cast<ControlProc>(win::GetProcAddress(l.module, "PyxaCdNTControl"));
  CHECK(openDriver && openDriver() == win::INVALID_HANDLE_VALUE);
  CHECK(byLetter && byLetter('e') != win::INVALID_HANDLE_VALUE && byLetter('e') == byLetter('E'));
  CHECK(byLetter && byLetter('[') == win::INVALID_HANDLE_VALUE);
  win::DWORD mask = 0, returned = 0;
  CHECK(control && control(nullptr, 0x26010, nullptr, 0, &mask, 4, &returned, nullptr) && mask == 1u << 4);
  // Freed and loaded again, the layer is still the one it was.
  win::FreeLibrary(l.module);
  Loaded again = loadScalink("C:\\SCALINK.DLL");
  CHECK(again.supportInfo && again.supportInfo() == 0x0101u);
  CHECK(again.send && playerInquiry(again, 1));
}

void runOn98(bool systemMode) {
  Win9xTestMachine machine;
  if (systemMode) machine.setSetting("UseSystemASPI", 1);
  devices::PlayerOptions options;
  options.size = devices::kMinPlayerBytes;
  CHECK(devices::AddVirtualPlayer(options).has_value());
  win::CreateDirectoryA("C:\\Program Files", nullptr);
  win::CreateDirectoryA("C:\\Program Files\\Pendrel", nullptr);
  Loaded l = loadScalink("C:\\Program Files\\Pendrel\\SCALINK.DLL");
  CHECK(l.module && l.supportInfo && l.send && l.version);
  if (failures) return;
  CHECK(l.supportInfo() == 0x0101u);
  CHECK(systemMode ? l.version() != 0xAF010002u : l.version() == 0xAF010002u);
  CHECK(playerInquiry(l, 0));
  CHECK(machine.interaction->asked().empty());
}

class ScalinkLoadingTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ScalinkLoadingTest, OnXpThroughPassThrough) {
  EXPECT_EXIT(
      {
        runOnXp();
        std::_Exit(failures);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ScalinkLoadingTest, On98ThroughTheOwnDriver) {
  EXPECT_EXIT(
      {
        runOn98(false);
        std::_Exit(failures);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ScalinkLoadingTest, On98ThroughTheSystemManager) {
  EXPECT_EXIT(
      {
        runOn98(true);
        std::_Exit(failures);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace scalinktest
