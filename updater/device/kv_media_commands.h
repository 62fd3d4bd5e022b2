// The player's vendor commands on the whole medium: chip revision, media
// information, the logical media table and its allocation and erasure.
#pragma once

#include <cstdint>

#include "updater/device/kv_media_table.h"
#include "updater/device/kv_scsi_command.h"

namespace pendrel {

class CKvGetChipMajorRevId : public CKvScsiCommand {
 public:
  CKvGetChipMajorRevId();
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 0; }
  std::int32_t Decode(std::uint16_t& revision) const;
};

class CKvGetLogicalMediaInfo : public CKvScsiCommand {
 public:
  static constexpr std::uint8_t kUsableType = 9;

  // `callerLength` is the answer length of type 8, whose size the caller knows.
  explicit CKvGetLogicalMediaInfo(std::uint8_t type, std::uint32_t callerLength = 0);
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 0; }
  // Type 9: non-zero when the medium is usable; -8 for a command of another type.
  std::int32_t DecodeUsable(std::uint8_t& usable) const;

 private:
  std::uint8_t m_type;
};

class CKvGetLogicalTable : public CKvScsiCommand {
 public:
  explicit CKvGetLogicalTable(std::uint8_t capacity);
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 0; }
  // Keeps the answer and decodes it; -3 when an entry runs past it.
  std::int32_t SetResponse(const CKvByteArray& response) override;
  void Decode(KvMediaTable& out) const { out = m_table; }

 private:
  std::uint8_t m_capacity;
  KvMediaTable m_table{};
};

class CKvAllocateLogicalMedia : public CKvScsiCommand {
 public:
  explicit CKvAllocateLogicalMedia(const KvMediaTable& table);
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 1; }

 private:
  KvMediaTable m_table;
};

class CKvEraseLogicalMedia : public CKvScsiCommand {
 public:
  CKvEraseLogicalMedia();
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 1; }
};

}  // namespace pendrel
