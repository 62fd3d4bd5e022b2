// The fault knobs of the virtual player, kept in the [Knobs] section of its
// device.ini and set with `kl570 vplayer set KNOB VALUE`:
//
//   table-unreadable 0|1   C0 05 (the media table) answers vendor sense 0x0201
//   write-fail 0|1         WRITE(10), C1 23 and recovery writes fail
//                          (medium error 03/0C/00; the recovery write with
//                          ERROR_GEN_FAILURE); nothing is written
//   vendor-sense CODE[:SUB]  every vendor command (C0/C1; with :SUB only the
//                          one whose CDB byte 1 is SUB) answers a check
//                          condition with sense key 9 and CODE in sense
//                          bytes 12-13; "off" clears it
//   corrupt-readback 0|1   READ(10) and C0 13 flip the lowest bit of the
//                          first byte they answer
//   delay-ms N             every command (and recovery write) takes N ms of
//                          machine time
//   vanish-after N|off     N more commands are answered (counting those a
//                          volume handle sends itself: opening one reads the
//                          capacity and the boot record), then the player is
//                          gone (its drive letter too) until `vanished 0`
//   vanished 0|1           the player is unplugged / plugged in again
//   media-unusable 0|1     media-info type 9 answers 0
//   lock-fail 0|1          volume locks (FSCTL_LOCK_VOLUME, DOS lock) are refused
//   recovery-stall 0|1     recovery writes never complete until cancelled
//   recovery-delay MS      machine time from the end of a recovery download
//                          until the player shows up as a disk (default 2000)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace devices {

struct PlayerKnobs {
  bool tableUnreadable = false;
  bool writeFail = false;
  std::optional<std::uint16_t> vendorSense;
  std::optional<std::uint8_t> vendorSenseCommand;  // CDB byte 1 it is limited to
  bool corruptReadback = false;
  std::uint32_t delayMs = 0;
  std::optional<std::uint32_t> vanishAfter;
  bool mediaUnusable = false;
  bool lockFail = false;
  bool recoveryStall = false;
  std::uint32_t recoveryDelayMs = 2000;
};

// The knob names, in the order above (without "vanished", which is state).
const std::vector<std::string>& KnobNames();
// false with a message for an unknown knob or a value it does not take.
bool SetKnob(PlayerKnobs& knobs, const std::string& name, const std::string& value, std::string* error);
// Every knob with its value as SetKnob takes it back.
std::vector<std::pair<std::string, std::string>> KnobValues(const PlayerKnobs& knobs);

}  // namespace devices
