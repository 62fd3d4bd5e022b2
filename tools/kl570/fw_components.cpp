#include "tools/kl570/fw_components.h"

#include <cstdio>

#include "platform/devices/player_setup.h"

namespace kl570 {

const std::vector<ComponentFile>& FirmwareComponents() {
  // Half of each system drive of a new virtual player: written without
  // re-partitioning, with room left that the updater fills with 0xFF.
  static const std::vector<ComponentFile> files = {
      {"bootmanager.sb", "Boot Manager", devices::kBootManagerDriveBytes / 2},
      {"usbmsc.sb", "USB Mass Storage", devices::kUsbMassStorageDriveBytes / 2},
      {"kvrxsys.sb", "Player", devices::kPlayerFirmwareDriveBytes / 2},
      {"resource.bin", "Resource Manager", devices::kResourceDriveBytes / 2},
  };
  return files;
}

std::string ComponentFileBytes(const ComponentFile& component, std::size_t index, const FirmwareVersion& product,
                               const FirmwareVersion& componentVersion) {
  char header[256];
  std::snprintf(header, sizeof header,
                "Ornex KL570 firmware component: %s\n"
                "Product Version: %u.%u.%u\n"
                "Component Version: %u.%u.%u\n",
                component.displayName.c_str(), product.major, product.minor, product.revision,
                componentVersion.major, componentVersion.minor, componentVersion.revision);
  std::string file = header;
  file += "\x1AKVRX";
  // Bytes that differ per component and version, so that a drive written
  // with the wrong image or an old one shows on read-back.
  std::uint32_t state = 0x9E3779B9u ^ static_cast<std::uint32_t>(index * 0x01000193u) ^
                        (static_cast<std::uint32_t>(componentVersion.major) << 20) ^
                        (static_cast<std::uint32_t>(componentVersion.minor) << 10) ^ componentVersion.revision;
  file.reserve(file.size() + component.imageBytes);
  for (std::size_t i = 0; i < component.imageBytes; ++i) {
    state = state * 1664525u + 1013904223u;
    file += static_cast<char>(state >> 24);
  }
  return file;
}

}  // namespace kl570
