#include "platform/media/gst_backend.h"

#include <gst/gst.h>

#include <mutex>

namespace media {

namespace {

// A file that has not prerolled by then is taken as unplayable; a local
// file prerolls in milliseconds.
constexpr GstClockTime kPrerollTimeout = 10 * GST_SECOND;
// Some demuxers post the duration shortly after preroll.
constexpr GstClockTime kDurationTimeout = 1 * GST_SECOND;

bool GstreamerReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    GError* error = nullptr;
    ready = gst_init_check(nullptr, nullptr, &error) != FALSE;
    if (error) g_error_free(error);
    if (!ready) return;
    // MP3 is decoded by mpg123, which honours the encoder's gapless
    // information; libav's decoder would otherwise win the tie of ranks.
    if (GstPluginFeature* mpg123 = gst_registry_lookup_feature(gst_registry_get(), "mpg123audiodec")) {
      gst_plugin_feature_set_rank(mpg123, GST_RANK_PRIMARY + 1);
      gst_object_unref(mpg123);
    }
  });
  return ready;
}

GstElement* MakeQuietSink() {
  GstElement* sink = gst_element_factory_make("fakesink", nullptr);
  if (sink) g_object_set(sink, "sync", FALSE, nullptr);
  return sink;
}

class GstGraph final : public MediaGraph {
 public:
  // Takes the references of a playbin and its bus.
  GstGraph(GstElement* pipeline, GstBus* bus) : pipeline_(pipeline), bus_(bus) {}
  ~GstGraph() override {
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(bus_);
    gst_object_unref(pipeline_);
  }
  GstGraph(const GstGraph&) = delete;
  GstGraph& operator=(const GstGraph&) = delete;

  // Waits until the paused graph is complete; false on an error or when
  // the wait runs out.
  bool waitPrerolled() {
    GstClockTime deadline = gst_util_get_timestamp() + kPrerollTimeout;
    for (;;) {
      GstClockTime now = gst_util_get_timestamp();
      if (now >= deadline) return false;
      GstMessage* message = gst_bus_timed_pop_filtered(
          bus_, deadline - now, static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
      if (!message) return false;
      bool done = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE;
      bool fromPipeline = GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline_);
      gst_message_unref(message);
      if (!done) return false;
      if (fromPipeline) return true;
    }
  }

  std::optional<double> durationSeconds() override {
    if (auto seconds = queryDuration()) return seconds;
    GstMessage* message = gst_bus_timed_pop_filtered(bus_, kDurationTimeout, GST_MESSAGE_DURATION_CHANGED);
    if (!message) return std::nullopt;
    gst_message_unref(message);
    return queryDuration();
  }

 private:
  std::optional<double> queryDuration() {
    gint64 nanoseconds = -1;
    if (!gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &nanoseconds) || nanoseconds < 0) {
      return std::nullopt;
    }
    return static_cast<double>(nanoseconds) / static_cast<double>(GST_SECOND);
  }

  GstElement* pipeline_;
  GstBus* bus_;
};

}  // namespace

std::unique_ptr<MediaGraph> GstMediaBackend::openFile(const std::string& hostPath) {
  if (hostPath.empty() || !GstreamerReady()) return nullptr;
  if (!g_file_test(hostPath.c_str(), G_FILE_TEST_IS_REGULAR)) return nullptr;

  GError* error = nullptr;
  gchar* uri = gst_filename_to_uri(hostPath.c_str(), &error);
  if (error) g_error_free(error);
  if (!uri) return nullptr;

  GstElement* pipeline = gst_element_factory_make("playbin", nullptr);
  GstElement* audioSink = MakeQuietSink();
  GstElement* videoSink = MakeQuietSink();
  if (!pipeline || !audioSink || !videoSink) {
    if (audioSink) gst_object_unref(gst_object_ref_sink(audioSink));
    if (videoSink) gst_object_unref(gst_object_ref_sink(videoSink));
    if (pipeline) gst_object_unref(gst_object_ref_sink(pipeline));
    g_free(uri);
    return nullptr;
  }
  gst_object_ref_sink(pipeline);
  g_object_set(pipeline, "uri", uri, "audio-sink", audioSink, "video-sink", videoSink, nullptr);
  g_free(uri);

  auto graph = std::make_unique<GstGraph>(pipeline, gst_element_get_bus(pipeline));
  switch (gst_element_set_state(pipeline, GST_STATE_PAUSED)) {
    case GST_STATE_CHANGE_FAILURE:
      return nullptr;
    case GST_STATE_CHANGE_ASYNC:
      if (!graph->waitPrerolled()) return nullptr;
      break;
    default:
      break;
  }
  return graph;
}

MediaBackend& GstreamerBackend() {
  static GstMediaBackend backend;
  return backend;
}

}  // namespace media

#if defined(__SANITIZE_ADDRESS__)
// GLib's quark table drops its first block when GStreamer's quarks make it
// grow, on purpose (its readers take no lock). A fast-unwound stack shows
// no more than GLib's allocator for it, so leak checks of builds that use
// GStreamer leave what GLib allocates to GLib.
extern "C" const char* __lsan_default_suppressions() { return "leak:g_malloc\n"; }
#endif
