// A transport that answers commands from a script instead of a device: it
// keeps what it was sent and hands back a prepared answer, as many bytes of
// it as the response has room for (the rest stays zero, as the real
// transports leave it).
#pragma once

#include <cstdint>
#include <vector>

#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_scsi.h"

namespace pendrel::test {

class FakeTransport : public CKvScsi {
 public:
  explicit FakeTransport(CKvUpdater* owner) : CKvScsi(owner, "FakeTransport") {}

  std::int32_t Open() override { return kKvOk; }
  std::int32_t Lock(std::int32_t) override { return kKvOk; }
  std::int32_t LockForFormat(std::int32_t) override { return kKvOk; }
  std::int32_t EndFormatAccess(std::int32_t) override { return kKvOk; }
  std::int32_t Unlock(std::int32_t) override { return kKvOk; }
  std::int32_t Close() override { return kKvOk; }
  std::int32_t Dismount() override { return kKvOk; }
  std::int32_t GetGeometry(KvDriveGeometry&) override { return kKvOk; }
  std::int32_t FindDevice() override { return kKvOk; }

  std::int32_t SendCdb(CKvByteArray& cdb, std::uint32_t cdbLength, std::int32_t dataOut,
                       CKvByteArray& response) override {
    sentCdb.assign(cdb.Data(), cdb.Data() + cdbLength);
    sentPayload.assign(cdb.Data() + cdbLength, cdb.Data() + cdb.GetCount());
    sentDataOut = dataOut;
    askedResponse = response.GetCount();
    if (result != kKvOk) return result;
    std::uint32_t n = std::min<std::uint32_t>(response.GetCount(), static_cast<std::uint32_t>(answer.size()));
    response.CopyFrom(answer.data(), n, 0);
    return kKvOk;
  }

  std::vector<std::uint8_t> answer;
  std::int32_t result = kKvOk;
  std::vector<std::uint8_t> sentCdb, sentPayload;
  std::int32_t sentDataOut = -1;
  std::uint32_t askedResponse = 0;
};

}  // namespace pendrel::test
