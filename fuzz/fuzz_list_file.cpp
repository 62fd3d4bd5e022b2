// Feeds arbitrary bytes to the PC library as its list file VIRELO.LST:
// loaded (records, user lists, the check for songs whose file is gone)
// without a tree, then saved again and read back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "music/core/library_services.h"
#include "music/core/list_file.h"
#include "music/core/music_collection.h"
#include "platform/testing/temp_machine.h"
#include "platform/win/machine.h"

namespace {

const std::string kProgramFolder = "C:\\Virelo\\";
const std::string kListFile = kProgramFolder + "DATA\\VIRELO.LST";

class Services : public virelo::LibraryServices {
 public:
  const char* text(int) const override { return "text"; }
  bool autoDownloadLyrics() const override { return false; }
  std::string nowPlayingPath() const override { return {}; }
  void stopPlayback() override {}
};

const kltest::TempMachine& machine() {
  static const kltest::TempMachine m([] {
    sim::MachineSpec spec;
    spec.programs.push_back({"Virelo", kProgramFolder + "Virelo.exe", ""});
    return spec;
  }());
  static const bool ready = [] {
    win::SetProgramIdentity("Virelo");
    m.writeFile(kProgramFolder + "Virelo.exe", "MZ");
    // Songs of the seed files that exist, so that loading keeps them.
    m.writeFile("C:\\Music\\a.mp3", "a");
    m.writeFile("C:\\Music\\b.mp3", "b");
    return true;
  }();
  (void)ready;
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kltest::TempMachine& m = machine();
  m.writeFile(kListFile, size ? std::string(reinterpret_cast<const char*>(data), size) : std::string());

  Services services;
  virelo::MusicCollection pc(services);
  pc.setup(virelo::CollectionKind::PcLibrary, 'C');
  pc.load("PC");
  int songs = pc.songCount();
  std::size_t lists = pc.userLists().size();
  if (!pc.save()) std::abort();

  // What was saved loads back as the same songs and lists.
  virelo::ListFileContents again;
  if (!virelo::readListFile(kListFile, again)) std::abort();
  if (again.songs.size() != static_cast<std::size_t>(songs) || again.userLists.size() != lists) std::abort();
  return 0;
}
