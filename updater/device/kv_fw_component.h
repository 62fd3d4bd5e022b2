// One firmware component file: a text header with the product and component
// version stamps, the marker 0x1A "KVRX", and the image written to the drive.
#pragma once

#include <cstdint>
#include <memory>

#include "updater/device/kv_base.h"
#include "updater/device/kv_byte_array.h"
#include "updater/device/kv_version_info.h"

namespace pendrel {

class CKvUpdater;

class CKvFwComponent : public CKvBase {
 public:
  // Which version lines the header had.
  enum VersionState : std::int32_t { kProductOnly = 0, kComponentOnly = 1, kBoth = 2, kNone = 3 };
  static constexpr std::uint8_t kMarker[5] = {0x1A, 'K', 'V', 'R', 'X'};

  // Loads the file of configuration record `index`; the last error is the
  // result of the load. The owner's error record then names the component.
  CKvFwComponent(CKvUpdater* owner, std::uint8_t index);
  ~CKvFwComponent() override;
  CKvFwComponent(const CKvFwComponent&) = delete;
  CKvFwComponent& operator=(const CKvFwComponent&) = delete;

  std::uint32_t GetImageSize() const;
  // Image bytes from offset; what lies beyond the image reads as 0xFF.
  std::int32_t ReadChunk(std::uint32_t offset, std::uint32_t length, CKvByteArray& out) const;
  std::int32_t CopyChunk(std::uint32_t offset, std::uint32_t length, std::uint8_t* buffer) const;
  void GetProductVersion(CKvVersionInfo& out) const { out = m_productVersion; }
  void GetComponentVersion(CKvVersionInfo& out) const { out = m_componentVersion; }
  VersionState GetVersionState() const { return m_versionState; }

 private:
  void ReadVersions(const std::string& path);
  std::int32_t LoadImage(const std::string& path);

  CKvUpdater* m_owner;
  std::uint8_t m_index;
  std::unique_ptr<CKvByteArray> m_image;
  CKvVersionInfo m_productVersion;
  CKvVersionInfo m_componentVersion;
  VersionState m_versionState = kNone;
};

// The "%u.%u.%u" reading of a version line after its label: numbers that
// cannot be read stay 0; false only when the text holds nothing to read.
bool ScanVersionNumbers(const char* text, CKvVersionInfo& out);

}  // namespace pendrel
