// What the song-model tests share: plain library services, hand-built
// records, and a machine with the music manager on C: and a player on E:.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "music/core/library_services.h"
#include "music/core/song_record.h"
#include "platform/testing/temp_machine.h"
#include "platform/win/machine.h"

namespace collectiontest {

inline const std::string kProgramFolder = "C:\\Program Files\\Virelo\\";
inline const std::string kPcListFile = kProgramFolder + "DATA\\VIRELO.LST";

class TestServices : public virelo::LibraryServices {
 public:
  const char* text(int number) const override {
    auto it = texts_.find(number);
    return it == texts_.end() ? "" : it->second.c_str();
  }
  bool autoDownloadLyrics() const override { return autoLyrics; }
  std::string nowPlayingPath() const override { return nowPlaying; }
  void stopPlayback() override {
    ++stops;
    nowPlaying.clear();
  }

  bool autoLyrics = true;
  std::string nowPlaying;
  int stops = 0;

 private:
  std::map<int, std::string> texts_ = {
      {61205, "Lists"}, {61209, "All songs"}, {61210, "Title"},          {61211, "Artist"},
      {61212, "Genre"}, {61213, "Album"},     {61214, "Recordings"},     {61240, "Cannot rename %s"},
      {61241, "Access to %s denied (100%%)"}, {61242, "Bad path"},
  };
};

// A record as the record builder would make it (all other bytes zero).
inline virelo::SongRecord Song(const std::string& path, const std::string& title = "", const std::string& artist = "",
                               const std::string& album = "", int genre = -1, int durationMs = 1000,
                               int fileSize = 4096) {
  virelo::SongRecord r{};
  std::memcpy(r.path, path.data(), std::min(path.size(), sizeof r.path - 1));
  std::size_t slash = path.find_last_of('\\');
  r.nameOffset = static_cast<std::uint8_t>(slash == std::string::npos ? 0 : slash + 1);
  std::memcpy(r.title, title.data(), std::min(title.size(), virelo::kTagTextLimit));
  std::memcpy(r.artist, artist.data(), std::min(artist.size(), virelo::kTagTextLimit));
  std::memcpy(r.album, album.data(), std::min(album.size(), virelo::kTagTextLimit));
  r.genre = genre;
  r.durationMs = durationMs;
  r.fileSize = fileSize;
  return r;
}

inline sim::MachineSpec PlayerMachineSpec(win::UINT codePage = 1252) {
  sim::MachineSpec spec;
  spec.settings.codePage = codePage;
  sim::DriveSpec player;
  player.letter = 'E';
  player.type = win::DRIVE_REMOVABLE;
  spec.drives.push_back(player);
  spec.programs.push_back({"Virelo", kProgramFolder + "Virelo.exe", ""});
  return spec;
}

// C: with the music manager installed, E: a removable player drive.
class PlayerMachine : public kltest::TempMachine {
 public:
  explicit PlayerMachine(const sim::MachineSpec& spec = PlayerMachineSpec()) : kltest::TempMachine(spec) {
    win::SetProgramIdentity("Virelo");
    writeFile(kProgramFolder + "Virelo.exe", "MZ");
  }
  ~PlayerMachine() { win::SetProgramIdentity(""); }
};

}  // namespace collectiontest
