#include "platform/win/volumes.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <string>

#include "platform/win/last_error.h"
#include "platform/win/machine.h"
#include "platform/win/volume_usage.h"

namespace win {
namespace {

// The drive a root path ("C:\", "C:", "c:\folder\") names.
const DriveMapping* driveOfRoot(LPCSTR root, std::vector<DriveMapping>& drives) {
  drives = CurrentMachine().drives();
  if (!root || !root[0] || root[1] != ':') return nullptr;
  char letter = root[0] >= 'a' && root[0] <= 'z' ? static_cast<char>(root[0] - 32) : root[0];
  for (const DriveMapping& m : drives)
    if (m.letter == letter) return &m;
  return nullptr;
}

struct Space {
  std::uint64_t total = 0;
  std::uint64_t free = 0;
  std::uint32_t bytesPerSector = 512;
  std::uint32_t sectorsPerCluster = 8;
};

bool spaceOf(const DriveMapping& m, Space& s) {
  struct statvfs vfs {};
  if (::statvfs(m.hostFolder.c_str(), &vfs) != 0) {
    SetLastError(ERROR_NOT_READY);
    return false;
  }
  std::uint64_t hostFree = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  if (m.capacity) {
    s.bytesPerSector = kSimulatedBytesPerSector;
    s.sectorsPerCluster = kSimulatedSectorsPerCluster;
    s.total = *m.capacity;
    s.free = std::min(SimulatedFreeBytes(m), hostFree);
  } else {
    s.bytesPerSector = 512;
    std::uint64_t cluster = std::max<std::uint64_t>(vfs.f_frsize, 512);
    s.sectorsPerCluster = static_cast<std::uint32_t>(cluster / 512);
    s.total = static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    s.free = hostFree;
  }
  return true;
}

}  // namespace

DWORD GetLogicalDrives() {
  DWORD mask = 0;
  for (const DriveMapping& m : CurrentMachine().drives()) mask |= 1u << (m.letter - 'A');
  return mask;
}

UINT GetDriveTypeA(LPCSTR lpRootPathName) {
  std::vector<DriveMapping> drives;
  const DriveMapping* m = driveOfRoot(lpRootPathName, drives);
  return m ? m->type : DRIVE_NO_ROOT_DIR;
}

BOOL GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster, LPDWORD lpBytesPerSector,
                       LPDWORD lpNumberOfFreeClusters, LPDWORD lpTotalNumberOfClusters) {
  std::vector<DriveMapping> drives;
  const DriveMapping* m = driveOfRoot(lpRootPathName, drives);
  if (!m) {
    SetLastError(ERROR_INVALID_DRIVE);
    return FALSE;
  }
  Space s;
  if (!spaceOf(*m, s)) return FALSE;
  std::uint64_t cluster = static_cast<std::uint64_t>(s.bytesPerSector) * s.sectorsPerCluster;
  auto clusters = [&](std::uint64_t bytes) {
    return static_cast<DWORD>(std::min<std::uint64_t>(bytes / cluster, 0xFFFFFFFFu));
  };
  if (lpSectorsPerCluster) *lpSectorsPerCluster = s.sectorsPerCluster;
  if (lpBytesPerSector) *lpBytesPerSector = s.bytesPerSector;
  if (lpNumberOfFreeClusters) *lpNumberOfFreeClusters = clusters(s.free);
  if (lpTotalNumberOfClusters) *lpTotalNumberOfClusters = clusters(s.total);
  return TRUE;
}

BOOL GetDiskFreeSpaceExA(LPCSTR lpDirectoryName, ULONGLONG* lpFreeBytesAvailableToCaller,
                         ULONGLONG* lpTotalNumberOfBytes, ULONGLONG* lpTotalNumberOfFreeBytes) {
  std::vector<DriveMapping> drives;
  const DriveMapping* m = driveOfRoot(lpDirectoryName, drives);
  if (!m) {
    SetLastError(ERROR_INVALID_DRIVE);
    return FALSE;
  }
  Space s;
  if (!spaceOf(*m, s)) return FALSE;
  if (lpFreeBytesAvailableToCaller) *lpFreeBytesAvailableToCaller = s.free;
  if (lpTotalNumberOfBytes) *lpTotalNumberOfBytes = s.total;
  if (lpTotalNumberOfFreeBytes) *lpTotalNumberOfFreeBytes = s.free;
  return TRUE;
}

}  // namespace win
