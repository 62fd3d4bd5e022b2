#include "updater/device/kv_scsi_9x.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <thread>

#include "aspi/aspi_srb.h"
#include "platform/win/address32.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"
#include "updater/device/kv_result_codes.h"

namespace pendrel {
namespace {

constexpr win::DWORD kDosIoctl = 0x440D;
constexpr win::DWORD kGetDeviceParameters = 0x0860;
constexpr win::DWORD kLockVolume = 0x4A;
constexpr win::DWORD kLockPhysical = 0x4B;
constexpr win::DWORD kUnlockVolume = 0x6A;
constexpr win::DWORD kUnlockPhysical = 0x6B;
constexpr win::DWORD kCategories[] = {0x48, 0x08};
// Room for the device parameter block with its BPB.
constexpr std::size_t kDeviceParametersBytes = 256;

std::uint16_t littleWord(const std::vector<std::uint8_t>& block, std::size_t at) {
  return static_cast<std::uint16_t>(block[at] | (block[at + 1] << 8));
}

}  // namespace

CKvScsi_9x::CKvScsi_9x(CKvUpdater* owner) : CKvScsi(owner, "CKvScsi_9x") {
  m_module = win::LoadLibraryA("SCALINK.DLL");
  if (!m_module) {
    SetError(kKvAspiNotLoaded);
    return;
  }
  m_getSupportInfo =
      reinterpret_cast<win::GetASPI32SupportInfoProc>(win::GetProcAddress(m_module, "GetASPI32SupportInfo"));
  m_sendCommand = reinterpret_cast<win::SendASPI32CommandProc>(win::GetProcAddress(m_module, "SendASPI32Command"));
  if (!m_getSupportInfo || !m_sendCommand) {
    SetError(kKvAspiEntryMissing);
    return;
  }
  // The status byte SS_COMP in the high half of the low word; any adapter count.
  win::DWORD info = m_getSupportInfo();
  win::DWORD low = info & 0xFFFF;
  if (low < 0x0100 || low > 0x01FF) SetError(kKvAspiNoAdapter, info);
}

CKvScsi_9x::~CKvScsi_9x() {
  CloseHandleIfOpen();
  if (m_module) win::FreeLibrary(m_module);
}

win::HANDLE CKvScsi_9x::openVwin32() {
  return win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, 0, win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

std::int32_t CKvScsi_9x::Open() {
  if (m_handle != win::INVALID_HANDLE_VALUE) return kKvOk;
  m_handle = openVwin32();
  return m_handle == win::INVALID_HANDLE_VALUE ? kKvOpenFailed : kKvOk;
}

std::int32_t CKvScsi_9x::Close() {
  CloseHandleIfOpen();
  return kKvOk;
}

bool CKvScsi_9x::dosIoctl(win::HANDLE vwin32, win::DWORD ecx, win::DWORD drive, win::DWORD edx) {
  win::DIOC_REGISTERS regs{};
  regs.reg_EAX = kDosIoctl;
  regs.reg_EBX = drive;
  regs.reg_ECX = ecx;
  regs.reg_EDX = edx;
  win::DWORD returned = 0;
  return win::DeviceIoControl(vwin32, win::VWIN32_DIOC_DOS_IOCTL, &regs, sizeof regs, &regs, sizeof regs, &returned,
                              nullptr) &&
         !(regs.reg_Flags & win::CARRY_FLAG);
}

bool CKvScsi_9x::dosIoctlWithBlock(win::HANDLE vwin32, win::DWORD ecx, win::DWORD drive,
                                   std::vector<std::uint8_t>& block) {
  // EDX carries the block's 32-bit address, as a 9x program passes its pointer.
  win::Address32 address(block.data(), block.size());
  return dosIoctl(vwin32, ecx, drive, address.value());
}

bool CKvScsi_9x::driveMapInfo(win::HANDLE vwin32, wchar_t letter, std::uint8_t& flags, std::uint8_t& int13Unit) {
  for (win::DWORD category : kCategories) {
    std::vector<std::uint8_t> info(16, 0);
    info[0] = 16;  // the length the caller offers
    if (dosIoctlWithBlock(vwin32, category << 8 | 0x6F, static_cast<win::DWORD>(letter) - 64, info)) {
      flags = info[2];
      int13Unit = info[3];
      return true;
    }
  }
  return false;
}

std::int32_t CKvScsi_9x::dosLock(std::int32_t physical, win::DWORD permissions) {
  win::DWORD minor = physical ? kLockPhysical : kLockVolume;
  for (win::DWORD category : kCategories)
    if (dosIoctl(m_handle, category << 8 | minor, static_cast<win::DWORD>(m_driveLetter) - 64, permissions))
      return kKvOk;
  return Fail(kKvLockFailed, win::GetLastError());
}

std::int32_t CKvScsi_9x::Lock(std::int32_t physical) { return dosLock(physical, 0); }

std::int32_t CKvScsi_9x::LockForFormat(std::int32_t physical) { return dosLock(physical, 4); }

std::int32_t CKvScsi_9x::EndFormatAccess(std::int32_t physical) { return Unlock(physical); }

std::int32_t CKvScsi_9x::Unlock(std::int32_t physical) {
  win::DWORD minor = physical ? kUnlockPhysical : kUnlockVolume;
  for (win::DWORD category : kCategories)
    if (dosIoctl(m_handle, category << 8 | minor, static_cast<win::DWORD>(m_driveLetter) - 64, 0)) return kKvOk;
  return Fail(kKvUnlockFailed, win::GetLastError());
}

std::int32_t CKvScsi_9x::Dismount() { return kKvOk; }

std::int32_t CKvScsi_9x::GetGeometry(KvDriveGeometry& geometry) {
  std::vector<std::uint8_t> block(kDeviceParametersBytes, 0);
  if (!dosIoctlWithBlock(m_handle, kGetDeviceParameters, static_cast<win::DWORD>(m_driveLetter) - 64, block))
    return Fail(kKvIoctlFailed, win::GetLastError());
  geometry = KvDriveGeometry{};
  geometry.Cylinders = littleWord(block, 4);
  geometry.MediaType = block[6];
  geometry.BytesPerSector = littleWord(block, 7);
  geometry.SectorsPerTrack = littleWord(block, 20);
  geometry.TracksPerCylinder = littleWord(block, 22);
  return kKvOk;
}

std::int32_t CKvScsi_9x::SendCdb(CKvByteArray& cdb, std::uint32_t cdbLength, std::int32_t dataOut,
                                 CKvByteArray& response) {
  if (!m_sendCommand) return Fail(kKvAspiEntryMissing, 0);
  if (cdbLength > sizeof(win::SRB_ExecSCSICmd::CDBByte) || cdbLength > cdb.GetCount())
    return Fail(kKvValueDoesNotFit, win::ERROR_INVALID_PARAMETER);
  std::uint32_t payload = cdb.GetCount() - cdbLength;
  std::uint32_t dataLength = std::max(response.GetCount(), payload);
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[dataLength ? dataLength : 1]());
  if (!buffer) return Fail(kKvOutOfMemory, win::ERROR_NOT_ENOUGH_MEMORY);
  cdb.CopyTo(buffer.get(), payload, cdbLength);

  win::HANDLE done = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  if (!done) return Fail(kKvEventCreate, win::GetLastError());

  win::SRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = win::SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = m_adapter;
  srb.SRB_Flags = win::SRB_EVENT_NOTIFY | (dataOut ? win::SRB_DIR_OUT : win::SRB_DIR_IN);
  srb.SRB_Target = 0;
  srb.SRB_Lun = 0;
  srb.SRB_BufLen = dataLength;
  srb.SRB_BufPointer = aspi::PointerToken(buffer.get(), dataLength);
  srb.SRB_SenseLen = kSenseLength;
  srb.SRB_CDBLen = static_cast<win::BYTE>(cdbLength);
  srb.SRB_PostProc = aspi::HandleToken(done);
  cdb.CopyTo(srb.CDBByte, cdbLength, 0);

  win::ResetEvent(done);
  if (m_sendCommand(&srb) == win::SS_PENDING) {
    while (win::WaitForSingleObject(done, 0) == win::WAIT_TIMEOUT) {
      KeepAlive();
      std::this_thread::yield();
    }
  }
  aspi::ReleaseToken(srb.SRB_BufPointer);
  aspi::ReleaseToken(srb.SRB_PostProc);
  win::CloseHandle(done);

  if (srb.SRB_Status != win::SS_COMP) return FailWithSense(srb.SenseArea, kSenseLength, srb.SRB_Status);
  response.CopyFrom(buffer.get(), response.GetCount(), 0);
  return kKvOk;
}

}  // namespace pendrel
