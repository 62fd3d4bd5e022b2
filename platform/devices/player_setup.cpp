#include "platform/devices/player_setup.h"

#include <algorithm>
#include <filesystem>

#include "platform/devices/device_maps.h"
#include "platform/devices/drive_image.h"
#include "platform/devices/fat_image.h"
#include "platform/sim/simulated_machine.h"
#include "platform/win/machine.h"

namespace devices {
namespace {

namespace fs = std::filesystem;

const sim::SimulatedMachine* simulated() {
  return dynamic_cast<const sim::SimulatedMachine*>(&win::CurrentMachine());
}

bool letterTaken(char letter) {
  for (const win::DriveMapping& m : win::CurrentMachine().drives())
    if (m.letter == letter) return true;
  // A player in recovery mode keeps its letter for when it comes back.
  for (const std::string& folder : MachinePlayerFolders()) {
    PlayerDescription d;
    if (ReadPlayerDescription(folder, d) && d.letter == letter) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> MachinePlayerFolders() {
  std::vector<std::string> out;
  const sim::SimulatedMachine* machine = simulated();
  if (!machine) return out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(machine->folder()) / "devices", ec)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("player", 0) == 0 && fs::exists(entry.path() / "device.ini", ec)) out.push_back(entry.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::optional<std::string> AddVirtualPlayer(const PlayerOptions& options, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<std::string> {
    if (error) *error = why;
    return std::nullopt;
  };
  const sim::SimulatedMachine* machine = simulated();
  if (!machine) return fail("a virtual player needs a simulated machine");
  if (options.size < kMinPlayerBytes || options.size > kMaxPlayerBytes || options.size % 512)
    return fail("the player's size must be whole sectors from 16M to 2000M");
  char letter = options.letter;
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 32);
  if (letter && (letter < 'D' || letter > 'Z')) return fail("the player's letter must be one of D to Z");
  if (letter && letterTaken(letter)) return fail(std::string("drive ") + letter + ": is taken");
  if (!letter)
    for (char l = 'D'; l <= 'Z' && !letter; ++l)
      if (!letterTaken(l)) letter = l;
  if (!letter) return fail("no free drive letter");

  fs::path devicesFolder = fs::path(machine->folder()) / "devices";
  int index = 0;
  while (fs::exists(devicesFolder / ("player" + std::to_string(index)))) ++index;
  fs::path folder = devicesFolder / ("player" + std::to_string(index));
  std::error_code ec;
  fs::create_directories(folder / kPlayerDataFolder, ec);
  if (ec) return fail("cannot create " + folder.string() + ": " + ec.message());

  PlayerDescription d;
  d.mode = options.mode;
  d.capacity = options.size;
  d.letter = letter;
  struct Row {
    std::uint8_t type, tag;
    std::uint64_t size;
  };
  const std::uint64_t system =
      kBootManagerDriveBytes + kUsbMassStorageDriveBytes + kPlayerFirmwareDriveBytes + kResourceDriveBytes;
  const Row rows[] = {{kSystemDriveType, 0x50, kBootManagerDriveBytes},
                      {kDataDriveType, 0x0A, (options.size - system) / 512 * 512},
                      {kSystemDriveType, 0x01, kUsbMassStorageDriveBytes},
                      {kSystemDriveType, 0x00, kPlayerFirmwareDriveBytes},
                      {kSystemDriveType, 0x02, kResourceDriveBytes}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    LogicalDrive v;
    v.number = static_cast<std::uint8_t>(i);
    v.type = rows[i].type;
    v.tag = rows[i].tag;
    v.size = rows[i].size;
    v.sectorSize = v.type == kDataDriveType ? 512 : 2048;
    if (v.type == kSystemDriveType) v.componentVersion = v.productVersion = options.firmware;
    v.file = "drive" + std::to_string(i) + ".img";
    std::string image = (folder / v.file).string();
    bool ok = v.type == kDataDriveType ? WriteFreshFatImage(image, v.size, "KL570") : CreateBlankImage(image, v.size);
    if (!ok) return fail("cannot write " + image);
    d.drives.push_back(v);
  }
  if (!WritePlayerDescription(folder.string(), d)) return fail("cannot write " + (folder / "device.ini").string());
  UpdateDeviceMaps();
  return folder.string();
}

}  // namespace devices
