// The product the updater is built for: the player's SCSI identity and the
// table of firmware components, one record per drive of the player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "updater/device/kv_base.h"

namespace pendrel {

class CKvResource;

// One record of the component table as the program holds it.
struct KvComponentRecord {
  char fileName[260];
  char16_t displayName[260];
  std::uint8_t present;  // 1: the record describes a firmware component
  std::uint8_t driveTag;
  std::uint8_t encrypted;
  std::uint8_t reserved;
  std::uint32_t sizeHint;
};
static_assert(sizeof(KvComponentRecord) == 788);
static_assert(offsetof(KvComponentRecord, present) == 780);
static_assert(offsetof(KvComponentRecord, sizeHint) == 784);

class CKvConfigInfo : public CKvBase {
 public:
  static constexpr std::uint8_t kComponentRecords = 5;

  CKvConfigInfo();

  void SetResource(CKvResource* resource) { m_resource = resource; }

  std::int32_t GetUpdaterFileName(std::wstring& text) const;
  std::int32_t GetScsiVendorId(std::wstring& text) const;
  std::int32_t GetScsiProductId(std::wstring& text) const;
  std::int32_t GetProductName(std::wstring& text) const;
  std::int32_t GetComponentCount(std::uint8_t& count) const;
  std::int32_t GetComponentFileName(std::uint8_t index, std::wstring& text) const;
  std::int32_t GetComponentDisplayName(std::uint8_t index, std::wstring& text) const;
  std::int32_t GetComponentDriveTag(std::uint8_t index, std::uint8_t& tag) const;
  std::int32_t GetComponentEncrypted(std::uint8_t index, std::uint8_t& flag) const;
  std::int32_t GetComponentSizeHint(std::uint8_t index, std::uint32_t& value) const;
  std::int32_t GetBootManagerTag(std::uint8_t& tag) const;
  std::int32_t GetFormatByDefault(std::int32_t& flag) const;
  std::int32_t GetShowDeviceDetails(std::int32_t& flag) const;
  std::int32_t GetRecoveryComponentIndex(std::uint8_t& index) const;
  std::int32_t GetPlayerComponentIndex(std::uint8_t& index) const;
  std::int32_t GetLegalNotice(std::wstring& text) const;
  std::int32_t GetAppName(std::wstring& text) const;
  std::int32_t GetAboutTitle(std::wstring& text) const;
  std::int32_t GetAppDescription(std::wstring& text) const;

 private:
  std::int32_t presentRecord(std::uint8_t index, const KvComponentRecord*& record) const;
  std::int32_t resourceString(std::uint32_t id, std::wstring& text) const;

  CKvResource* m_resource = nullptr;
};

}  // namespace pendrel
