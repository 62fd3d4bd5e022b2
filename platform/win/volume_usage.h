// What a drive with a simulated capacity holds: the bytes of its files,
// each rounded up to whole clusters, so that free space and writes can
// honour the capacity. Counted by walking the drive's folder, kept for a
// moment and moved by this process's own writes and deletions.
#pragma once

#include <cstdint>

#include "platform/win/machine.h"

namespace win {

constexpr std::uint32_t kSimulatedBytesPerSector = 512;
constexpr std::uint32_t kSimulatedSectorsPerCluster = 8;
constexpr std::uint64_t kSimulatedClusterBytes = kSimulatedBytesPerSector * kSimulatedSectorsPerCluster;

std::uint64_t ClusterRounded(std::uint64_t bytes);
std::uint64_t UsedBytes(const DriveMapping& drive);
// Free bytes of a drive with a capacity (0 when full).
std::uint64_t SimulatedFreeBytes(const DriveMapping& drive);
// Records that a file of this drive grew (positive) or shrank by `clusterBytes`.
void AdjustUsedBytes(const DriveMapping& drive, std::int64_t clusterBytes);

}  // namespace win
