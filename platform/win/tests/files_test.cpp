#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "platform/testing/temp_machine.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "platform/win/volumes.h"

namespace {

using namespace win;

bool writeWhole(const char* path, const std::string& bytes, DWORD disposition = CREATE_ALWAYS, DWORD attrs = 0) {
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, attrs, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
  CloseHandle(h);
  return ok;
}

TEST(Files, CreateReadSeekAndSize) {
  kltest::TempMachine machine;
  ASSERT_TRUE(writeWhole("C:\\a.bin", "0123456789"));
  HANDLE h = CreateFileA("c:\\A.BIN", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(h, nullptr), 10u);
  EXPECT_EQ(SetFilePointer(h, -3, nullptr, FILE_END), 7u);
  char buf[8] = {};
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(h, buf, 8, &got, nullptr));
  EXPECT_EQ(got, 3u);
  EXPECT_STREQ(buf, "789");
  // A second writer is refused while the first shares only reading.
  EXPECT_EQ(CreateFileA("C:\\a.bin", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Files, DispositionsAndErrors) {
  kltest::TempMachine machine;
  EXPECT_EQ(CreateFileA("C:\\missing", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(CreateFileA("C:\\no\\such\\f", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(writeWhole("C:\\f", "x", CREATE_NEW));
  EXPECT_FALSE(writeWhole("C:\\f", "x", CREATE_NEW));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  std::string folder = "C:\\" + std::string(200, 'd');
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  std::string longName = folder + "\\" + std::string(56, 'n');  // 260 characters
  EXPECT_FALSE(writeWhole(longName.c_str(), "x"));
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_TRUE(writeWhole(longName.substr(0, 259).c_str(), "x"));
}

TEST(Files, AttributesPersistAndGuardTheFile) {
  kltest::TempMachine machine;
  ASSERT_TRUE(writeWhole("C:\\plain", "x"));
  EXPECT_EQ(GetFileAttributesA("C:\\plain"), FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(SetFileAttributesA("C:\\plain", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(GetFileAttributesA("C:\\PLAIN"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  // Overwriting a hidden or system file asks for the same attributes.
  EXPECT_FALSE(writeWhole("C:\\plain", "y"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(writeWhole("C:\\plain", "y", CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(SetFileAttributesA("C:\\plain", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesA("C:\\plain"), FILE_ATTRIBUTE_NORMAL);

  ASSERT_TRUE(SetFileAttributesA("C:\\plain", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(DeleteFileA("C:\\plain"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(writeWhole("C:\\plain", "z", OPEN_EXISTING));
  ASSERT_TRUE(SetFileAttributesA("C:\\plain", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileA("C:\\plain"));
  EXPECT_EQ(GetFileAttributesA("C:\\plain"), INVALID_FILE_ATTRIBUTES);

  ASSERT_TRUE(CreateDirectoryA("C:\\Folder", nullptr));
  EXPECT_EQ(GetFileAttributesA("C:\\Folder"), FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_TRUE(SetFileAttributesA("C:\\Folder", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(GetFileAttributesA("C:\\Folder"),
            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_FALSE(CreateDirectoryA("C:\\folder", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

TEST(Files, CopyMoveAndRemove) {
  kltest::TempMachine machine;
  ASSERT_TRUE(writeWhole("C:\\src.mp3", "music", CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(CopyFileA("C:\\src.mp3", "C:\\dst.mp3", TRUE));
  EXPECT_EQ(machine.readFile("C:\\dst.mp3"), "music");
  EXPECT_EQ(GetFileAttributesA("C:\\dst.mp3"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_FALSE(CopyFileA("C:\\src.mp3", "C:\\dst.mp3", TRUE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_FALSE(CopyFileA("C:\\gone.mp3", "C:\\x.mp3", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  EXPECT_FALSE(MoveFileA("C:\\src.mp3", "C:\\dst.mp3"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(writeWhole("C:\\new.mp3", "fresh"));
  ASSERT_TRUE(MoveFileExA("C:\\new.mp3", "C:\\dst.mp3", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(machine.readFile("C:\\dst.mp3"), "fresh");
  EXPECT_FALSE(machine.exists("C:\\new.mp3"));

  ASSERT_TRUE(CreateDirectoryA("C:\\d", nullptr));
  ASSERT_TRUE(writeWhole("C:\\d\\f", "x"));
  EXPECT_FALSE(RemoveDirectoryA("C:\\d"));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
  ASSERT_TRUE(DeleteFileA("C:\\d\\f"));
  EXPECT_TRUE(RemoveDirectoryA("C:\\d"));
}

TEST(FindFiles, ListsDotsFirstOutsideTheRootAndMatchesPatterns) {
  kltest::TempMachine machine;
  ASSERT_TRUE(CreateDirectoryA("C:\\Music", nullptr));
  for (const char* name : {"C:\\Music\\a.MP3", "C:\\Music\\b.mp3", "C:\\Music\\c.wav", "C:\\Music\\noext"})
    ASSERT_TRUE(writeWhole(name, "x"));
  auto list = [](const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(pattern, &d);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(d.cFileName);
    while (FindNextFileA(h, &d));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    FindClose(h);
    return names;
  };
  std::vector<std::string> all = list("C:\\Music\\*.*");
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[0], ".");
  EXPECT_EQ(all[1], "..");
  EXPECT_EQ(std::set<std::string>(all.begin() + 2, all.end()),
            (std::set<std::string>{"a.MP3", "b.mp3", "c.wav", "noext"}));
  std::vector<std::string> mp3 = list("C:\\music\\*.mp3");
  EXPECT_EQ(std::set<std::string>(mp3.begin(), mp3.end()), (std::set<std::string>{"a.MP3", "b.mp3"}));
  EXPECT_EQ(list("C:\\Music\\?.wav"), std::vector<std::string>{"c.wav"});
  std::vector<std::string> root = list("C:\\*.*");
  EXPECT_EQ(root, std::vector<std::string>{"Music"});
  EXPECT_TRUE(list("C:\\Music\\*.ogg").empty());
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(Volumes, SimulatedCapacityBoundsFreeSpaceAndWrites) {
  sim::MachineSpec spec;
  spec.drives.push_back(sim::DriveSpec{'E', DRIVE_REMOVABLE, 64 * 4096, ""});
  kltest::TempMachine machine(spec);
  EXPECT_EQ(GetLogicalDrives(), (1u << 2) | (1u << 4));
  EXPECT_EQ(GetDriveTypeA("E:\\"), DRIVE_REMOVABLE);
  EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
  EXPECT_EQ(GetDriveTypeA("F:\\"), DRIVE_NO_ROOT_DIR);
  DWORD spc, bps, freeClusters, total;
  ASSERT_TRUE(GetDiskFreeSpaceA("E:\\", &spc, &bps, &freeClusters, &total));
  EXPECT_EQ(spc * bps, 4096u);
  EXPECT_EQ(total, 64u);
  EXPECT_EQ(freeClusters, 64u);
  ASSERT_TRUE(writeWhole("E:\\one", std::string(4097, 'x')));  // two clusters
  ASSERT_TRUE(GetDiskFreeSpaceA("E:\\", &spc, &bps, &freeClusters, &total));
  EXPECT_EQ(freeClusters, 62u);
  EXPECT_FALSE(writeWhole("E:\\big", std::string(63 * 4096, 'x')));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  ASSERT_TRUE(writeWhole("E:\\big", std::string(62 * 4096, 'x')));
  EXPECT_FALSE(CopyFileA("E:\\one", "E:\\more", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_FALSE(GetDiskFreeSpaceA("F:\\", &spc, &bps, &freeClusters, &total));
}

}  // namespace
