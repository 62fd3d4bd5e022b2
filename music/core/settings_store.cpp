#include "music/core/settings_store.h"

#include <array>

#include "platform/win/registry.h"

namespace virelo {
namespace {

const char* valueName(PlacementSlot slot) { return slot == PlacementSlot::List ? "LIST" : "PLAYER"; }

std::uint32_t getWord(const win::BYTE* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void putWord(win::BYTE* p, std::uint32_t v) {
  p[0] = static_cast<win::BYTE>(v);
  p[1] = static_cast<win::BYTE>(v >> 8);
  p[2] = static_cast<win::BYTE>(v >> 16);
  p[3] = static_cast<win::BYTE>(v >> 24);
}

// A value of exactly N bytes, or nothing.
template <std::size_t N>
std::optional<std::array<win::BYTE, N>> readExact(const char* name) {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_CURRENT_USER, kSettingsKey, 0, win::KEY_QUERY_VALUE, &key) != win::ERROR_SUCCESS)
    return std::nullopt;
  std::array<win::BYTE, N> bytes{};
  win::DWORD size = static_cast<win::DWORD>(N);
  win::LONG rc = win::RegQueryValueExA(key, name, nullptr, nullptr, bytes.data(), &size);
  win::RegCloseKey(key);
  // A longer value answers ERROR_MORE_DATA, a shorter one a smaller size.
  if (rc != win::ERROR_SUCCESS || size != N) return std::nullopt;
  return bytes;
}

bool writeBinary(const char* name, const win::BYTE* data, win::DWORD size) {
  win::HKEY key = nullptr;
  if (win::RegCreateKeyExA(win::HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                           win::KEY_WRITE, nullptr, &key, nullptr) != win::ERROR_SUCCESS)
    return false;
  win::LONG rc = win::RegSetValueExA(key, name, 0, win::REG_BINARY, data, size);
  win::RegCloseKey(key);
  return rc == win::ERROR_SUCCESS;
}

std::uint32_t inRange(std::uint32_t value, std::uint32_t highest, std::uint32_t fallback) {
  return value <= highest ? value : fallback;
}

}  // namespace

std::optional<XData> ReadXData() {
  auto bytes = readExact<kXDataSize>("XDATA");
  if (!bytes) return std::nullopt;
  const win::BYTE* p = bytes->data();
  const XData defaults;
  XData data;
  data.windowMode = inRange(p[0], 1, defaults.windowMode);  // the other three bytes of word 0 are not read
  data.volumeStep = inRange(getWord(p + 4), 15, defaults.volumeStep);
  data.repeatMode = inRange(getWord(p + 8), 2, defaults.repeatMode);
  data.shuffle = inRange(getWord(p + 12), 1, defaults.shuffle);
  data.autoPlayLyrics = inRange(getWord(p + 16), 1, defaults.autoPlayLyrics);
  data.autoDownloadLyrics = inRange(getWord(p + 20), 1, defaults.autoDownloadLyrics);
  return data;
}

bool WriteXData(const XData& data) {
  std::array<win::BYTE, kXDataSize> bytes{};
  putWord(bytes.data(), data.windowMode);
  putWord(bytes.data() + 4, data.volumeStep);
  putWord(bytes.data() + 8, data.repeatMode);
  putWord(bytes.data() + 12, data.shuffle);
  putWord(bytes.data() + 16, data.autoPlayLyrics);
  putWord(bytes.data() + 20, data.autoDownloadLyrics);
  return writeBinary("XDATA", bytes.data(), kXDataSize);
}

std::optional<win::WINDOWPLACEMENT> ReadPlacement(PlacementSlot slot) {
  auto bytes = readExact<kPlacementSize>(valueName(slot));
  if (!bytes) return std::nullopt;
  const win::BYTE* p = bytes->data();
  auto s = [&](std::size_t at) { return static_cast<win::LONG>(getWord(p + at)); };
  win::WINDOWPLACEMENT wp{};
  wp.length = getWord(p);
  wp.flags = getWord(p + 4);
  wp.showCmd = getWord(p + 8);
  wp.ptMinPosition = {s(12), s(16)};
  wp.ptMaxPosition = {s(20), s(24)};
  wp.rcNormalPosition = {s(28), s(32), s(36), s(40)};
  return wp;
}

bool WritePlacement(PlacementSlot slot, const win::WINDOWPLACEMENT& wp) {
  std::array<win::BYTE, kPlacementSize> bytes{};
  win::BYTE* p = bytes.data();
  auto u = [](win::LONG v) { return static_cast<std::uint32_t>(v); };
  putWord(p, wp.length);
  putWord(p + 4, wp.flags);
  putWord(p + 8, wp.showCmd);
  putWord(p + 12, u(wp.ptMinPosition.x));
  putWord(p + 16, u(wp.ptMinPosition.y));
  putWord(p + 20, u(wp.ptMaxPosition.x));
  putWord(p + 24, u(wp.ptMaxPosition.y));
  putWord(p + 28, u(wp.rcNormalPosition.left));
  putWord(p + 32, u(wp.rcNormalPosition.top));
  putWord(p + 36, u(wp.rcNormalPosition.right));
  putWord(p + 40, u(wp.rcNormalPosition.bottom));
  return writeBinary(valueName(slot), p, kPlacementSize);
}

win::WINDOWPLACEMENT PlacementForStorage(win::WINDOWPLACEMENT placement) {
  if (placement.showCmd == static_cast<win::UINT>(win::SW_SHOWMINIMIZED))
    placement.showCmd = static_cast<win::UINT>(
        (placement.flags & win::WPF_RESTORETOMAXIMIZED) ? win::SW_SHOWMAXIMIZED : win::SW_RESTORE);
  return placement;
}

}  // namespace virelo
