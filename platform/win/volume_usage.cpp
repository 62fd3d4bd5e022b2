#include "platform/win/volume_usage.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>

namespace win {
namespace {

struct Usage {
  std::uint64_t bytes = 0;
  std::chrono::steady_clock::time_point counted;
};

std::mutex& usageMutex() {
  static std::mutex& m = *new std::mutex;
  return m;
}
std::map<std::string, Usage>& usageCache() {
  static std::map<std::string, Usage>& cache = *new std::map<std::string, Usage>;
  return cache;
}

std::uint64_t walk(const std::string& folder) {
  std::uint64_t total = 0;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code sizeError;
    if (it->is_regular_file(sizeError)) {
      std::uintmax_t size = it->file_size(sizeError);
      if (!sizeError) total += ClusterRounded(size);
    }
  }
  return total;
}

constexpr auto kRecount = std::chrono::seconds(1);

}  // namespace

std::uint64_t ClusterRounded(std::uint64_t bytes) {
  return (bytes + kSimulatedClusterBytes - 1) / kSimulatedClusterBytes * kSimulatedClusterBytes;
}

std::uint64_t UsedBytes(const DriveMapping& drive) {
  auto now = std::chrono::steady_clock::now();
  {
    std::lock_guard lock(usageMutex());
    auto it = usageCache().find(drive.hostFolder);
    if (it != usageCache().end() && now - it->second.counted < kRecount) return it->second.bytes;
  }
  std::uint64_t bytes = walk(drive.hostFolder);
  std::lock_guard lock(usageMutex());
  usageCache()[drive.hostFolder] = Usage{bytes, now};
  return bytes;
}

std::uint64_t SimulatedFreeBytes(const DriveMapping& drive) {
  if (!drive.capacity) return 0;
  std::uint64_t used = UsedBytes(drive);
  return used >= *drive.capacity ? 0 : *drive.capacity - used;
}

void AdjustUsedBytes(const DriveMapping& drive, std::int64_t clusterBytes) {
  if (!drive.capacity) return;
  std::lock_guard lock(usageMutex());
  auto it = usageCache().find(drive.hostFolder);
  if (it == usageCache().end()) return;
  std::int64_t v = static_cast<std::int64_t>(it->second.bytes) + clusterBytes;
  it->second.bytes = v < 0 ? 0 : static_cast<std::uint64_t>(v);
}

}  // namespace win
