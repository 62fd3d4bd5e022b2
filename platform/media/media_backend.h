// The media graph: what the programs build for one medium in place of a
// DirectShow filter graph. A backend renders a file into a graph that is
// built but not running; the graph answers what is known of the medium.
// Playing (run, pause, seek, volume, events) grows on the same graph.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace media {

// One rendered medium. It exists only built; nothing plays until asked.
class MediaGraph {
 public:
  virtual ~MediaGraph() = default;
  // Playing time in seconds; nullopt when the medium does not tell it.
  virtual std::optional<double> durationSeconds() = 0;
};

class MediaBackend {
 public:
  virtual ~MediaBackend() = default;
  // Renders the file at a host path (UTF-8) without running it.
  // nullptr when the file cannot be rendered (missing, not a medium,
  // no decoder). Safe to call from any thread.
  virtual std::unique_ptr<MediaGraph> openFile(const std::string& hostPath) = 0;
};

// The backend of this process: GStreamer unless one was selected.
MediaBackend& CurrentMediaBackend();
// Selects a backend for the whole process (tests); nullptr goes back to
// GStreamer. The caller keeps the backend alive while it is selected.
void SelectMediaBackend(MediaBackend* backend);

// Selects a backend while the object lives, then restores the one before.
class ScopedMediaBackend {
 public:
  explicit ScopedMediaBackend(MediaBackend& backend);
  ~ScopedMediaBackend();
  ScopedMediaBackend(const ScopedMediaBackend&) = delete;
  ScopedMediaBackend& operator=(const ScopedMediaBackend&) = delete;

 private:
  MediaBackend* previous_;
};

}  // namespace media
