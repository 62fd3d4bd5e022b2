// What the ASPI layer and its Windows 9x driver PyxaApix ("\\.\PyxaApix")
// say to each other through DeviceIoControl: the control codes, their
// blocks, the driver's device records and the trace area. Addresses are
// 32-bit flat addresses (system_aspi_flat_addresses.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/types.h"

namespace devices {

constexpr char kPyxaApixDeviceName[] = "PyxaApix";
constexpr char kPyxaCd95DeviceName[] = "pyxacd95";

// Control codes.
constexpr win::DWORD kApixPostSrb = 19;       // in: ApixSrbBlock; the SRB finishes later, its event is set
constexpr win::DWORD kApixExecuteSrb = 20;    // in: ApixSrbBlock; the SRB is finished on return
constexpr win::DWORD kApixTraceArea = 21;     // in/out: ApixTraceBlock
constexpr win::DWORD kApixIdentify = 23;      // out: DWORD kApixIdentity
constexpr win::DWORD kApixDeviceList = 24;    // out: DWORD address of the first device record
constexpr win::DWORD kApixSetTimeout = 27;    // in: DWORD SCSI time-out in seconds (0: the driver's own)
constexpr win::DWORD kApixSetOwnerMode = 29;  // in: DWORD 1 while a layer drives the devices itself

constexpr win::DWORD kApixIdentity = 0x58495041u;  // "APIX"
constexpr win::DWORD kApixTraceMagic = 0x081474B0u;

#pragma pack(push, 1)

struct ApixSrbBlock {
  win::DWORD srb;        // address of the SRB
  win::DWORD srbLength;  // its length for its command
  win::DWORD event;      // address of the event set when a posted SRB finishes (code 19)
  win::DWORD flags;      // the SRB flags the driver goes by
  win::BYTE slot;        // the layer's request slot, 0 for none (shows in the driver's own log)
};
static_assert(sizeof(ApixSrbBlock) == 17);

struct ApixTraceBlock {
  win::DWORD magic;           // in: kApixTraceMagic
  win::DWORD area;            // out: address of the trace area
  win::DWORD areaLength;      // out: its length in bytes
  win::DWORD recordLength;    // out: sizeof(ApixTraceRecord)
  win::DWORD recordCapacity;  // out: records the area holds
  win::BYTE enable;           // in: 1 switches tracing on
};
static_assert(sizeof(ApixTraceBlock) == 21);

// The trace area: a header, then a ring of records.
struct ApixTraceAreaHeader {
  win::DWORD written;   // records written so far; record i is at i % capacity
  win::DWORD capacity;
};
static_assert(sizeof(ApixTraceAreaHeader) == 8);

struct ApixTraceRecordHeader {
  win::DWORD processId;
  win::WORD kind;
  win::DWORD event;
  win::DWORD driverHandle;
  win::DWORD slot;
  win::DWORD srb;
  win::DWORD status;
  win::DWORD milliseconds;  // since the first record
};
static_assert(sizeof(ApixTraceRecordHeader) == 30);

struct ApixTraceRecord {
  ApixTraceRecordHeader header;
  win::BYTE srb[80];
};
static_assert(sizeof(ApixTraceRecord) == 110);

// Trace record kinds.
constexpr win::WORD kTraceSrbPosted = 1;
constexpr win::WORD kTraceSrbCompleted = 2;
constexpr win::WORD kTraceSyncStarted = 3;
constexpr win::WORD kTraceSyncFinished = 4;
constexpr win::WORD kTraceSlotWithoutStatus = 5;
constexpr win::WORD kTraceSlotWithoutSrb = 6;
constexpr win::WORD kTraceSrbRefused = 7;
constexpr win::WORD kTraceDeviceTable = 9;         // the first 80-byte piece of the device table
constexpr win::WORD kTraceDeviceTableMore = 10;    // each further piece

// A device record of the driver's chain (and, with the same layout, the
// physical record its first field points to).
struct ApixDeviceRecord {
  win::DWORD physical;  // address of the device's physical record
  win::BYTE reserved4[8];
  win::DWORD next;  // address of the next record, 0 at the end
  win::BYTE reserved16[16];
  win::DWORD deviceFlags;
  win::BYTE reserved36[44];
  win::DWORD maxTransfer;
  win::BYTE reserved84[32];
  win::BYTE busType;
  win::BYTE reserved117[7];
  win::BYTE targetId;
  win::BYTE lun;
  win::BYTE hostAdapter;
  win::BYTE reserved127[39];
  char portDriver[8];  // padded with blanks
  win::BYTE reserved174[2];
};
static_assert(sizeof(ApixDeviceRecord) == 176);
static_assert(offsetof(ApixDeviceRecord, next) == 12);
static_assert(offsetof(ApixDeviceRecord, deviceFlags) == 32);
static_assert(offsetof(ApixDeviceRecord, maxTransfer) == 80);
static_assert(offsetof(ApixDeviceRecord, busType) == 116);
static_assert(offsetof(ApixDeviceRecord, targetId) == 124);
static_assert(offsetof(ApixDeviceRecord, hostAdapter) == 126);
static_assert(offsetof(ApixDeviceRecord, portDriver) == 166);

constexpr win::DWORD kApixRecordCounts = 0x4000;  // deviceFlags bit of a record that counts
constexpr win::BYTE kApixBusScsi = 1;

#pragma pack(pop)

}  // namespace devices
