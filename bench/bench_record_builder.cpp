// The record builder over a folder of 2,000 tagged CBR MP3 files, as a
// library scan or a flash player's load meets them. Target: at least
// 1,000 files per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "music/core/record_builder.h"
#include "platform/testing/temp_machine.h"

namespace {

constexpr int kFileCount = 2000;

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string SyncSafe(std::size_t value) {
  std::string bytes;
  for (int shift = 21; shift >= 0; shift -= 7) bytes += static_cast<char>((value >> shift) & 0x7F);
  return bytes;
}

std::string BigEndian32(std::size_t value) {
  std::string bytes;
  for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 0xFF);
  return bytes;
}

// An ID3v2.3 tag of ISO-8859-1 text frames, with the padding taggers leave.
std::string Id3v2Tag(const std::vector<std::pair<std::string, std::string>>& frames) {
  std::string body;
  for (const auto& [id, text] : frames) {
    std::string data = std::string(1, '\0') + text;
    body += id + BigEndian32(data.size()) + std::string(2, '\0') + data;
  }
  body += std::string(1024, '\0');
  return std::string("ID3\x03\x00\x00", 6) + SyncSafe(body.size()) + body;
}

std::string Id3v1Tag(const std::string& title, int genre) {
  std::string tag(128, '\0');
  tag.replace(0, 3, "TAG");
  tag.replace(3, std::min<std::size_t>(title.size(), 30), title, 0, 30);
  tag[127] = static_cast<char>(genre);
  return tag;
}

// A simulated machine whose C:\Music holds the files, made once.
struct Library {
  std::unique_ptr<kltest::TempMachine> machine;
  std::vector<std::string> paths;
  bool ready = false;
};

Library& TheLibrary() {
  static Library library = [] {
    Library made;
    made.machine = std::make_unique<kltest::TempMachine>();
    std::string scratch = made.machine->folder() + "/encoder";
    std::filesystem::create_directories(scratch);
    std::string wav = scratch + "/tone.wav";
    std::string mp3 = scratch + "/tone.mp3";
    std::string encode = "sox -r 44100 -n -c 2 -b 16 '" + wav + "' synth 1 sine 440 vol 0.5 >/dev/null 2>&1 && " +
                         "lame --quiet -b 128 --cbr '" + wav + "' '" + mp3 + "' >/dev/null 2>&1";
    if (std::system(encode.c_str()) != 0) return made;
    std::string audio = ReadHostFile(mp3);
    if (audio.empty()) return made;
    for (int i = 0; i < kFileCount; ++i) {
      std::string n = std::to_string(i);
      std::string title = "Song number " + n;
      std::string path = "C:\\Music\\Artist " + std::to_string(i % 40) + "\\" + title + ".mp3";
      made.machine->writeFile(path, Id3v2Tag({{"TIT2", title},
                                              {"TPE1", "Artist " + std::to_string(i % 40)},
                                              {"TALB", "Album " + std::to_string(i % 200)},
                                              {"TCON", "(" + std::to_string(i % 148) + ")"}}) +
                                        audio + Id3v1Tag(title, i % 148));
      made.paths.push_back(path);
    }
    made.ready = true;
    return made;
  }();
  return library;
}

void BM_BuildSongRecords(benchmark::State& state) {
  Library& library = TheLibrary();
  if (!library.ready) {
    state.SkipWithError("sox or lame could not make the test files");
    return;
  }
  virelo::SongRecord record;
  for (auto _ : state) {
    int built = 0;
    for (const std::string& path : library.paths) built += virelo::BuildSongRecord(path, record) ? 1 : 0;
    if (built != kFileCount) {
      state.SkipWithError("a record could not be built");
      return;
    }
    benchmark::DoNotOptimize(record);
  }
  state.SetItemsProcessed(state.iterations() * kFileCount);
}
BENCHMARK(BM_BuildSongRecords)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  TheLibrary().machine.reset();
  return 0;
}
