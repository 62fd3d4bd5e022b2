#include "platform/media/gst_backend.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/media/tests/media_files.h"

namespace {

using mediatest::RunTool;
using mediatest::ScratchFolder;

class GstBackendTest : public testing::Test {
 protected:
  ScratchFolder scratch;
  media::GstMediaBackend backend;
};

TEST_F(GstBackendTest, MeasuresAWavFileExactly) {
  // 66150 frames at 44100 Hz: exactly 1.5 s.
  std::string wav = scratch.path("tone.wav");
  ASSERT_TRUE(RunTool("sox -r 44100 -n -c 2 -b 16 '" + wav + "' synth 66150s sine 440"));
  auto graph = backend.openFile(wav);
  ASSERT_NE(graph, nullptr);
  auto seconds = graph->durationSeconds();
  ASSERT_TRUE(seconds.has_value());
  EXPECT_NEAR(*seconds, 1.5, 1e-6);
}

TEST_F(GstBackendTest, MeasuresAnMp3File) {
  std::string wav = scratch.path("tone.wav");
  std::string mp3 = scratch.path("tone.mp3");
  ASSERT_TRUE(RunTool("sox -r 44100 -n -c 2 -b 16 '" + wav + "' synth 3 sine 440"));
  ASSERT_TRUE(RunTool("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'"));
  auto graph = backend.openFile(mp3);
  ASSERT_NE(graph, nullptr);
  auto seconds = graph->durationSeconds();
  ASSERT_TRUE(seconds.has_value());
  // The encoder adds at most a few frames of delay and padding.
  EXPECT_GT(*seconds, 2.95);
  EXPECT_LT(*seconds, 3.1);
}

TEST_F(GstBackendTest, MeasuresAWmaFile) {
  std::string wav = scratch.path("tone.wav");
  std::string wma = scratch.path("tone.wma");
  ASSERT_TRUE(RunTool("sox -r 44100 -n -c 2 -b 16 '" + wav + "' synth 2.5 sine 440"));
  ASSERT_TRUE(RunTool("ffmpeg -nostdin -y -i '" + wav + "' -c:a wmav2 -b:a 128k '" + wma + "'"));
  auto graph = backend.openFile(wma);
  ASSERT_NE(graph, nullptr);
  auto seconds = graph->durationSeconds();
  ASSERT_TRUE(seconds.has_value());
  EXPECT_NEAR(*seconds, 2.5, 0.1);
}

TEST_F(GstBackendTest, RefusesWhatIsNotAMedium) {
  scratch.write("notes.mp3", std::string(4000, 'x'));
  scratch.write("empty.wav", "");
  std::filesystem::create_directory(scratch.path("folder.wav"));
  for (const char* name : {"notes.mp3", "empty.wav", "folder.wav", "missing.wav"}) {
    EXPECT_EQ(backend.openFile(scratch.path(name)), nullptr) << name;
  }
  EXPECT_EQ(backend.openFile(""), nullptr);
}

TEST_F(GstBackendTest, BuildsGraphsFromSeveralThreadsAtOnce) {
  std::string wav = scratch.path("tone.wav");
  ASSERT_TRUE(RunTool("sox -r 8000 -n -c 1 -b 16 '" + wav + "' synth 8000s sine 440"));
  // Each thread may be the one that initialises GStreamer.
  std::optional<double> seconds[2];
  std::thread first([&] {
    if (auto graph = backend.openFile(wav)) seconds[0] = graph->durationSeconds();
  });
  std::thread second([&] {
    if (auto graph = backend.openFile(wav)) seconds[1] = graph->durationSeconds();
  });
  first.join();
  second.join();
  for (const auto& measured : seconds) {
    ASSERT_TRUE(measured.has_value());
    EXPECT_NEAR(*measured, 1.0, 1e-6);
  }
}

}  // namespace
