// Device control: DeviceIoControl with the SCSI, disk, volume and vwin32
// codes the programs use, and the records they carry. The records keep the
// 32-bit Windows layout byte for byte (pointer-sized fields are 32 bits).
#pragma once

#include "platform/win/types.h"

namespace win {

struct OVERLAPPED {
  std::uintptr_t Internal;
  std::uintptr_t InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
};

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned, OVERLAPPED* lpOverlapped);
BOOL GetOverlappedResult(HANDLE hFile, OVERLAPPED* lpOverlapped, LPDWORD lpNumberOfBytesTransferred, BOOL bWait);
BOOL CancelIo(HANDLE hFile);

using LPOVERLAPPED_COMPLETION_ROUTINE = void (*)(DWORD dwErrorCode, DWORD dwNumberOfBytesTransfered,
                                                 OVERLAPPED* lpOverlapped);
// Writes at the overlapped offset; the routine runs in an alertable wait
// of the calling thread (SleepEx, WaitForSingleObjectEx) once it is done.
BOOL WriteFileEx(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, OVERLAPPED* lpOverlapped,
                 LPOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine);

// CreateFile flags used with devices.
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;
constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000u;
constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000u;
constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000u;

constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
constexpr DWORD ERROR_NOT_READY_DEVICE = ERROR_NOT_READY;
constexpr DWORD ERROR_CRC = 23;
constexpr DWORD ERROR_SECTOR_NOT_FOUND = 27;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_IO_DEVICE = 1117;

constexpr DWORD IOCTL_SCSI_PASS_THROUGH = 0x0004D004u;
constexpr DWORD IOCTL_SCSI_GET_ADDRESS = 0x00041018u;
constexpr DWORD IOCTL_DISK_GET_DRIVE_GEOMETRY = 0x00070000u;
constexpr DWORD IOCTL_DISK_GET_DRIVE_LAYOUT = 0x0007400Cu;
constexpr DWORD IOCTL_DISK_SET_DRIVE_LAYOUT = 0x0007C010u;
constexpr DWORD IOCTL_DISK_DELETE_DRIVE_LAYOUT = 0x0007C100u;
constexpr DWORD FSCTL_LOCK_VOLUME = 0x00090018u;
constexpr DWORD FSCTL_UNLOCK_VOLUME = 0x0009001Cu;
constexpr DWORD FSCTL_DISMOUNT_VOLUME = 0x00090020u;
constexpr DWORD VWIN32_DIOC_DOS_IOCTL = 1;

constexpr BYTE SCSI_IOCTL_DATA_OUT = 0;
constexpr BYTE SCSI_IOCTL_DATA_IN = 1;
constexpr BYTE SCSI_IOCTL_DATA_UNSPECIFIED = 2;

#pragma pack(push, 4)
struct SCSI_PASS_THROUGH {
  WORD Length;
  BYTE ScsiStatus;
  BYTE PathId;
  BYTE TargetId;
  BYTE Lun;
  BYTE CdbLength;
  BYTE SenseInfoLength;
  BYTE DataIn;
  DWORD DataTransferLength;
  DWORD TimeOutValue;
  DWORD DataBufferOffset;  // ULONG_PTR on 32-bit Windows
  DWORD SenseInfoOffset;
  BYTE Cdb[16];
};
#pragma pack(pop)
static_assert(sizeof(SCSI_PASS_THROUGH) == 44);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == 20);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == 28);

struct SCSI_ADDRESS {
  DWORD Length;
  BYTE PortNumber;
  BYTE PathId;
  BYTE TargetId;
  BYTE Lun;
};
static_assert(sizeof(SCSI_ADDRESS) == 8);

#pragma pack(push, 4)
struct DISK_GEOMETRY {
  LONGLONG Cylinders;
  DWORD MediaType;
  DWORD TracksPerCylinder;
  DWORD SectorsPerTrack;
  DWORD BytesPerSector;
};
#pragma pack(pop)
static_assert(sizeof(DISK_GEOMETRY) == 24);

constexpr DWORD RemovableMedia = 11;
constexpr DWORD FixedMedia = 12;

struct PARTITION_INFORMATION {
  LONGLONG StartingOffset;
  LONGLONG PartitionLength;
  DWORD HiddenSectors;
  DWORD PartitionNumber;
  BYTE PartitionType;
  BYTE BootIndicator;
  BYTE RecognizedPartition;
  BYTE RewritePartition;
};
static_assert(sizeof(PARTITION_INFORMATION) == 32);

struct DRIVE_LAYOUT_INFORMATION {
  DWORD PartitionCount;
  DWORD Signature;
  PARTITION_INFORMATION PartitionEntry[1];
};
static_assert(sizeof(DRIVE_LAYOUT_INFORMATION) == 40);
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION, PartitionEntry) == 8);

// The register block of a vwin32 DOS IOCTL (interrupt 21h).
struct DIOC_REGISTERS {
  DWORD reg_EBX;
  DWORD reg_EDX;
  DWORD reg_ECX;
  DWORD reg_EAX;
  DWORD reg_EDI;
  DWORD reg_ESI;
  DWORD reg_Flags;
};
static_assert(sizeof(DIOC_REGISTERS) == 28);
constexpr DWORD CARRY_FLAG = 0x1;

}  // namespace win
