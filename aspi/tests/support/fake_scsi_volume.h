// A volume "\\.\X:" of an NT test machine whose SCSI address and
// pass-through the test controls: it reports the address it was given
// (or never answers), runs pass-through requests on a ScriptedTarget, and
// answers each with the latency the test queued for it, so that a later
// request can finish before an earlier one.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "aspi/tests/support/scripted_target.h"
#include "platform/win/device_object.h"
#include "platform/win/ioctl.h"

namespace scalinktest {

struct VolumeScript {
  win::BYTE address[4] = {0, 0, 0, 0};  // port, path, target, LUN
  bool answersAddress = true;
  std::shared_ptr<ScriptedTarget> target = std::make_shared<ScriptedTarget>();

  std::mutex mutex;
  std::deque<win::DWORD> latencies;              // per pass-through request, machine ms
  std::vector<win::SCSI_PASS_THROUGH> received;  // the headers as they came
  int opens = 0;
  int closes = 0;

  void queueLatency(win::DWORD ms);
  std::vector<win::SCSI_PASS_THROUGH> headers();
  int openCount();
  int closeCount();
};

class FakeScsiVolume : public win::DeviceObject {
 public:
  FakeScsiVolume(std::shared_ptr<VolumeScript> script, win::DWORD access, win::DWORD flags);
  win::DeviceAnswer control(win::DWORD code, const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize,
                            win::DeviceRequest& request) override;
  void closed() override;

 private:
  win::DeviceAnswer passThrough(const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize);
  std::shared_ptr<VolumeScript> script_;
};

// Makes "\\.\<letter>:" open a FakeScsiVolume of the script (until the process ends or another registration).
void RegisterFakeVolume(char letter, std::shared_ptr<VolumeScript> script);

}  // namespace scalinktest
