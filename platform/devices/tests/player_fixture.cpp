#include "platform/devices/tests/player_fixture.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/devices/virtual_player.h"
#include "platform/win/files.h"
#include "platform/win/ioctl.h"
#include "platform/win/last_error.h"

namespace kltest {

PassThroughResult PassThrough(win::HANDLE device, const std::vector<std::uint8_t>& cdb, std::size_t dataIn,
                              const std::vector<std::uint8_t>& dataOut) {
  std::size_t length = std::max(dataIn, dataOut.size());
  std::vector<std::uint8_t> block(length + 71, 0);
  win::SCSI_PASS_THROUGH h{};
  h.Length = sizeof h;
  h.CdbLength = static_cast<win::BYTE>(cdb.size());
  h.SenseInfoLength = 18;
  h.DataIn = dataOut.empty() ? win::SCSI_IOCTL_DATA_IN : win::SCSI_IOCTL_DATA_OUT;
  h.DataTransferLength = static_cast<win::DWORD>(length);
  h.TimeOutValue = 120;
  h.DataBufferOffset = 70;
  h.SenseInfoOffset = 52;
  std::memcpy(h.Cdb, cdb.data(), std::min<std::size_t>(cdb.size(), 16));
  std::memcpy(block.data(), &h, sizeof h);
  if (!dataOut.empty()) std::memcpy(block.data() + 70, dataOut.data(), dataOut.size());
  win::DWORD returned = 0;
  PassThroughResult r;
  r.ok = win::DeviceIoControl(device, win::IOCTL_SCSI_PASS_THROUGH, block.data(), static_cast<win::DWORD>(block.size()),
                              block.data(), static_cast<win::DWORD>(block.size()), &returned, nullptr);
  if (!r.ok) {
    r.error = win::GetLastError();
    return r;
  }
  std::memcpy(&h, block.data(), sizeof h);
  r.status = h.ScsiStatus;
  r.sense.assign(block.begin() + 52, block.begin() + 52 + h.SenseInfoLength);
  if (dataOut.empty()) r.data.assign(block.begin() + 70, block.begin() + 70 + h.DataTransferLength);
  return r;
}

std::vector<std::uint8_t> VendorCdb(std::initializer_list<std::uint8_t> head) {
  std::vector<std::uint8_t> cdb(head);
  cdb.resize(16, 0);
  return cdb;
}

sim::MachineSpec MachineFor(const std::string& os, double timeScale) {
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs(os);
  spec.settings.timeScale = timeScale;
  return spec;
}

PlayerMachine::PlayerMachine(const std::string& os, devices::PlayerOptions options)
    : machine_(std::make_unique<TempMachine>(MachineFor(os))) {
  std::string error;
  auto folder = devices::AddVirtualPlayer(options, &error);
  if (!folder) throw std::runtime_error(error);
  player_ = *folder;
  letter_ = devices::VirtualPlayer::At(player_)->description().letter;
}

PlayerMachine::~PlayerMachine() = default;

void PlayerMachine::knob(const std::string& name, const std::string& value) const {
  std::string error;
  bool ok = devices::VirtualPlayer::At(player_)->update([&](devices::PlayerDescription& d) {
    if (name == "vanished") d.vanished = value == "1";
    else ASSERT_TRUE(devices::SetKnob(d.knobs, name, value, &error)) << error;
  });
  ASSERT_TRUE(ok);
}

win::HANDLE PlayerMachine::openVolume() const {
  std::string name = std::string("\\\\.\\") + letter_ + ":";
  return win::CreateFileA(name.c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
                          win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING, 0, nullptr);
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace kltest
