// Our own test firmware: the four component files the updater loads, each
// a text header with its version stamps, the marker and an image sized to
// fit the virtual player's system drive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kl570 {

struct FirmwareVersion {
  std::uint16_t major = 0, minor = 0, revision = 0;
};

struct ComponentFile {
  std::string fileName;     // "usbmsc.sb"
  std::string displayName;  // "USB Mass Storage"
  std::size_t imageBytes;
};

// The files in the order of the updater's component records 1 to 4.
const std::vector<ComponentFile>& FirmwareComponents();

// The whole file: header, 0x1A "KVRX", then the image.
std::string ComponentFileBytes(const ComponentFile& component, std::size_t index, const FirmwareVersion& product,
                               const FirmwareVersion& componentVersion);

}  // namespace kl570
