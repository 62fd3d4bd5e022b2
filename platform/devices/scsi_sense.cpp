#include "platform/devices/scsi_sense.h"

namespace devices {

std::vector<std::uint8_t> FixedSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  std::vector<std::uint8_t> s(18, 0);
  s[0] = 0x70;  // current error, fixed format
  s[2] = key;
  s[7] = 10;    // additional length
  s[12] = asc;
  s[13] = ascq;
  return s;
}

std::vector<std::uint8_t> VendorSense(std::uint16_t code) {
  return FixedSense(kSenseVendorSpecific, static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code));
}

ScsiOutcome CheckCondition(std::vector<std::uint8_t> sense) {
  ScsiOutcome o;
  o.status = kScsiCheckCondition;
  o.sense = std::move(sense);
  return o;
}

}  // namespace devices
