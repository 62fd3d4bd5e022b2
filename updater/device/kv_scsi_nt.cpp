#include "updater/device/kv_scsi_nt.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"
#include "platform/win/system.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_standard_commands.h"

namespace pendrel {
namespace {

// The layout written by SetDriveLayout: the header and four entries.
struct DriveLayoutOfFour {
  win::DWORD PartitionCount;
  win::DWORD Signature;
  win::PARTITION_INFORMATION PartitionEntry[4];
};
static_assert(sizeof(DriveLayoutOfFour) == 136);

}  // namespace

CKvScsi_Nt::CKvScsi_Nt(CKvUpdater* owner) : CKvScsi(owner, "CKvScsi_Nt") {}

CKvScsi_Nt::~CKvScsi_Nt() = default;

bool CKvScsi_Nt::openDevice(const char* name) {
  m_handle = win::CreateFileA(name, win::GENERIC_READ | win::GENERIC_WRITE,
                              win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING, 0, nullptr);
  return m_handle != win::INVALID_HANDLE_VALUE;
}

std::int32_t CKvScsi_Nt::Open() {
  if (m_handle != win::INVALID_HANDLE_VALUE) return kKvOk;
  char name[8];
  std::snprintf(name, sizeof name, "\\\\.\\%c:", static_cast<char>(m_driveLetter));
  // Not recorded: the search opens every removable drive and expects failures.
  if (!m_driveLetter || !openDevice(name)) return kKvOpenFailed;
  return kKvOk;
}

std::int32_t CKvScsi_Nt::volumeControl(win::DWORD code, std::int32_t failure) {
  for (int attempt = 0; attempt < kVolumeAttempts; ++attempt) {
    win::DWORD returned = 0;
    if (win::DeviceIoControl(m_handle, code, nullptr, 0, nullptr, 0, &returned, nullptr)) return kKvOk;
    win::Sleep(kVolumeRetryMs);
  }
  return Fail(failure, win::GetLastError());
}

std::int32_t CKvScsi_Nt::Lock(std::int32_t) { return volumeControl(win::FSCTL_LOCK_VOLUME, kKvLockFailed); }

std::int32_t CKvScsi_Nt::LockForFormat(std::int32_t) { return kKvOk; }

std::int32_t CKvScsi_Nt::EndFormatAccess(std::int32_t) { return Dismount(); }

std::int32_t CKvScsi_Nt::Unlock(std::int32_t) { return volumeControl(win::FSCTL_UNLOCK_VOLUME, kKvUnlockFailed); }

std::int32_t CKvScsi_Nt::Dismount() { return volumeControl(win::FSCTL_DISMOUNT_VOLUME, kKvDismountFailed); }

std::int32_t CKvScsi_Nt::Close() {
  CloseHandleIfOpen();
  return kKvOk;
}

bool CKvScsi_Nt::seekToSector(std::uint32_t first, std::uint32_t sectorSize) {
  // The whole 64-bit offset: a data drive beyond 4 GiB must not wrap onto its start.
  std::uint64_t offset = static_cast<std::uint64_t>(first) * sectorSize;
  win::LONG high = static_cast<win::LONG>(offset >> 32);
  win::DWORD low = win::SetFilePointer(m_handle, static_cast<win::LONG>(offset & 0xFFFFFFFFu), &high, win::FILE_BEGIN);
  return !(low == win::INVALID_SET_FILE_POINTER && win::GetLastError() != win::ERROR_SUCCESS);
}

std::int32_t CKvScsi_Nt::ReadSectors(CKvByteArray& data, std::uint32_t count, std::uint32_t first,
                                     std::uint32_t sectorSize) {
  std::uint64_t bytes = static_cast<std::uint64_t>(count) * sectorSize;
  if (bytes > 0xFFFFFFFFu) return Fail(kKvSectorRead, win::ERROR_INVALID_PARAMETER);
  win::SetLastError(win::ERROR_SUCCESS);
  if (!seekToSector(first, sectorSize)) return Fail(kKvSectorRead, win::GetLastError());
  CKvByteArray buffer(static_cast<std::uint32_t>(bytes), "CKvByteArray");
  if (buffer.GetLastError() != kKvOk) return Fail(kKvOutOfMemory, win::ERROR_NOT_ENOUGH_MEMORY);
  win::DWORD got = 0;
  if (!win::ReadFile(m_handle, buffer.Data(), static_cast<win::DWORD>(bytes), &got, nullptr))
    return Fail(kKvSectorRead, win::GetLastError());
  return CopyAnswer(&buffer, data);
}

std::int32_t CKvScsi_Nt::WriteSectors(const CKvByteArray& data, std::uint32_t count, std::uint32_t first,
                                      std::uint32_t sectorSize) {
  std::uint64_t bytes = static_cast<std::uint64_t>(count) * sectorSize;
  // Never write past the caller's data.
  if (bytes > data.GetCount()) return Fail(kKvSectorWrite, win::ERROR_INVALID_PARAMETER);
  win::SetLastError(win::ERROR_SUCCESS);
  if (!seekToSector(first, sectorSize)) return Fail(kKvSectorWrite, win::GetLastError());
  win::DWORD written = 0;
  if (!win::WriteFile(m_handle, data.Data(), static_cast<win::DWORD>(bytes), &written, nullptr) || written != bytes)
    return Fail(kKvSectorWrite, win::GetLastError());
  return kKvOk;
}

std::int32_t CKvScsi_Nt::GetGeometry(KvDriveGeometry& geometry) {
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(m_handle, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry,
                            &returned, nullptr))
    return Fail(kKvIoctlFailed, win::GetLastError());
  return kKvOk;
}

