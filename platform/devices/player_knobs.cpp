#include "platform/devices/player_knobs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace devices {
namespace {

bool parseUnsigned(const std::string& text, std::uint64_t limit, std::uint64_t& out) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (errno || *end || v > limit) return false;
  out = v;
  return true;
}

bool parseFlag(const std::string& text, bool& out) {
  if (text == "1" || text == "on" || text == "yes") return out = true, true;
  if (text == "0" || text == "off" || text == "no") return out = false, true;
  return false;
}

std::string hex(unsigned v, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*x", digits, v);
  return buf;
}

}  // namespace

const std::vector<std::string>& KnobNames() {
  static const std::vector<std::string> names = {"table-unreadable", "write-fail",     "vendor-sense",
                                                 "corrupt-readback", "delay-ms",       "vanish-after",
                                                 "media-unusable",   "lock-fail",      "recovery-stall",
                                                 "recovery-delay"};
  return names;
}

bool SetKnob(PlayerKnobs& k, const std::string& name, const std::string& value, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  std::uint64_t n = 0;
  bool flag = false;
  if (name == "table-unreadable" || name == "write-fail" || name == "corrupt-readback" || name == "media-unusable" ||
      name == "lock-fail" || name == "recovery-stall") {
    if (!parseFlag(value, flag)) return fail(name + " takes 0 or 1");
    if (name == "table-unreadable") k.tableUnreadable = flag;
    if (name == "write-fail") k.writeFail = flag;
    if (name == "corrupt-readback") k.corruptReadback = flag;
    if (name == "media-unusable") k.mediaUnusable = flag;
    if (name == "lock-fail") k.lockFail = flag;
    if (name == "recovery-stall") k.recoveryStall = flag;
    return true;
  }
  if (name == "vendor-sense") {
    if (value == "off" || value.empty()) {
      k.vendorSense.reset();
      k.vendorSenseCommand.reset();
      return true;
    }
    std::size_t colon = value.find(':');
    std::uint64_t sub = 0;
    if (!parseUnsigned(value.substr(0, colon), 0xFFFF, n) ||
        (colon != std::string::npos && !parseUnsigned(value.substr(colon + 1), 0xFF, sub)))
      return fail("vendor-sense takes CODE or CODE:SUB (16-bit code, 8-bit sub-command) or off");
    k.vendorSense = static_cast<std::uint16_t>(n);
    if (colon != std::string::npos)
      k.vendorSenseCommand = static_cast<std::uint8_t>(sub);
    else
      k.vendorSenseCommand.reset();
    return true;
  }
  if (name == "vanish-after") {
    if (value == "off" || value.empty()) {
      k.vanishAfter.reset();
      return true;
    }
    if (!parseUnsigned(value, 0xFFFFFFFFu, n)) return fail("vanish-after takes a command count or off");
    k.vanishAfter = static_cast<std::uint32_t>(n);
    return true;
  }
  if (name == "delay-ms" || name == "recovery-delay") {
    if (!parseUnsigned(value, 3600000, n)) return fail(name + " takes milliseconds (up to 3600000)");
    (name == "delay-ms" ? k.delayMs : k.recoveryDelayMs) = static_cast<std::uint32_t>(n);
    return true;
  }
  return fail("unknown knob " + name);
}

std::vector<std::pair<std::string, std::string>> KnobValues(const PlayerKnobs& k) {
  auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
  std::string sense = "off";
  if (k.vendorSense) {
    sense = hex(*k.vendorSense, 4);
    if (k.vendorSenseCommand) sense += ":" + hex(*k.vendorSenseCommand, 2);
  }
  return {{"table-unreadable", flag(k.tableUnreadable)},
          {"write-fail", flag(k.writeFail)},
          {"vendor-sense", sense},
          {"corrupt-readback", flag(k.corruptReadback)},
          {"delay-ms", std::to_string(k.delayMs)},
          {"vanish-after", k.vanishAfter ? std::to_string(*k.vanishAfter) : "off"},
          {"media-unusable", flag(k.mediaUnusable)},
          {"lock-fail", flag(k.lockFail)},
          {"recovery-stall", flag(k.recoveryStall)},
          {"recovery-delay", std::to_string(k.recoveryDelayMs)}};
}

}  // namespace devices
