// Fixed-format sense data (18 bytes) and the outcomes that carry it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/devices/scsi_target.h"

namespace devices {

constexpr std::uint8_t kSenseNotReady = 0x02;
constexpr std::uint8_t kSenseMediumError = 0x03;
constexpr std::uint8_t kSenseIllegalRequest = 0x05;
constexpr std::uint8_t kSenseVendorSpecific = 0x09;

constexpr std::uint8_t kAscInvalidOpcode = 0x20;
constexpr std::uint8_t kAscLbaOutOfRange = 0x21;
constexpr std::uint8_t kAscInvalidFieldInCdb = 0x24;
constexpr std::uint8_t kAscWriteError = 0x0C;
constexpr std::uint8_t kAscMediumNotPresent = 0x3A;

std::vector<std::uint8_t> FixedSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
// Sense key 9 with the 16-bit vendor code big-endian in bytes 12 and 13.
std::vector<std::uint8_t> VendorSense(std::uint16_t code);

ScsiOutcome CheckCondition(std::vector<std::uint8_t> sense);
inline ScsiOutcome IllegalRequest(std::uint8_t asc) { return CheckCondition(FixedSense(kSenseIllegalRequest, asc, 0)); }

}  // namespace devices
