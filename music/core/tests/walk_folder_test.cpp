#include "music/core/walk_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>

#include "platform/testing/temp_machine.h"

namespace {

using virelo::WalkFolder;
using virelo::WalkResult;

// Records what the walk reports, and can act on it (set the cancel flag).
class RecordingProgress : public virelo::WalkProgress {
 public:
  std::vector<std::string> events;
  std::function<void(const std::string&)> onEvent;

  void folderEntered(const std::string& folderPath) override { note("folder " + folderPath); }
  void fileSeen(const std::string& fileName) override { note("file " + fileName); }

 private:
  void note(const std::string& event) {
    events.push_back(event);
    if (onEvent) onEvent(event);
  }
};

std::vector<std::string> Sorted(std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end());
  return paths;
}

class WalkFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* path : {"C:\\tree\\a.MP3", "C:\\tree\\b.mp3", "C:\\tree\\c.wav", "C:\\tree\\d.mp3\\e.mp3"}) {
      machine.writeFile(path, "x");
    }
  }

  kltest::TempMachine machine;
  std::atomic<bool> cancel{false};
  const std::vector<std::string> mp3Only{".mp3"};
};

TEST_F(WalkFolderTest, AcceptsTheExtensionInAnyCaseAndNeverASubFolder) {
  WalkResult result = WalkFolder("C:\\tree", &mp3Only, cancel, nullptr);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(Sorted(result.paths),
            (std::vector<std::string>{"C:\\tree\\a.MP3", "C:\\tree\\b.mp3", "C:\\tree\\d.mp3\\e.mp3"}));
}

TEST_F(WalkFolderTest, WithoutAListTakesEveryFile) {
  WalkResult result = WalkFolder("C:\\tree\\", nullptr, cancel, nullptr);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(Sorted(result.paths), (std::vector<std::string>{"C:\\tree\\a.MP3", "C:\\tree\\b.mp3", "C:\\tree\\c.wav",
                                                            "C:\\tree\\d.mp3\\e.mp3"}));
}

TEST_F(WalkFolderTest, ComparesOnlyTheTextFromTheLastDot) {
  machine.writeFile("C:\\odd\\song.mp3.txt", "x");
  machine.writeFile("C:\\odd\\mp3", "x");
  machine.writeFile("C:\\odd\\x.wav.Mp3", "x");
  const std::vector<std::string> several{".wma", ".mp3"};
  WalkResult result = WalkFolder("C:\\odd", &several, cancel, nullptr);
  EXPECT_EQ(result.paths, (std::vector<std::string>{"C:\\odd\\x.wav.Mp3"}));
}

TEST_F(WalkFolderTest, ReportsEachFolderBeforeWhatItHolds) {
  RecordingProgress progress;
  WalkFolder("C:\\tree", &mp3Only, cancel, &progress);
  std::vector<std::string> expected{"file a.MP3", "file b.mp3", "file c.wav", "folder C:\\tree\\d.mp3\\",
                                    "file e.mp3"};
  EXPECT_EQ(Sorted(progress.events), Sorted(expected));
  // Depth first: the sub-folder's only file comes right after it.
  auto folder = std::find(progress.events.begin(), progress.events.end(), "folder C:\\tree\\d.mp3\\");
  ASSERT_NE(folder, progress.events.end());
  ASSERT_NE(folder + 1, progress.events.end());
  EXPECT_EQ(*(folder + 1), "file e.mp3");
}

TEST_F(WalkFolderTest, ACancelDuringTheWalkKeepsWhatWasFound) {
  RecordingProgress progress;
  progress.onEvent = [&](const std::string& event) {
    if (event.rfind("file ", 0) == 0) cancel = true;
  };
  WalkResult result = WalkFolder("C:\\tree", nullptr, cancel, &progress);
  EXPECT_FALSE(result.completed);
  // Everything up to the first file: the walk looked at nothing after it.
  ASSERT_FALSE(progress.events.empty());
  std::string firstFile = progress.events.back().substr(5);
  EXPECT_EQ(std::count_if(progress.events.begin(), progress.events.end(),
                          [](const std::string& e) { return e.rfind("file ", 0) == 0; }),
            1);
  ASSERT_EQ(result.paths.size(), 1u);
  EXPECT_TRUE(result.paths[0].ends_with("\\" + firstFile)) << result.paths[0];
}

TEST_F(WalkFolderTest, ACancelInsideASubFolderStopsTheWholeWalk) {
  machine.writeFile("C:\\deep\\sub\\inner.mp3", "x");
  RecordingProgress progress;
  progress.onEvent = [&](const std::string& event) {
    if (event == "folder C:\\deep\\sub\\") cancel = true;
  };
  WalkResult result = WalkFolder("C:\\deep", nullptr, cancel, &progress);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(progress.events, (std::vector<std::string>{"folder C:\\deep\\sub\\"}));
  EXPECT_TRUE(result.paths.empty());
}

TEST_F(WalkFolderTest, AMissingStartFolderGivesAnEmptyCompletedWalk) {
  for (const char* start : {"C:\\nowhere", "C:\\tree\\a.MP3\\", "Q:\\", ""}) {
    WalkResult result = WalkFolder(start, nullptr, cancel, nullptr);
    EXPECT_TRUE(result.completed) << start;
    EXPECT_TRUE(result.paths.empty()) << start;
  }
}

TEST_F(WalkFolderTest, WalksADriveRoot) {
  WalkResult result = WalkFolder("C:\\", &mp3Only, cancel, nullptr);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(Sorted(result.paths),
            (std::vector<std::string>{"C:\\tree\\a.MP3", "C:\\tree\\b.mp3", "C:\\tree\\d.mp3\\e.mp3"}));
}

}  // namespace
