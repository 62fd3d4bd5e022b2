// kl570 vplayer as a user runs it: a player put into a machine, shown as
// the machine's files hold it, its knobs set from the command line and
// seen by the player.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "tools/kl570/tests/run_kl570.h"

namespace {

namespace fs = std::filesystem;

using kl570_test::CommandRun;
using kl570_test::JsonValues;
using kl570_test::ReadAll;

class VplayerCommands : public ::testing::Test {
 protected:
  fs::path folder;
  std::string tool() const { return std::string(KL570_TOOL) + " --machine '" + folder.string() + "' "; }
  void SetUp() override {
    char base[] = "/tmp/kl570-vplayer-XXXXXX";
    ASSERT_NE(::mkdtemp(base), nullptr);
    folder = fs::path(base) / "machine";
    ASSERT_EQ(kl570_test::Run(std::string(KL570_TOOL) + " machine init '" + folder.string() + "' --os xp").status, 0);
  }
  void TearDown() override { fs::remove_all(folder.parent_path()); }
};

TEST_F(VplayerCommands, AddShowsTheTableTheFilesHold) {
  CommandRun add = kl570_test::Run(tool() + "vplayer add --size 32M --letter E --firmware 2.3.4");
  ASSERT_EQ(add.status, 0) << add.out;
  CommandRun show = kl570_test::Run(tool() + "vplayer show --json");
  ASSERT_EQ(show.status, 0) << show.out;
  EXPECT_EQ(JsonValues(show.out, "mode"), std::vector<std::string>{"msc"});
  EXPECT_EQ(JsonValues(show.out, "letter"), std::vector<std::string>{"E"});
  EXPECT_EQ(JsonValues(show.out, "number"), (std::vector<std::string>{"0", "1", "2", "3", "4"}));
  EXPECT_EQ(JsonValues(show.out, "type"), (std::vector<std::string>{"1", "0", "1", "1", "1"}));
  EXPECT_EQ(JsonValues(show.out, "tag"), (std::vector<std::string>{"80", "10", "1", "0", "2"}));
  EXPECT_EQ(JsonValues(show.out, "sectorSize"), (std::vector<std::string>{"2048", "512", "2048", "2048", "2048"}));
  EXPECT_EQ(JsonValues(show.out, "productVersion")[3], "002.003.004");
  EXPECT_EQ(JsonValues(show.out, "componentVersion")[1], "000.000.000");
  std::vector<std::string> sizes = JsonValues(show.out, "size");
  std::vector<std::string> files = JsonValues(show.out, "file");
  ASSERT_EQ(files.size(), 5u);
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(fs::file_size(files[i]), std::stoull(sizes[i])) << files[i];
    total += std::stoull(sizes[i]);
  }
  EXPECT_EQ(total, 32u << 20);
  // The machine shows the data folder as the removable drive E:.
  CommandRun machine = kl570_test::Run(tool() + "machine show --json");
  EXPECT_NE(machine.out.find("\"letter\":\"E\",\"folder\":\"" + (folder / "devices/player0/data").string() +
                             "\",\"type\":\"removable\""),
            std::string::npos)
      << machine.out;
}

TEST_F(VplayerCommands, SetKnobsAndState) {
  ASSERT_EQ(kl570_test::Run(tool() + "vplayer add").status, 0);
  EXPECT_EQ(kl570_test::Run(tool() + "vplayer set vendor-sense 0x0401:0x23").status, 0);
  EXPECT_EQ(kl570_test::Run(tool() + "vplayer set delay-ms 40").status, 0);
  std::string ini = ReadAll(folder / "devices/player0/device.ini");
  EXPECT_NE(ini.find("vendor-sense=0x0401:0x23"), std::string::npos);
  EXPECT_NE(ini.find("delay-ms=40"), std::string::npos);
  EXPECT_EQ(kl570_test::Run(tool() + "vplayer set mode recovery").status, 0);
  CommandRun show = kl570_test::Run(tool() + "vplayer show --json");
  EXPECT_EQ(JsonValues(show.out, "mode"), std::vector<std::string>{"recovery"});
  EXPECT_EQ(JsonValues(show.out, "present"), std::vector<std::string>{"false"});
  EXPECT_EQ(kl570_test::Run(tool() + "machine show --json").out.find("devices/player0/data"), std::string::npos);

  struct Bad {
    const char* args;
    int status;
  };
  const Bad bad[] = {{"vplayer set no-such 1", 2},         {"vplayer set write-fail 7", 2},
                     {"vplayer set mode sleepy", 2},       {"vplayer set write-fail 1 --player 3", 1},
                     {"vplayer add --size 1M", 1},         {"vplayer add --size lots", 2},
                     {"vplayer add --letter C", 1},        {"vplayer add --firmware 1.x", 2},
                     {"vplayer show --player 9", 1},       {"vplayer frob", 2}};
  for (const Bad& b : bad) EXPECT_EQ(kl570_test::Run(tool() + b.args).status, b.status) << b.args;
  // The recovering player keeps its letter: the next player takes another.
  ASSERT_EQ(kl570_test::Run(tool() + "vplayer add --size 16M").status, 0);
  CommandRun second = kl570_test::Run(tool() + "vplayer show --json --player 1");
  EXPECT_EQ(JsonValues(second.out, "letter"), std::vector<std::string>{"E"});
}

}  // namespace
