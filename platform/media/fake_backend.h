// A media backend for tests: the test says which host paths are media and
// how long each plays; every other path fails to render.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/media/media_backend.h"

namespace media {

class FakeMediaBackend final : public MediaBackend {
 public:
  // Makes hostPath a medium of the given playing time; nullopt makes it a
  // medium that renders but does not tell its duration.
  void setDuration(const std::string& hostPath, std::optional<double> seconds);
  void remove(const std::string& hostPath);

  std::unique_ptr<MediaGraph> openFile(const std::string& hostPath) override;

 private:
  std::mutex mutex_;
  std::map<std::string, std::optional<double>> media_;
};

}  // namespace media