std::int32_t CKvScsi_Nt::GetDriveLayout(CKvByteArray& buffer) {
  if (buffer.Resize(kDriveLayoutBytes) != kKvOk) return Fail(kKvOutOfMemory, win::ERROR_NOT_ENOUGH_MEMORY);
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(m_handle, win::IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, buffer.Data(), kDriveLayoutBytes,
                            &returned, nullptr))
    return Fail(kKvIoctlFailed, win::GetLastError());
  return kKvOk;
}

std::int32_t CKvScsi_Nt::SetDriveLayout(const KvDriveGeometry& geometry, std::uint32_t hiddenSectors) {
  DriveLayoutOfFour layout{};
  layout.PartitionCount = 4;
  layout.Signature = 0;
  win::PARTITION_INFORMATION& first = layout.PartitionEntry[0];
  first.StartingOffset = static_cast<win::LONGLONG>(hiddenSectors) * geometry.BytesPerSector;
  first.PartitionLength = geometry.Cylinders * geometry.TracksPerCylinder * geometry.SectorsPerTrack *
                              static_cast<win::LONGLONG>(geometry.BytesPerSector) -
                          first.StartingOffset;
  first.HiddenSectors = hiddenSectors;
  first.PartitionNumber = 1;
  first.PartitionType = 6;
  first.BootIndicator = 0;
  first.RecognizedPartition = 1;
  first.RewritePartition = 1;
  for (win::DWORD i = 1; i < 4; ++i) {
    layout.PartitionEntry[i].PartitionNumber = i + 1;
    layout.PartitionEntry[i].RewritePartition = 1;
  }
  win::DWORD returned = 0;
  win::DeviceIoControl(m_handle, win::IOCTL_DISK_DELETE_DRIVE_LAYOUT, nullptr, 0, nullptr, 0, &returned, nullptr);
  if (!win::DeviceIoControl(m_handle, win::IOCTL_DISK_SET_DRIVE_LAYOUT, &layout, sizeof layout, nullptr, 0,
                            &returned, nullptr))
    return Fail(kKvIoctlFailed, win::GetLastError());
  return kKvOk;
}

win::DWORD CKvScsi_Nt::PassThroughThread(win::LPVOID self) {
  auto* transport = static_cast<CKvScsi_Nt*>(self);
  win::DWORD returned = 0;
  bool ok = win::DeviceIoControl(transport->m_handle, win::IOCTL_SCSI_PASS_THROUGH, transport->m_request.get(),
                                 transport->m_requestLength, transport->m_request.get(), transport->m_requestLength,
                                 &returned, nullptr);
  transport->m_systemError = ok ? 0 : win::GetLastError();
  return 0;
}

std::int32_t CKvScsi_Nt::SendCdb(CKvByteArray& cdb, std::uint32_t cdbLength, std::int32_t dataOut,
                                 CKvByteArray& response) {
  if (m_handle == win::INVALID_HANDLE_VALUE) {
    std::int32_t r = Open();
    if (r != kKvOk) return r;
  }
  if (cdbLength > sizeof(win::SCSI_PASS_THROUGH::Cdb) || cdbLength > cdb.GetCount())
    return Fail(kKvValueDoesNotFit, win::ERROR_INVALID_PARAMETER);
  std::uint32_t payload = cdb.GetCount() - cdbLength;
  std::uint32_t dataLength = std::max(response.GetCount(), payload);
  if (dataLength > 0xFFFFFFFFu - kBlockOverhead) return Fail(kKvOutOfMemory, win::ERROR_NOT_ENOUGH_MEMORY);
  m_requestLength = dataLength + kBlockOverhead;
  m_request.reset(new (std::nothrow) std::uint8_t[m_requestLength]());
  if (!m_request) return Fail(kKvOutOfMemory, win::ERROR_NOT_ENOUGH_MEMORY);

  win::SCSI_PASS_THROUGH header{};
  header.Length = sizeof header;
  header.CdbLength = static_cast<win::BYTE>(cdbLength);
  header.SenseInfoLength = kSenseLength;
  header.DataIn = dataOut ? win::SCSI_IOCTL_DATA_OUT : win::SCSI_IOCTL_DATA_IN;
  header.DataTransferLength = dataLength;
  header.TimeOutValue = kTimeOutSeconds;
  header.DataBufferOffset = kDataOffset;
  header.SenseInfoOffset = kSenseOffset;
  cdb.CopyTo(header.Cdb, cdbLength, 0);
  std::memcpy(m_request.get(), &header, sizeof header);
  std::memcpy(m_request.get() + sizeof header, &m_requestLength, sizeof m_requestLength);
  cdb.CopyTo(m_request.get() + kDataOffset, payload, cdbLength);

  win::HANDLE thread = win::CreateThread(nullptr, 0, &PassThroughThread, this, 0, nullptr);
  if (!thread) {
    m_request.reset();
    return Fail(kKvIoctlFailed, win::GetLastError());
  }
  while (win::WaitForSingleObject(thread, 0) == win::WAIT_TIMEOUT) {
    KeepAlive();
    std::this_thread::yield();
  }
  win::CloseHandle(thread);
  std::uint32_t ioError = m_systemError;
  m_systemError = 0;

  if (ioError != 0) {
    m_request.reset();
    return Fail(kKvIoctlFailed, ioError);
  }
  std::memcpy(&header, m_request.get(), sizeof header);
  if (header.ScsiStatus != 0) {
    std::uint32_t senseLength = std::min<std::uint32_t>(header.SenseInfoLength, kSenseLength);
    std::int32_t r = FailWithSense(m_request.get() + kSenseOffset, senseLength, ioError);
    m_request.reset();
    return r;
  }
  response.CopyFrom(m_request.get() + kDataOffset, response.GetCount(), 0);
  m_request.reset();
  return kKvOk;
}

}  // namespace pendrel
