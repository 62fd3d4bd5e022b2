// The transport to the player: carries a command's CDB and payload to it
// and brings back the answer and the sense data; opens, locks, unlocks and
// dismounts the drive; reads and writes sectors; reads the geometry and the
// partition table. One implementation per Windows family.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win/ioctl.h"
#include "platform/win/types.h"
#include "updater/device/kv_base.h"
#include "updater/device/kv_byte_array.h"

namespace pendrel {

class CKvUpdater;
class CKvScsiCommand;

using KvDriveGeometry = win::DISK_GEOMETRY;
static_assert(sizeof(KvDriveGeometry) == 24);

class CKvScsi : public CKvBase {
 public:
  // The partition table read by GetDriveLayout: a layout with room for five entries.
  static constexpr std::uint32_t kDriveLayoutBytes = 168;

  CKvScsi(CKvUpdater* owner, const char* name);
  ~CKvScsi() override;
  CKvScsi(const CKvScsi&) = delete;
  CKvScsi& operator=(const CKvScsi&) = delete;

  virtual std::int32_t Open() = 0;
  virtual std::int32_t Lock(std::int32_t physical) = 0;
  virtual std::int32_t LockForFormat(std::int32_t physical) = 0;
  virtual std::int32_t EndFormatAccess(std::int32_t physical) = 0;
  virtual std::int32_t Unlock(std::int32_t physical) = 0;
  virtual std::int32_t Close() = 0;
  virtual std::int32_t Dismount() = 0;
  virtual std::int32_t WriteSectors(const CKvByteArray& data, std::uint32_t count, std::uint32_t first,
                                    std::uint32_t sectorSize);
  virtual std::int32_t ReadSectors(CKvByteArray& data, std::uint32_t count, std::uint32_t first,
                                   std::uint32_t sectorSize);
  virtual std::int32_t SetDriveLayout(const KvDriveGeometry& geometry, std::uint32_t hiddenSectors);
  virtual std::int32_t GetGeometry(KvDriveGeometry& geometry) = 0;
  virtual std::int32_t GetDriveLayout(CKvByteArray& buffer);
  virtual std::int32_t FindPhysicalDrive();
  virtual std::int32_t FindDevice() = 0;
  virtual std::int32_t SendCommand(CKvScsiCommand& command);
  // cdb holds cdbLength CDB bytes followed by the data-out payload; the
  // response's size is the number of data-in bytes wanted.
  virtual std::int32_t SendCdb(CKvByteArray& cdb, std::uint32_t cdbLength, std::int32_t dataOut,
                               CKvByteArray& response) = 0;

  wchar_t GetDriveLetter() const { return m_driveLetter; }
  void SetDriveLetter(wchar_t letter) { m_driveLetter = letter; }
  std::int32_t GetFoundFlag() const { return m_found; }
  // The sense bytes of the last failed command (null before the first).
  const CKvByteArray* GetSense() const { return m_sense.get(); }
  win::HANDLE GetHandle() const { return m_handle; }

 protected:
  // Reports a failure the transport's way: keeps code and system error just
  // long enough to record them (and the message) in the owner's error
  // record, then clears both and answers the code.
  std::int32_t Fail(std::int32_t code, std::uint32_t systemError);
  std::int32_t Fail(std::int32_t code, std::uint32_t systemError, const std::wstring& message);
  // Keeps the sense bytes of a failed command and reports -23 with their message.
  std::int32_t FailWithSense(const std::uint8_t* sense, std::uint32_t length, std::uint32_t systemError);
  // Lets the window showing progress paint while a command is out.
  void KeepAlive();
  // Whether the inquiry answer names the configured player.
  bool IsPlayer(const std::uint8_t* inquiry) const;
  // Media-info type 9 answering non-zero.
  bool MediumUsable();
  void CloseHandleIfOpen();

  wchar_t m_driveLetter = 0;
  std::int32_t m_found = 0;
  win::HANDLE m_handle = win::INVALID_HANDLE_VALUE;
  std::unique_ptr<CKvByteArray> m_sense;
  CKvUpdater* m_owner;  // not owned
};

}  // namespace pendrel
