#include "music/core/media_duration.h"

#include <cmath>
#include <limits>

#include "platform/media/media_backend.h"
#include "platform/win/paths.h"

namespace virelo {

std::optional<std::int32_t> mediaDurationMs(const std::string& path) {
  std::string hostPath = win::HostPathOf(path);
  if (hostPath.empty()) return std::nullopt;
  std::unique_ptr<media::MediaGraph> graph = media::CurrentMediaBackend().openFile(hostPath);
  if (!graph) return std::nullopt;
  std::optional<double> seconds = graph->durationSeconds();
  if (!seconds) return std::nullopt;
  double milliseconds = std::trunc(*seconds * 1000.0);
  // The negated test also refuses NaN.
  if (!(milliseconds >= 0.0) || milliseconds > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(milliseconds);
}

}  // namespace virelo
