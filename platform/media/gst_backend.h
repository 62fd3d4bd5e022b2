// The media backend over GStreamer 1.x: a playbin per medium, its outputs
// sent to fakesinks while nothing is meant to be heard.
#pragma once

#include "platform/media/media_backend.h"

namespace media {

class GstMediaBackend final : public MediaBackend {
 public:
  // Prerolls the file to PAUSED and waits (bounded) until the graph is
  // built or fails.
  std::unique_ptr<MediaGraph> openFile(const std::string& hostPath) override;
};

// The process's one GStreamer backend; GStreamer is initialised at its
// first use.
MediaBackend& GstreamerBackend();

}  // namespace media
