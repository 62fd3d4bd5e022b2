// kl570 fw as a user runs it: test firmware written by make-components,
// and probe finding a virtual player the way the updater does, on an XP
// machine (pass-through) and on a 98 machine (ASPI), and reporting a
// player in recovery mode as absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "tools/kl570/tests/run_kl570.h"

namespace {

namespace fs = std::filesystem;

using kl570_test::CommandRun;
using kl570_test::JsonValues;
using kl570_test::ReadAll;
using kl570_test::ShellQuoted;

std::string first(const std::string& json, const std::string& key) {
  auto v = JsonValues(json, key);
  return v.empty() ? "<missing " + key + ">" : v[0];
}

// "1.0.0" or "001.000.000" as numbers.
std::string padded(const std::string& version) {
  unsigned a = 0, b = 0, c = 0;
  if (std::sscanf(version.c_str(), "%u.%u.%u", &a, &b, &c) != 3) return "<" + version + ">";
  char text[32];
  std::snprintf(text, sizeof text, "%03u.%03u.%03u", a, b, c);
  return text;
}

class FwCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kl570-fw-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  CommandRun kl570(const std::string& machine, const std::string& args) {
    return kl570_test::Run(std::string(KL570_TOOL) + " --machine " + ShellQuoted(machine) + " " + args);
  }
  std::string machineOf(const std::string& os) {
    std::string machine = (root / os).string();
    CommandRun init = kl570_test::Run(std::string(KL570_TOOL) + " machine init " + ShellQuoted(machine) + " --os " + os);
    EXPECT_EQ(init.status, 0) << init.out;
    return machine;
  }
  std::string machineWithPlayer(const std::string& os, const std::string& mode = "msc") {
    std::string machine = machineOf(os);
    CommandRun add = kl570(machine, "vplayer add --mode " + mode);
    EXPECT_EQ(add.status, 0) << add.out;
    return machine;
  }

  fs::path root;
};

TEST_F(FwCommands, MakeComponentsWritesHeaderMarkerAndImage) {
  std::string machine = machineOf("xp");
  fs::path dir = root / "firmware";
  CommandRun made = kl570(machine, "fw make-components " + ShellQuoted(dir.string()) + " --product 1.2.3 --component 4.5.6");
  ASSERT_EQ(made.status, 0) << made.out;
  for (const char* name : {"bootmanager.sb", "usbmsc.sb", "kvrxsys.sb", "resource.bin"}) {
    SCOPED_TRACE(name);
    std::string file = ReadAll(dir / name);
    std::size_t marker = file.find(std::string("\x1AKVRX", 5));
    ASSERT_NE(marker, std::string::npos);
    std::string header = file.substr(0, marker);
    EXPECT_NE(header.find("Product Version: 1.2.3\n"), std::string::npos);
    EXPECT_NE(header.find("Component Version: 4.5.6\n"), std::string::npos);
    std::istringstream lines(header);
    for (std::string line; std::getline(lines, line);) EXPECT_LT(line.size(), 80u) << line;
    EXPECT_GT(file.size() - marker - 5, 0u);
  }
  EXPECT_EQ(kl570(machine, "fw make-components " + ShellQuoted(dir.string()) + " --product 1.2").status, 2);
}

void expectProbeMatchesPlayer(const std::string& probe, const std::string& show) {
  EXPECT_EQ(first(probe, "found"), "true") << probe;
  EXPECT_EQ(first(probe, "code"), "0");
  EXPECT_EQ(first(probe, "driveLetter"), first(show, "letter"));
  EXPECT_EQ(first(probe, "chipRevision"), first(show, "chipRevision"));
  // The media table as the player reports it, entry for entry.
  for (const char* key : {"number", "type", "tag", "size"}) EXPECT_EQ(JsonValues(probe, key), JsonValues(show, key)) << key;
  EXPECT_EQ(first(probe, "currentVersion"), "001.000.000");
  EXPECT_EQ(first(probe, "upgradeVersion"), "001.001.000");
  std::vector<std::string> current = JsonValues(probe, "current"), upgrade = JsonValues(probe, "upgrade");
  ASSERT_EQ(current.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(current[i], "001.000.000");
    EXPECT_EQ(upgrade[i], "001.001.000");
  }
  std::vector<std::string> shownVersions = JsonValues(show, "componentVersion");
  for (const std::string& v : shownVersions) {
    if (padded(v) != "000.000.000") {
      EXPECT_EQ(padded(v), "001.000.000");
    }
  }
}

