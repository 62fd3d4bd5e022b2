#include "platform/media/fake_backend.h"

namespace media {

namespace {

class FakeGraph final : public MediaGraph {
 public:
  explicit FakeGraph(std::optional<double> seconds) : seconds_(seconds) {}
  std::optional<double> durationSeconds() override { return seconds_; }

 private:
  std::optional<double> seconds_;
};

}  // namespace

void FakeMediaBackend::setDuration(const std::string& hostPath, std::optional<double> seconds) {
  std::lock_guard lock(mutex_);
  media_[hostPath] = seconds;
}

void FakeMediaBackend::remove(const std::string& hostPath) {
  std::lock_guard lock(mutex_);
  media_.erase(hostPath);
}

std::unique_ptr<MediaGraph> FakeMediaBackend::openFile(const std::string& hostPath) {
  std::lock_guard lock(mutex_);
  auto found = media_.find(hostPath);
  if (found == media_.end()) return nullptr;
  return std::make_unique<FakeGraph>(found->second);
}

}  // namespace media
