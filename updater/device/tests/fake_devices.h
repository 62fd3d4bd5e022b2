// Devices for the transport tests, registered under the names the
// transports open: a player volume that takes pass-through requests and
// volume control codes, vwin32 taking DOS IOCTLs, a recovery-mode device,
// and a small player target answering the commands discovery sends.
#pragma once

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/devices/scsi_target.h"
#include "platform/win/address32.h"
#include "platform/win/device_namespace.h"
#include "platform/win/ioctl.h"

namespace pendrel::test {

using Bytes = std::vector<std::uint8_t>;

// Answers INQUIRY with a vendor and product, media-info 9 with `usable`,
// the chip revision, and anything else from `other`.
struct PlayerTarget : devices::ScsiTarget {
  std::string vendor = "ORNEX   ", product = "KL570           ";
  char revision = '1';
  std::uint8_t usable = 1;
  std::function<devices::ScsiOutcome(devices::ScsiCommand&)> other;
  std::atomic<int> commands{0};

  devices::ScsiOutcome execute(devices::ScsiCommand& c) override {
    ++commands;
    devices::ScsiOutcome outcome;
    if (c.cdb.empty()) return outcome;
    if (c.cdb[0] == 0x12) {
      Bytes answer(96, 0);
      std::memcpy(&answer[8], vendor.data(), std::min<std::size_t>(8, vendor.size()));
      std::memcpy(&answer[16], product.data(), std::min<std::size_t>(16, product.size()));
      answer[32] = static_cast<std::uint8_t>(revision);
      return give(c, answer);
    }
    if (c.cdb[0] == 0xC0 && c.cdb.size() > 2 && c.cdb[1] == 0x02 && c.cdb[2] == 9) return give(c, {usable});
    if (other) return other(c);
    return give(c, {});
  }
  static devices::ScsiOutcome give(devices::ScsiCommand& c, const Bytes& answer) {
    devices::ScsiOutcome outcome;
    std::size_t n = std::min(answer.size(), c.data.size());
    std::copy(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(n), c.data.begin());
    outcome.transferred = n;
    return outcome;
  }
  static devices::ScsiOutcome checkCondition(Bytes sense) {
    devices::ScsiOutcome outcome;
    outcome.status = devices::kScsiCheckCondition;
    outcome.sense = std::move(sense);
    return outcome;
  }
};

// What a volume was asked and how it answers.
struct VolumeState {
  std::shared_ptr<devices::ScsiTarget> target;
  int lockFailures = 0, unlockFailures = 0, dismountFailures = 0;  // attempts that fail first
  std::atomic<int> lockAttempts{0}, unlockAttempts{0}, dismountAttempts{0};
  std::function<void()> beforeAnswer;  // runs on the pass-through worker before it answers
  // Any other control code: geometry and layout requests.
  std::function<win::DeviceAnswer(win::DWORD, const std::vector<win::BYTE>&, win::BYTE*, win::DWORD)> otherControl;
  std::vector<win::DWORD> controlCodes;  // every control code, in order
  bool gone = false;                   // the device vanished
  Bytes lastBlock;                     // the last pass-through request block as sent
  Bytes sectors;                       // what ReadFile and WriteFile reach
  std::uint64_t lastOffset = 0;
  std::mutex mutex;
};

class FakeVolume : public win::DeviceObject {
 public:
  FakeVolume(win::DWORD access, win::DWORD flags, std::shared_ptr<VolumeState> state)
      : DeviceObject(access, flags), state_(std::move(state)) {}

  win::DeviceAnswer control(win::DWORD code, const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize,
                            win::DeviceRequest&) override {
    {
      std::lock_guard lock(state_->mutex);
      state_->controlCodes.push_back(code);
    }
    switch (code) {
      case win::FSCTL_LOCK_VOLUME: return attempt(state_->lockAttempts, state_->lockFailures);
      case win::FSCTL_UNLOCK_VOLUME: return attempt(state_->unlockAttempts, state_->unlockFailures);
      case win::FSCTL_DISMOUNT_VOLUME: return attempt(state_->dismountAttempts, state_->dismountFailures);
      case win::IOCTL_SCSI_PASS_THROUGH: return passThrough(in, out, outSize);
      default:
        if (state_->otherControl) return state_->otherControl(code, in, out, outSize);
        return {win::ERROR_INVALID_FUNCTION, 0, 0};
    }
  }
  win::DeviceAnswer read(std::uint64_t offset, win::BYTE* data, win::DWORD size, win::DeviceRequest&) override {
    std::lock_guard lock(state_->mutex);
    state_->lastOffset = offset;
    if (offset + size > state_->sectors.size()) return {win::ERROR_SECTOR_NOT_FOUND, 0, 0};
    if (size) std::memcpy(data, state_->sectors.data() + offset, size);
    return {win::ERROR_SUCCESS, size, 0};
  }
  win::DeviceAnswer write(std::uint64_t offset, const win::BYTE* data, win::DWORD size,
                          win::DeviceRequest&) override {
    std::lock_guard lock(state_->mutex);
    state_->lastOffset = offset;
    if (offset + size > state_->sectors.size()) return {win::ERROR_SECTOR_NOT_FOUND, 0, 0};
    if (size) std::memcpy(state_->sectors.data() + offset, data, size);
    return {win::ERROR_SUCCESS, size, 0};
  }

