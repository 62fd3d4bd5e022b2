#include "aspi/tests/support/fake_scsi_volume.h"

#include <algorithm>
#include <cstring>

#include "platform/win/device_namespace.h"

namespace scalinktest {

void VolumeScript::queueLatency(win::DWORD ms) {
  std::lock_guard lock(mutex);
  latencies.push_back(ms);
}

std::vector<win::SCSI_PASS_THROUGH> VolumeScript::headers() {
  std::lock_guard lock(mutex);
  return received;
}

int VolumeScript::openCount() {
  std::lock_guard lock(mutex);
  return opens;
}

int VolumeScript::closeCount() {
  std::lock_guard lock(mutex);
  return closes;
}

FakeScsiVolume::FakeScsiVolume(std::shared_ptr<VolumeScript> script, win::DWORD access, win::DWORD flags)
    : DeviceObject(access, flags), script_(std::move(script)) {
  std::lock_guard lock(script_->mutex);
  ++script_->opens;
}

void FakeScsiVolume::closed() {
  std::lock_guard lock(script_->mutex);
  ++script_->closes;
}

win::DeviceAnswer FakeScsiVolume::control(win::DWORD code, const std::vector<win::BYTE>& in, win::BYTE* out,
                                          win::DWORD outSize, win::DeviceRequest&) {
  if (code == win::IOCTL_SCSI_GET_ADDRESS) {
    if (!script_->answersAddress) return {win::ERROR_INVALID_FUNCTION, 0, 10000};
    if (outSize < sizeof(win::SCSI_ADDRESS)) return {win::ERROR_INSUFFICIENT_BUFFER, 0, 0};
    win::SCSI_ADDRESS address{sizeof(win::SCSI_ADDRESS), script_->address[0], script_->address[1],
                              script_->address[2], script_->address[3]};
    std::memcpy(out, &address, sizeof(address));
    return {win::ERROR_SUCCESS, sizeof(address), 0};
  }
  if (code == win::IOCTL_SCSI_PASS_THROUGH) return passThrough(in, out, outSize);
  return {win::ERROR_INVALID_FUNCTION, 0, 0};
}

win::DeviceAnswer FakeScsiVolume::passThrough(const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize) {
  win::SCSI_PASS_THROUGH header{};
  if (in.size() < sizeof(header) || outSize < sizeof(header)) return {win::ERROR_INVALID_PARAMETER, 0, 0};
  std::memcpy(&header, in.data(), sizeof(header));
  win::DWORD latency = 0;
  {
    std::lock_guard lock(script_->mutex);
    script_->received.push_back(header);
    if (!script_->latencies.empty()) {
      latency = script_->latencies.front();
      script_->latencies.pop_front();
    }
  }
  std::size_t dataEnd = std::size_t{header.DataBufferOffset} + header.DataTransferLength;
  std::size_t senseEnd = std::size_t{header.SenseInfoOffset} + header.SenseInfoLength;
  if (header.CdbLength > 16 || dataEnd > in.size() || dataEnd > outSize || senseEnd > outSize)
    return {win::ERROR_INVALID_PARAMETER, 0, latency};
  devices::ScsiCommand command;
  command.cdb.assign(header.Cdb, header.Cdb + header.CdbLength);
  if (header.DataIn == win::SCSI_IOCTL_DATA_IN) {
    command.direction = devices::DataDirection::In;
    command.data.assign(header.DataTransferLength, 0);
  } else if (header.DataIn == win::SCSI_IOCTL_DATA_OUT) {
    command.direction = devices::DataDirection::Out;
    command.data.assign(in.begin() + header.DataBufferOffset, in.begin() + dataEnd);
  }
  devices::ScsiOutcome outcome = script_->target->execute(command);
  if (outcome.deviceGone) return {win::ERROR_DEVICE_NOT_CONNECTED, 0, latency};
  header.ScsiStatus = outcome.status;
  if (command.direction == devices::DataDirection::In) {
    std::size_t n = std::min(outcome.transferred, command.data.size());
    std::memcpy(out + header.DataBufferOffset, command.data.data(), n);
    header.DataTransferLength = static_cast<win::DWORD>(n);
  }
  std::size_t sense = std::min<std::size_t>(header.SenseInfoLength, outcome.sense.size());
  if (sense) std::memcpy(out + header.SenseInfoOffset, outcome.sense.data(), sense);
  header.SenseInfoLength = static_cast<win::BYTE>(sense);
  std::memcpy(out, &header, sizeof(header));
  return {win::ERROR_SUCCESS, outSize, latency};
}

void RegisterFakeVolume(char letter, std::shared_ptr<VolumeScript> script) {
  win::RegisterDeviceName(std::string{letter, ':'},
                          [script](const win::DeviceOpenRequest& request, win::DWORD&) -> std::shared_ptr<win::DeviceObject> {
                            return std::make_shared<FakeScsiVolume>(script, request.access, request.flags);
                          });
}

}  // namespace scalinktest
