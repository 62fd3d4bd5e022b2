// Finding the player on Windows 2000 and XP: the removable drive letter
// whose volume answers INQUIRY as the player with a usable medium, and for
// the formatter the physical drive behind it.
#include <cstdio>

#include "platform/win/volumes.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_scsi_nt.h"
#include "updater/device/kv_standard_commands.h"

namespace pendrel {

constexpr int kPhysicalDrives = 100;

bool CKvScsi_Nt::answersAsPlayer(CKvScsiInquiry& inquiry) {
  return SendCommand(inquiry) == kKvOk && inquiry.Decode() == kKvOk && IsPlayer(inquiry.InquiryData());
}

std::int32_t CKvScsi_Nt::FindDevice() {
  CKvScsiInquiry inquiry;
  if (inquiry.GetLastError() != kKvOk) return inquiry.GetLastError();
  m_driveLetter = 0;
  win::DWORD drives = win::GetLogicalDrives();
  // A: is never probed: a floppy drive would only grind.
  for (int i = 1; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    char letter = static_cast<char>('A' + i);
    char root[] = {letter, ':', '\\', 0};
    if (win::GetDriveTypeA(root) != win::DRIVE_REMOVABLE) continue;
    CloseHandleIfOpen();
    char name[8];
    std::snprintf(name, sizeof name, "\\\\.\\%c:", letter);
    if (!openDevice(name)) continue;
    if (answersAsPlayer(inquiry) && MediumUsable()) {
      m_driveLetter = static_cast<wchar_t>(letter);
      CloseHandleIfOpen();
      return kKvOk;
    }
    CloseHandleIfOpen();
  }
  return kKvPlayerNotFound;
}

std::int32_t CKvScsi_Nt::FindPhysicalDrive() {
  CKvScsiInquiry inquiry;
  if (inquiry.GetLastError() != kKvOk) return inquiry.GetLastError();
  CloseHandleIfOpen();
  for (int n = 0; n < kPhysicalDrives; ++n) {
    char name[24];
    std::snprintf(name, sizeof name, "\\\\.\\PhysicalDrive%d", n);
    if (!openDevice(name)) continue;
    if (answersAsPlayer(inquiry)) return kKvOk;
    CloseHandleIfOpen();
  }
  return kKvPlayerNotFound;
}

}  // namespace pendrel
