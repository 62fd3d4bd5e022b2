// The base of the player's commands: a CDB with its data-out payload behind
// it, the answer after execution, and the lengths the transport needs. An
// instance is built with its parameters, sent once by the transport and
// then asked for its decoded answer.
#pragma once

#include <cstdint>
#include <memory>

#include "updater/device/kv_base.h"
#include "updater/device/kv_byte_array.h"

namespace pendrel {

class CKvScsiCommand : public CKvBase {
 public:
  CKvScsiCommand(const char* name, std::uint32_t cdbLength, std::uint32_t responseLength,
                 std::uint32_t payloadLength);
  ~CKvScsiCommand() override;
  CKvScsiCommand(const CKvScsiCommand&) = delete;
  CKvScsiCommand& operator=(const CKvScsiCommand&) = delete;

  virtual std::int32_t BuildCdb() = 0;
  // Keeps a copy of the data-in answer.
  virtual std::int32_t SetResponse(const CKvByteArray& response);
  virtual std::int32_t IsDataOut() const = 0;

  // The CDB followed by the payload.
  CKvByteArray& GetCdb() { return *m_cdb; }
  const CKvByteArray* GetResponse() const { return m_response.get(); }
  std::uint32_t GetCdbLength() const { return m_cdbLength; }
  std::uint32_t GetResponseLength() const { return m_responseLength; }
  std::uint32_t GetPayloadLength() const { return m_payloadLength; }

 protected:
  // Refuses the command before anything is sent.
  void Refuse(std::int32_t code);
  // Writes CDB bytes from byte 0 on.
  std::int32_t PutCdbBytes(std::initializer_list<std::uint8_t> bytes);
  // Copies a caller's data into the payload; -10 when it is larger.
  std::int32_t CopyIntoPayload(const CKvByteArray& data);

  std::unique_ptr<CKvByteArray> m_cdb;
  std::unique_ptr<CKvByteArray> m_response;
  std::uint32_t m_cdbLength;
  std::uint32_t m_responseLength;
  std::uint32_t m_payloadLength;
};

// count × size as a 32-bit transfer length; false when it does not fit.
bool TransferLength(std::uint64_t count, std::uint32_t size, std::uint32_t& out);

}  // namespace pendrel