 private:
  static win::DeviceAnswer attempt(std::atomic<int>& attempts, int failures) {
    return ++attempts > failures ? win::DeviceAnswer{} : win::DeviceAnswer{win::ERROR_ACCESS_DENIED, 0, 0};
  }
  win::DeviceAnswer passThrough(const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize) {
    {
      std::lock_guard lock(state_->mutex);
      state_->lastBlock = in;
    }
    if (state_->beforeAnswer) state_->beforeAnswer();
    if (state_->gone) return {win::ERROR_DEVICE_NOT_CONNECTED, 0, 0};
    win::SCSI_PASS_THROUGH h{};
    if (in.size() < sizeof h || outSize < in.size()) return {win::ERROR_INVALID_PARAMETER, 0, 0};
    std::memcpy(&h, in.data(), sizeof h);
    if (h.Length != sizeof h || h.CdbLength > 16 || h.DataBufferOffset > in.size() ||
        h.DataTransferLength > in.size() - h.DataBufferOffset || h.SenseInfoOffset > in.size() ||
        h.SenseInfoLength > in.size() - h.SenseInfoOffset)
      return {win::ERROR_INVALID_PARAMETER, 0, 0};
    devices::ScsiCommand command;
    command.cdb.assign(h.Cdb, h.Cdb + h.CdbLength);
    command.direction = h.DataIn == win::SCSI_IOCTL_DATA_IN ? devices::DataDirection::In : devices::DataDirection::Out;
    command.data.assign(in.begin() + h.DataBufferOffset, in.begin() + h.DataBufferOffset + h.DataTransferLength);
    devices::ScsiOutcome outcome = state_->target->execute(command);
    std::memcpy(out, in.data(), in.size());
    h.ScsiStatus = outcome.status;
    std::size_t moved = std::min(command.data.size(), outcome.transferred);
    if (command.direction == devices::DataDirection::In && moved)
      std::memcpy(out + h.DataBufferOffset, command.data.data(), moved);
    std::size_t sense = std::min<std::size_t>(outcome.sense.size(), h.SenseInfoLength);
    if (sense) std::memcpy(out + h.SenseInfoOffset, outcome.sense.data(), sense);
    h.SenseInfoLength = static_cast<win::BYTE>(sense);
    h.DataTransferLength = static_cast<win::DWORD>(outcome.transferred);
    std::memcpy(out, &h, sizeof h);
    return {win::ERROR_SUCCESS, static_cast<win::DWORD>(in.size()), 0};
  }

  std::shared_ptr<VolumeState> state_;
};

// Registers a fake under a device name for the life of the object.
class RegisteredDevice {
 public:
  template <typename Make>
  RegisteredDevice(std::string name, Make make) : name_(std::move(name)) {
    win::RegisterDeviceName(name_, [make](const win::DeviceOpenRequest& request, win::DWORD& error) {
      return make(request, error);
    });
  }
  ~RegisteredDevice() { win::UnregisterDeviceName(name_); }
  RegisteredDevice(const RegisteredDevice&) = delete;
  RegisteredDevice& operator=(const RegisteredDevice&) = delete;

 private:
  std::string name_;
};

inline std::unique_ptr<RegisteredDevice> RegisterVolume(const std::string& name, std::shared_ptr<VolumeState> state) {
  return std::make_unique<RegisteredDevice>(
      name, [state](const win::DeviceOpenRequest& request, win::DWORD&) -> std::shared_ptr<win::DeviceObject> {
        return std::make_shared<FakeVolume>(request.access, request.flags, state);
      });
}

}  // namespace pendrel::test
