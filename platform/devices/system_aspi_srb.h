// The request blocks of ASPI for Win32, in the layout of 32-bit Windows
// (packed to 1 byte): every field that Windows declares as a pointer or a
// handle (data buffer, post routine or event, SRB to abort) is a 32-bit
// flat address here. A 64-bit process turns its pointers into such
// addresses and back through the flat address table of
// system_aspi_flat_addresses.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/types.h"

namespace win {

// Command codes.
constexpr BYTE SC_HA_INQUIRY = 0x00;
constexpr BYTE SC_GET_DEV_TYPE = 0x01;
constexpr BYTE SC_EXEC_SCSI_CMD = 0x02;
constexpr BYTE SC_ABORT_SRB = 0x03;
constexpr BYTE SC_RESET_DEV = 0x04;
constexpr BYTE SC_SET_HA_PARMS = 0x05;
constexpr BYTE SC_GET_DISK_INFO = 0x06;

// SRB status codes.
constexpr BYTE SS_PENDING = 0x00;
constexpr BYTE SS_COMP = 0x01;
constexpr BYTE SS_ABORTED = 0x02;
constexpr BYTE SS_ABORT_FAIL = 0x03;
constexpr BYTE SS_ERR = 0x04;
constexpr BYTE SS_INVALID_CMD = 0x80;
constexpr BYTE SS_INVALID_HA = 0x81;
constexpr BYTE SS_NO_DEVICE = 0x82;
constexpr BYTE SS_INVALID_SRB = 0xE0;
constexpr BYTE SS_BUFFER_ALIGN = 0xE1;
constexpr BYTE SS_ILLEGAL_MODE = 0xE2;
constexpr BYTE SS_NO_ASPI = 0xE3;
constexpr BYTE SS_FAILED_INIT = 0xE4;
constexpr BYTE SS_ASPI_IS_BUSY = 0xE5;
constexpr BYTE SS_BUFFER_TO_BIG = 0xE6;
constexpr BYTE SS_MISMATCHED_COMPONENTS = 0xE7;
constexpr BYTE SS_NO_ADAPTERS = 0xE8;
constexpr BYTE SS_INSUFFICIENT_RESOURCES = 0xE9;

// Host adapter status.
constexpr BYTE HASTAT_OK = 0x00;
constexpr BYTE HASTAT_SEL_TO = 0x11;
constexpr BYTE HASTAT_DO_DU = 0x12;

// SRB flags.
constexpr BYTE SRB_POSTING = 0x01;
constexpr BYTE SRB_ENABLE_RESIDUAL_COUNT = 0x04;
constexpr BYTE SRB_DIR_IN = 0x08;
constexpr BYTE SRB_DIR_OUT = 0x10;
constexpr BYTE SRB_EVENT_NOTIFY = 0x40;

constexpr std::size_t SENSE_LEN = 14;

#pragma pack(push, 1)

// The header every SRB starts with.
struct SRB_Header {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
};
static_assert(sizeof(SRB_Header) == 8);

struct SRB_HAInquiry {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE HA_Count;
  BYTE HA_SCSI_ID;
  BYTE HA_ManagerId[16];
  BYTE HA_Identifier[16];
  BYTE HA_Unique[16];  // bytes 4..7 maximum transfer length, byte 3 maximum targets
  WORD HA_Rsvd1;
};
static_assert(sizeof(SRB_HAInquiry) == 60);
static_assert(offsetof(SRB_HAInquiry, HA_ManagerId) == 10);
static_assert(offsetof(SRB_HAInquiry, HA_Unique) == 42);

struct SRB_GDEVBlock {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  BYTE SRB_DeviceType;
  BYTE SRB_Rsvd1;
};
static_assert(sizeof(SRB_GDEVBlock) == 12);

struct SRB_ExecSCSICmd {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  WORD SRB_Rsvd1;
  DWORD SRB_BufLen;
  DWORD SRB_BufPointer;  // flat address of the data buffer
  BYTE SRB_SenseLen;
  BYTE SRB_CDBLen;
  BYTE SRB_HaStat;
  BYTE SRB_TargStat;
  DWORD SRB_PostProc;  // flat address of the post routine, or of the event with SRB_EVENT_NOTIFY
  BYTE SRB_Rsvd2[20];
  BYTE CDBByte[16];
  BYTE SenseArea[SENSE_LEN + 2];
};
static_assert(sizeof(SRB_ExecSCSICmd) == 80);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 20);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 24);
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 48);
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 64);

struct SRB_Abort {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  DWORD SRB_ToAbort;  // flat address of the SRB to abort
};
static_assert(sizeof(SRB_Abort) == 12);

struct SRB_BusDeviceReset {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  BYTE SRB_Rsvd1[12];
  BYTE SRB_HaStat;
  BYTE SRB_TargStat;
  DWORD SRB_PostProc;
  BYTE SRB_Rsvd2[36];
};
static_assert(sizeof(SRB_BusDeviceReset) == 64);
static_assert(offsetof(SRB_BusDeviceReset, SRB_HaStat) == 22);
static_assert(offsetof(SRB_BusDeviceReset, SRB_PostProc) == 24);

struct SRB_GetDiskInfo {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  BYTE SRB_DriveFlags;
  BYTE SRB_Int13HDriveInfo;
  BYTE SRB_Heads;
  BYTE SRB_Sectors;
  BYTE SRB_Rsvd1[10];
};
static_assert(sizeof(SRB_GetDiskInfo) == 24);

#pragma pack(pop)

// The length of the SRB of a command code, 0 for a code ASPI does not know
// (SC_SET_HA_PARMS is not served).
constexpr std::size_t SrbLength(BYTE command) {
  switch (command) {
    case SC_HA_INQUIRY: return sizeof(SRB_HAInquiry);
    case SC_GET_DEV_TYPE: return sizeof(SRB_GDEVBlock);
    case SC_EXEC_SCSI_CMD: return sizeof(SRB_ExecSCSICmd);
    case SC_ABORT_SRB: return sizeof(SRB_Abort);
    case SC_RESET_DEV: return sizeof(SRB_BusDeviceReset);
    case SC_GET_DISK_INFO: return sizeof(SRB_GetDiskInfo);
    default: return 0;
  }
}

// A post routine as the 64-bit process calls it: the SRB it was posted with.
using ASPI_POSTPROC = void (*)(void* srb);

// The entry points of an ASPI manager.
using GetASPI32SupportInfoProc = DWORD (*)();
using SendASPI32CommandProc = DWORD (*)(void* srb);
using GetASPI32DLLVersionProc = DWORD (*)();

}  // namespace win
