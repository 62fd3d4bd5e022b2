// The list file of a full library: 32,767 songs (the 16-bit limit) with
// 200 user lists of 100 members each, and the title, artist, album and genre
// groups their tags make. Targets: a load within 150 ms, a save within 50 ms.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "music/core/library_services.h"
#include "music/core/list_file.h"
#include "music/core/music_collection.h"
#include "platform/testing/temp_machine.h"
#include "platform/win/machine.h"

namespace {

using virelo::CollectionKind;
using virelo::MusicCollection;
using virelo::SongRecord;

const std::string kProgramFolder = "C:\\Virelo\\";
constexpr int kSongs = MusicCollection::kMaxListFileSongs;
constexpr int kLists = 200;
constexpr int kListMembers = 100;
// The songs' paths name this many files, so that the PC library's check
// for files that are gone finds every one of them.
constexpr int kSongFiles = 64;

class Services : public virelo::LibraryServices {
 public:
  const char* text(int) const override { return "text"; }
  bool autoDownloadLyrics() const override { return false; }
  std::string nowPlayingPath() const override { return {}; }
  void stopPlayback() override {}
};

void putText(char (&field)[32], const std::string& text) {
  std::size_t n = std::min<std::size_t>(text.size(), virelo::kTagTextLimit);
  text.copy(field, n);
}

SongRecord songRecord(int i, bool onPlayer) {
  SongRecord r{};
  std::string folder = onPlayer ? "E:\\SYSTEM\\MP3\\" : "C:\\Music\\";
  std::string path = folder + "song" + std::to_string(i % kSongFiles) + ".mp3";
  path.copy(r.path, path.size());
  r.nameOffset = static_cast<std::uint8_t>(folder.size());
  r.fileNumber = onPlayer ? i + 1 : 0;
  putText(r.title, "Title " + std::to_string(i));
  putText(r.artist, "Artist " + std::to_string(i % 2000));
  putText(r.album, "Album " + std::to_string(i % 3000));
  r.genre = i % 149 - 1;
  r.durationMs = 180000 + i;
  r.bitRate = 128000;
  r.sampleRate = 44100;
  r.fileSize = 4000000 + i;
  return r;
}

// A machine with both list files written once.
struct Library {
  Library() : machine(spec()) {
    win::SetProgramIdentity("Virelo");
    machine.writeFile(kProgramFolder + "Virelo.exe", "MZ");
    for (int f = 0; f < kSongFiles; ++f) machine.writeFile("C:\\Music\\song" + std::to_string(f) + ".mp3", "audio");
    pc = fill(CollectionKind::PcLibrary, false);
    player = fill(CollectionKind::DiskPlayer, true);
  }

  static sim::MachineSpec spec() {
    sim::MachineSpec s;
    sim::DriveSpec e;
    e.letter = 'E';
    e.type = win::DRIVE_REMOVABLE;
    s.drives.push_back(e);
    s.programs.push_back({"Virelo", kProgramFolder + "Virelo.exe", ""});
    return s;
  }

  std::unique_ptr<MusicCollection> fill(CollectionKind kind, bool onPlayer) {
    auto c = std::make_unique<MusicCollection>(services);
    c->setup(kind, 'E');
    for (int i = 0; i < kSongs; ++i) c->addSong(songRecord(i, onPlayer), nullptr, false);
    for (int l = 0; l < kLists; ++l) {
      virelo::SongGroup* list = c->addList("List " + std::to_string(l));
      for (int m = 0; m < kListMembers; ++m) list->add(c->songAt((l * 7919 + m * 104729) % kSongs));
    }
    c->save();
    return c;
  }

  kltest::TempMachine machine;
  Services services;
  std::unique_ptr<MusicCollection> pc;
  std::unique_ptr<MusicCollection> player;
};

Library& library() {
  static Library l;
  return l;
}

void BM_SavePcLibrary(benchmark::State& state) {
  Library& l = library();
  for (auto _ : state)
    if (!l.pc->save()) state.SkipWithError("save failed");
}
BENCHMARK(BM_SavePcLibrary)->Unit(benchmark::kMillisecond);

void BM_SaveDiskPlayer(benchmark::State& state) {
  Library& l = library();
  for (auto _ : state)
    if (!l.player->save()) state.SkipWithError("save failed");
}
BENCHMARK(BM_SaveDiskPlayer)->Unit(benchmark::kMillisecond);

// The bytes alone, without the file system.
void BM_BuildListFile(benchmark::State& state) {
  Library& l = library();
  const virelo::GroupChain* sections[virelo::kListFileSections] = {
      &l.pc->chain(virelo::GroupKind::UserList), &l.pc->chain(virelo::GroupKind::Title),
      &l.pc->chain(virelo::GroupKind::Artist), &l.pc->chain(virelo::GroupKind::Album),
      &l.pc->chain(virelo::GroupKind::Genre)};
  for (auto _ : state) benchmark::DoNotOptimize(virelo::buildListFile(l.pc->allSongs(), sections));
}
BENCHMARK(BM_BuildListFile)->Unit(benchmark::kMillisecond);

// With the check of all 32,767 song files.
void BM_LoadPcLibrary(benchmark::State& state) {
  Library& l = library();
  for (auto _ : state) {
    MusicCollection c(l.services);
    c.setup(CollectionKind::PcLibrary, 'C');
    c.load("PC");
    if (c.songCount() != kSongs) state.SkipWithError("songs lost");
  }
}
BENCHMARK(BM_LoadPcLibrary)->Unit(benchmark::kMillisecond);

void BM_LoadDiskPlayer(benchmark::State& state) {
  Library& l = library();
  for (auto _ : state) {
    MusicCollection c(l.services);
    c.setup(CollectionKind::DiskPlayer, 'E');
    c.load("KL570");
    if (c.songCount() != kSongs) state.SkipWithError("songs lost");
  }
}
BENCHMARK(BM_LoadDiskPlayer)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
