#include "updater/device/kv_fw_component.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/win/crt.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "updater/app/kv_config_info.h"
#include "updater/device/kv_decrypt.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_text.h"
#include "updater/device/kv_updater.h"

namespace pendrel {
namespace {

const char kProductLabel[] = "Product Version:";
const char kComponentLabel[] = "Component Version:";
// A header line holds at most this many characters before its line feed.
constexpr int kLongestLine = 79;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// One "%u" conversion as the C library does it: blanks, an optional sign,
// digits; a value beyond 32 bits saturates, a minus sign negates.
bool scanUnsigned(const char*& p, std::uint32_t& out) {
  while (isSpace(*p)) ++p;
  const char* q = p;
  bool negative = false;
  if (*q == '+' || *q == '-') negative = *q++ == '-';
  if (*q < '0' || *q > '9') return false;
  std::uint64_t value = 0;
  bool overflow = false;
  for (; *q >= '0' && *q <= '9'; ++q) {
    value = value * 10 + static_cast<std::uint64_t>(*q - '0');
    if (value > 0xFFFFFFFFu) {
      overflow = true;
      value = 0xFFFFFFFFu;
    }
  }
  auto v = static_cast<std::uint32_t>(value);
  out = overflow ? 0xFFFFFFFFu : negative ? 0u - v : v;
  p = q;
  return true;
}

// The whole file in binary; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, bool& opened) {
  opened = false;
  win::HANDLE file = win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr,
                                      win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == win::INVALID_HANDLE_VALUE) return false;
  opened = true;
  win::DWORD high = 0;
  win::DWORD size = win::GetFileSize(file, &high);
  bool ok = !(size == win::INVALID_FILE_SIZE && high == 0xFFFFFFFFu) && high == 0;
  if (ok) {
    bytes.resize(size);
    win::DWORD got = 0;
    ok = size == 0 || (win::ReadFile(file, bytes.data(), size, &got, nullptr) && got == size);
  }
  win::CloseHandle(file);
  return ok;
}

}  // namespace

bool ScanVersionNumbers(const char* text, CKvVersionInfo& out) {
  out = CKvVersionInfo();
  const char* p = text;
  while (isSpace(*p)) ++p;
  if (!*p) return false;
  std::uint16_t* fields[3] = {&out.m_major, &out.m_minor, &out.m_revision};
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (*p != '.') break;
      ++p;
    }
    std::uint32_t value = 0;
    if (!scanUnsigned(p, value)) break;
    *fields[i] = static_cast<std::uint16_t>(value);
  }
  return true;
}

CKvFwComponent::CKvFwComponent(CKvUpdater* owner, std::uint8_t index)
    : CKvBase("CKvFwComponent"), m_owner(owner), m_index(index) {
  std::wstring name;
  std::string path;
  if (owner && owner->m_config && owner->m_config->GetComponentFileName(index, name) == kKvOk)
    path = WideToAnsi(name);
  ReadVersions(path);
  m_lastError = LoadImage(path);
  if (owner && owner->m_errorInfo) owner->m_errorInfo->Record(*this, index);
}

CKvFwComponent::~CKvFwComponent() = default;

void CKvFwComponent::ReadVersions(const std::string& path) {
  m_versionState = kNone;
  if (path.empty()) return;
  win::crt::FILE* file = win::crt::fopen(path.c_str(), "r");
  if (!file) return;  // LoadImage fails on the same file
  bool product = false, component = false;
  char line[kLongestLine + 2];
  while (!(product && component)) {
    std::memset(line, 0, sizeof line);
    if (!win::crt::fgets(line, sizeof line, file)) break;
    // A line without its line feed is either the last one or too long.
    if (!std::memchr(line, '\n', sizeof line - 1) && !win::crt::feof(file)) break;
    if (win::crt::ferror(file)) break;
    if (const char* at = std::strstr(line, kProductLabel)) {
      if (ScanVersionNumbers(at + sizeof kProductLabel - 1, m_productVersion)) {
        product = true;
        m_versionState = component ? kBoth : kProductOnly;
      }
    } else if (const char* at2 = std::strstr(line, kComponentLabel)) {
      if (ScanVersionNumbers(at2 + sizeof kComponentLabel - 1, m_componentVersion)) {
        component = true;
        m_versionState = product ? kBoth : kComponentOnly;
      }
    }
  }
  win::crt::fclose(file);
}

std::int32_t CKvFwComponent::LoadImage(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  bool opened = false;
  bool read = false;
  try {
    read = !path.empty() && readWholeFile(path, bytes, opened);
  } catch (const std::bad_alloc&) {
    return kKvOutOfMemory;
  }
  if (!opened) {
    m_systemError = path.empty() ? win::ERROR_FILE_NOT_FOUND : win::GetLastError();
    return kKvComponentFileOpen;
  }
  m_systemError = 0;
  if (!read) return kKvComponentFileNoMarker;

  std::size_t start = 0;
  if (m_versionState != kNone) {
    std::size_t p = 0;
    bool found = false;
    for (; bytes.size() >= sizeof kMarker && p <= bytes.size() - sizeof kMarker; ++p)
      if (std::memcmp(&bytes[p], kMarker, sizeof kMarker) == 0) {
        found = true;
        break;
      }
    if (!found) return kKvComponentFileNoMarker;
    start = p + sizeof kMarker;
  }
  const std::uint8_t* image = bytes.data() + start;
  auto length = static_cast<std::uint32_t>(bytes.size() - start);

  std::unique_ptr<std::uint8_t[]> decrypted;
  std::uint8_t encrypted = 0;
  // A record that is not present counts as not encrypted.
  if (m_owner->m_config->GetComponentEncrypted(m_index, encrypted) == kKvOk && encrypted == 1) {
    std::uint32_t outLength = 0;
    CKvDecrypt decrypt(image, length, decrypted, outLength);
    if (decrypt.GetLastError() != kKvOk) return decrypt.GetLastError();
    image = decrypted.get();
    length = outLength;
  }

  auto array = std::unique_ptr<CKvByteArray>(new (std::nothrow) CKvByteArray(length, "CKvByteArray"));
  if (!array || array->GetLastError() != kKvOk) return kKvOutOfMemory;
  array->CopyFrom(image, length, 0);
  m_image = std::move(array);
  return kKvOk;
}

std::uint32_t CKvFwComponent::GetImageSize() const { return m_image ? m_image->GetCount() : 0; }

std::int32_t CKvFwComponent::ReadChunk(std::uint32_t offset, std::uint32_t length, CKvByteArray& out) const {
  if (out.Resize(length) != kKvOk) return kKvOutOfMemory;
  if (length) std::memset(out.Data(), 0xFF, length);
  std::uint32_t size = GetImageSize();
  if (offset < size) {
    std::uint32_t take = size - offset < length ? size - offset : length;
    m_image->CopyTo(out.Data(), take, offset);
  }
  return kKvOk;
}

std::int32_t CKvFwComponent::CopyChunk(std::uint32_t offset, std::uint32_t length, std::uint8_t* buffer) const {
  CKvByteArray chunk(0, "CKvByteArray");
  std::int32_t r = ReadChunk(offset, length, chunk);
  if (r != kKvOk) return r;
  return chunk.CopyTo(buffer, length, 0);
}

}  // namespace pendrel
