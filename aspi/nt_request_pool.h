// The pass-through request blocks of the Windows NT mode. A block is
// 65612 bytes: the signature, then the SCSI_PASS_THROUGH header with its
// sense and data areas, which is what DeviceIoControl gets (65608 bytes).
// Blocks are kept for reuse once they are allocated.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "aspi/nt_device_map.h"
#include "platform/devices/system_aspi_srb.h"
#include "platform/win/ioctl.h"

namespace aspi {

constexpr win::DWORD kRequestSignature = 0x1AFA5BF6u;
constexpr std::size_t kRequestBlockLength = 65612;
constexpr win::DWORD kPassThroughLength = 65608;
constexpr win::DWORD kSenseOffset = 44;
constexpr std::size_t kSenseCapacity = 32;
constexpr win::DWORD kDataOffset = 76;
constexpr std::size_t kDataCapacity = kPassThroughLength - kDataOffset;

#pragma pack(push, 1)
struct RequestBlock {
  win::DWORD signature;
  win::SCSI_PASS_THROUGH header;
  win::BYTE sense[kSenseCapacity];
  win::BYTE data[kDataCapacity];
};
#pragma pack(pop)
static_assert(sizeof(RequestBlock) == kRequestBlockLength);
static_assert(offsetof(RequestBlock, sense) - offsetof(RequestBlock, header) == kSenseOffset);
static_assert(offsetof(RequestBlock, data) - offsetof(RequestBlock, header) == kDataOffset);

// One request in flight: its block and what completion needs.
struct PassThroughRequest {
  RequestBlock block{};
  win::OVERLAPPED overlapped{};
  win::SRB_ExecSCSICmd* srb = nullptr;
  win::BYTE* callerBuffer = nullptr;  // the SRB's buffer
  win::DWORD bufferLength = 0;        // SRB_BufLen when it was issued
  ScsiDeviceNode* node = nullptr;
  win::HANDLE handle = nullptr;
  std::uint32_t sequence = 0;
};

// Not thread-safe: its owner holds the pool mutex.
class RequestPool {
 public:
  // A free block, or a new one; nullptr when none can be had.
  PassThroughRequest* take();
  void giveBack(PassThroughRequest* request);

 private:
  std::vector<std::unique_ptr<PassThroughRequest>> all_;
  std::vector<PassThroughRequest*> free_;
};

}  // namespace aspi
