// LoadLibraryA's search and the two kinds of module it finds.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>

#include "platform/testing/temp_machine.h"
#include "platform/win/last_error.h"
#include "platform/win/machine.h"
#include "platform/win/modules.h"

namespace {

using namespace win;

int answer42() { return 42; }
int answer7() { return 7; }

FARPROC proc(int (*f)()) { return reinterpret_cast<FARPROC>(f); }

TEST(Modules, ProvidedModulesFollowTheSearchOrder) {
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs("98");
  spec.programs.push_back(ProgramEntry{"Pendrel", "C:\\Program Files\\Pendrel\\Pendrel.exe", ""});
  kltest::TempMachine machine(spec);
  SetProgramIdentity("Pendrel");
  ProvideModule("C:\\WINDOWS\\SYSTEM\\KlTest.dll", ProvidedModule{{{"GetASPI32DLLVersion", proc(&answer7)}}});
  HMODULE system = LoadLibraryA("KLTEST");  // ".DLL" is added
  ASSERT_NE(system, nullptr);
  auto version = reinterpret_cast<int (*)()>(GetProcAddress(system, "GetASPI32DLLVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version(), 7);
  EXPECT_EQ(GetProcAddress(system, "SendASPI32Command"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  // (Test modules under names nobody else uses: what a process provides stays.)
  // The program folder comes before the system folder.
  ProvideModule("C:\\Program Files\\Pendrel\\KLTEST.DLL", ProvidedModule{{{"GetASPI32DLLVersion", proc(&answer42)}}});
  HMODULE own = LoadLibraryA("kltest.dll");
  ASSERT_NE(own, nullptr);
  EXPECT_NE(own, system);
  EXPECT_EQ(reinterpret_cast<int (*)()>(GetProcAddress(own, "GetASPI32DLLVersion"))(), 42);
  // A full path is taken as it stands.
  EXPECT_EQ(LoadLibraryA("C:\\WINDOWS\\SYSTEM\\KlTest.dll"), system);
  EXPECT_TRUE(FreeLibrary(system));
  EXPECT_TRUE(FreeLibrary(system));
  EXPECT_FALSE(FreeLibrary(system));  // the last reference is gone
  EXPECT_TRUE(FreeLibrary(own));
  EXPECT_EQ(LoadLibraryA("nothere.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  SetProgramIdentity("");
}

TEST(Modules, FilesNameASharedObjectOfTheHost) {
  kltest::TempMachine machine;
  Dl_info info{};
  ASSERT_NE(::dladdr(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::cos)), &info), 0);
  ASSERT_NE(info.dli_fname, nullptr);
  machine.writeFile("C:\\Kit\\MATH.DLL", std::string("KL570-MODULE ") + info.dli_fname + "\r\n");
  machine.writeFile("C:\\Kit\\BROKEN.DLL", "MZ not a module of this machine");
  HMODULE math = LoadLibraryA("C:\\Kit\\MATH.DLL");
  ASSERT_NE(math, nullptr);
  auto cosine = reinterpret_cast<double (*)(double)>(GetProcAddress(math, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_TRUE(FreeLibrary(math));
  EXPECT_EQ(LoadLibraryA("C:\\Kit\\BROKEN.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(0x1234), "cos"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
