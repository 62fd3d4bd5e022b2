// The transport of Windows 95, 98, ME (and NT 4): ASPI for Win32 through
// the SCSI layer SCALINK.DLL, loaded at run time, and the vwin32 DOS IOCTL
// interface for locking and geometry.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/devices/system_aspi_srb.h"
#include "platform/win/modules.h"
#include "updater/device/kv_scsi.h"

namespace pendrel {

class CKvScsi_9x : public CKvScsi {
 public:
  static constexpr std::uint8_t kNoAdapter = 255;
  static constexpr std::uint8_t kSenseLength = 14;

  // Loads the SCSI layer; the last error is then 0, -19, -20 or -21.
  explicit CKvScsi_9x(CKvUpdater* owner);
  ~CKvScsi_9x() override;

  std::int32_t Open() override;
  std::int32_t Lock(std::int32_t physical) override;
  std::int32_t LockForFormat(std::int32_t physical) override;
  std::int32_t EndFormatAccess(std::int32_t physical) override;
  std::int32_t Unlock(std::int32_t physical) override;
  std::int32_t Close() override;
  std::int32_t Dismount() override;
  std::int32_t GetGeometry(KvDriveGeometry& geometry) override;
  std::int32_t FindDevice() override;
  std::int32_t SendCdb(CKvByteArray& cdb, std::uint32_t cdbLength, std::int32_t dataOut,
                       CKvByteArray& response) override;

  std::uint8_t GetAdapter() const { return m_adapter; }

 private:
  // One DOS IOCTL (interrupt 21h, function 440Dh) through vwin32; true when
  // the call went through with the carry flag clear.
  static bool dosIoctl(win::HANDLE vwin32, win::DWORD ecx, win::DWORD drive, win::DWORD edx);
  static bool dosIoctlWithBlock(win::HANDLE vwin32, win::DWORD ecx, win::DWORD drive, std::vector<std::uint8_t>& block);
  // Drive map info of a drive in category 0x48, else 0x08; false when neither answers.
  static bool driveMapInfo(win::HANDLE vwin32, wchar_t letter, std::uint8_t& flags, std::uint8_t& int13Unit);
  static win::HANDLE openVwin32();
  std::int32_t dosLock(std::int32_t physical, win::DWORD permissions);
  // The letter whose drive map names the BIOS unit, 0 when none does.
  wchar_t letterOfBiosUnit(std::uint8_t unit);
  // The letter the registry's SCSI enumeration gives the player.
  std::int32_t letterFromRegistry(std::uint8_t revision);

  std::uint8_t m_adapter = kNoAdapter;
  win::HMODULE m_module = nullptr;
  win::GetASPI32SupportInfoProc m_getSupportInfo = nullptr;
  win::SendASPI32CommandProc m_sendCommand = nullptr;
};

}  // namespace pendrel