TEST_F(FwCommands, ProbeFindsThePlayerOnXpThroughPassThrough) {
  std::string machine = machineWithPlayer("xp");
  fs::path dir = root / "firmware";
  ASSERT_EQ(kl570(machine, "fw make-components " + ShellQuoted(dir.string())).status, 0);
  CommandRun show = kl570(machine, "vplayer show --json");
  ASSERT_EQ(show.status, 0) << show.out;
  CommandRun probe = kl570(machine, "fw probe --json --firmware " + ShellQuoted(dir.string()));
  ASSERT_EQ(probe.status, 0) << probe.out;
  expectProbeMatchesPlayer(probe.out, show.out);

  CommandRun text = kl570(machine, "fw probe --firmware " + ShellQuoted(dir.string()));
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("current 001.000.000  upgrade 001.001.000"), std::string::npos) << text.out;
}

// The updater loads the kit's ASPI layer from its folder; the layer drives
// the player through its own driver, or hands every request to the
// system's ASPI manager when its settings say so.
TEST_F(FwCommands, ProbeFindsThePlayerOn98ThroughAspi) {
  struct Mode {
    const char* aspi;
    const char* manager;
  };
  for (Mode mode : {Mode{"driver", "PYXA ASPI32"}, Mode{"system", "ASPI for WIN32"}}) {
    SCOPED_TRACE(mode.aspi);
    std::string machine = (root / mode.aspi).string();
    CommandRun init =
        kl570_test::Run(std::string(KL570_TOOL) + " machine init " + ShellQuoted(machine) + " --os 98 --aspi " + mode.aspi);
    ASSERT_EQ(init.status, 0) << init.out;
    ASSERT_EQ(kl570(machine, "vplayer add").status, 0);
    fs::path dir = root / "firmware";
    ASSERT_EQ(kl570(machine, "fw make-components " + ShellQuoted(dir.string())).status, 0);
    CommandRun show = kl570(machine, "vplayer show --json");
    ASSERT_EQ(show.status, 0) << show.out;
    CommandRun probe = kl570(machine, "fw probe --json --firmware " + ShellQuoted(dir.string()));
    ASSERT_EQ(probe.status, 0) << probe.out;
    expectProbeMatchesPlayer(probe.out, show.out);
    EXPECT_EQ(first(probe.out, "aspiManager"), mode.manager);
  }
}

TEST_F(FwCommands, PlayerInRecoveryModeIsAbsent) {
  std::string machine = machineWithPlayer("xp", "recovery");
  fs::path dir = root / "firmware";
  ASSERT_EQ(kl570(machine, "fw make-components " + ShellQuoted(dir.string())).status, 0);
  CommandRun probe = kl570(machine, "fw probe --json --firmware " + ShellQuoted(dir.string()));
  EXPECT_EQ(probe.status, 1) << probe.out;
  EXPECT_EQ(first(probe.out, "found"), "false");
  EXPECT_EQ(first(probe.out, "code"), "-22");
  EXPECT_EQ(first(probe.out, "driveLetter"), "null");
  EXPECT_EQ(first(probe.out, "currentVersion"), "000.000.000");
  EXPECT_EQ(first(probe.out, "upgradeVersion"), "001.001.000");
}

TEST_F(FwCommands, ProbeWithoutFirmwareFilesStillReportsThePlayer) {
  std::string machine = machineWithPlayer("xp");
  CommandRun probe = kl570(machine, "fw probe --json");
  ASSERT_EQ(probe.status, 0) << probe.out;
  EXPECT_EQ(first(probe.out, "currentVersion"), "001.000.000");
  EXPECT_EQ(first(probe.out, "upgradeVersion"), "000.000.000");
  for (const std::string& code : JsonValues(probe.out, "fileCode")) EXPECT_EQ(code, "-11");
}

}  // namespace
