// A SCSI target for the layer's tests: answers INQUIRY with the player's
// identification and every other command with what the test set up, and
// keeps the commands it was given.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/devices/scsi_target.h"

namespace scalinktest {

class ScriptedTarget : public devices::ScsiTarget {
 public:
  devices::ScsiOutcome execute(devices::ScsiCommand& command) override;

  // What commands other than INQUIRY answer.
  void answer(std::uint8_t status, std::vector<std::uint8_t> data = {}, std::vector<std::uint8_t> sense = {});
  void vanish() { gone_ = true; }
  std::vector<devices::ScsiCommand> commands();

  std::string vendor = "ORNEX   ";
  std::string product = "KL570           ";

 private:
  std::mutex mutex_;
  std::vector<devices::ScsiCommand> commands_;
  std::uint8_t status_ = devices::kScsiGood;
  std::vector<std::uint8_t> data_, sense_;
  bool gone_ = false;
};

}  // namespace scalinktest
