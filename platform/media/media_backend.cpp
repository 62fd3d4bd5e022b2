#include "platform/media/media_backend.h"

#include <atomic>

#include "platform/media/gst_backend.h"

namespace media {

namespace {
std::atomic<MediaBackend*> g_selected{nullptr};
}

MediaBackend& CurrentMediaBackend() {
  MediaBackend* selected = g_selected.load();
  return selected ? *selected : GstreamerBackend();
}

void SelectMediaBackend(MediaBackend* backend) { g_selected.store(backend); }

ScopedMediaBackend::ScopedMediaBackend(MediaBackend& backend) : previous_(g_selected.exchange(&backend)) {}

ScopedMediaBackend::~ScopedMediaBackend() { g_selected.store(previous_); }

}  // namespace media
