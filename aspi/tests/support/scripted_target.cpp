#include "aspi/tests/support/scripted_target.h"

#include <algorithm>
#include <cstring>

namespace scalinktest {

devices::ScsiOutcome ScriptedTarget::execute(devices::ScsiCommand& command) {
  std::lock_guard lock(mutex_);
  commands_.push_back(command);
  devices::ScsiOutcome outcome;
  if (gone_) {
    outcome.deviceGone = true;
    return outcome;
  }
  std::vector<std::uint8_t> answer = data_;
  if (!command.cdb.empty() && command.cdb[0] == 0x12) {
    answer.assign(36, 0);
    answer[1] = 0x80;  // removable
    answer[4] = 31;
    std::memcpy(&answer[8], vendor.data(), std::min<std::size_t>(8, vendor.size()));
    std::memcpy(&answer[16], product.data(), std::min<std::size_t>(16, product.size()));
    std::memcpy(&answer[32], "1.00", 4);
  } else {
    outcome.status = status_;
    outcome.sense = sense_;
  }
  if (command.direction == devices::DataDirection::In) {
    std::size_t n = std::min(answer.size(), command.data.size());
    std::copy_n(answer.begin(), n, command.data.begin());
    outcome.transferred = n;
  } else if (command.direction == devices::DataDirection::Out) {
    outcome.transferred = command.data.size();
  }
  return outcome;
}

void ScriptedTarget::answer(std::uint8_t status, std::vector<std::uint8_t> data, std::vector<std::uint8_t> sense) {
  std::lock_guard lock(mutex_);
  status_ = status;
  data_ = std::move(data);
  sense_ = std::move(sense);
}

std::vector<devices::ScsiCommand> ScriptedTarget::commands() {
  std::lock_guard lock(mutex_);
  return commands_;
}

}  // namespace scalinktest
