// Drive letters and volume sizes.
#pragma once

#include "platform/win/types.h"

namespace win {

DWORD GetLogicalDrives();
UINT GetDriveTypeA(LPCSTR lpRootPathName);
BOOL GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster, LPDWORD lpBytesPerSector,
                       LPDWORD lpNumberOfFreeClusters, LPDWORD lpTotalNumberOfClusters);
BOOL GetDiskFreeSpaceExA(LPCSTR lpDirectoryName, ULONGLONG* lpFreeBytesAvailableToCaller,
                         ULONGLONG* lpTotalNumberOfBytes, ULONGLONG* lpTotalNumberOfFreeBytes);

}  // namespace win
