// kl570 library add [--list NAME] PATH... | remove PATH... | show [--json]
#include <atomic>
#include <cstdio>
#include <unordered_map>

#include "music/core/file_utils.h"
#include "music/core/genre_names.h"
#include "music/core/record_builder.h"
#include "music/core/walk_folder.h"
#include "platform/win/codepage.h"
#include "tools/kl570/commands.h"
#include "tools/kl570/json_writer.h"
#include "tools/kl570/pc_library.h"

namespace kl570 {
namespace {

using virelo::GroupKind;
using virelo::SongGroup;
using virelo::SongRecord;

// The music files a path names: the file itself, or the mp3 and wma files
// under a folder.
std::vector<std::string> musicFilesOf(const std::string& path) {
  if (!virelo::isFolder(path)) return {path};
  static const std::vector<std::string> extensions{".mp3", ".wma"};
  std::atomic<bool> cancel{false};
  return virelo::WalkFolder(path, &extensions, cancel, nullptr).paths;
}

std::string folded(const std::string& path) {
  std::string out = path;
  win::UINT cp = win::GetACP();
  for (char& ch : out) ch = win::AnsiToUpper(ch, cp);
  return out;
}

// The library's songs by path, letter case aside.
class SongsByPath {
 public:
  explicit SongsByPath(virelo::MusicCollection& c) {
    for (SongRecord* r : c.allSongs().members()) songs_.emplace(folded(r->path), r);
  }
  SongRecord* find(const std::string& path) const {
    auto it = songs_.find(folded(path));
    return it == songs_.end() ? nullptr : it->second;
  }
  void add(SongRecord* r) { songs_.emplace(folded(r->path), r); }
  void remove(SongRecord* r) { songs_.erase(folded(r->path)); }

 private:
  std::unordered_map<std::string, SongRecord*> songs_;
};

int add(const CommandLine& call) {
  if (call.words().size() < 3) return Usage("library add takes one or more paths");
  PcLibrary library;
  virelo::MusicCollection& c = library.collection();
  SongGroup* list = nullptr;
  if (auto name = call.value("list")) {
    std::string ansi = win::Utf8ToAnsi(*name);
    list = c.findList(ansi);
    if (!list) {
      if (!c.isValidListName(ansi)) return Fail("not a valid list name: " + *name);
      list = c.addList(ansi);
    }
  }
  SongsByPath known(c);
  int added = 0, skipped = 0;
  for (std::size_t i = 2; i < call.words().size(); ++i) {
    for (const std::string& file : musicFilesOf(WindowsPathArgument(call.words()[i]))) {
      std::string shown = ForTerminal(file);
      if (virelo::audioKind(file) == 0) {
        std::fprintf(stderr, "skipped %s: not an mp3 or wma file\n", shown.c_str());
        ++skipped;
        continue;
      }
      if (SongRecord* song = known.find(file)) {
        if (list && list->add(song)) std::printf("listed  %s\n", shown.c_str());
        ++skipped;
        continue;
      }
      SongRecord record;
      if (!virelo::BuildSongRecord(file, record)) {
        std::fprintf(stderr, "skipped %s: no readable song information\n", shown.c_str());
        ++skipped;
        continue;
      }
      SongRecord* song = c.addSong(record, list, false);
      if (!song) {
        std::fprintf(stderr, "skipped %s: the library is full\n", shown.c_str());
        ++skipped;
        continue;
      }
      known.add(song);
      std::printf("added   %s\n", shown.c_str());
      ++added;
    }
  }
  if (!c.save()) return Fail("cannot save " + ForTerminal(c.listFilePath()));
  std::printf("%d added, %d skipped; the library holds %d songs\n", added, skipped, c.songCount());
  return 0;
}

int remove(const CommandLine& call) {
  if (call.words().size() < 3) return Usage("library remove takes one or more paths");
  PcLibrary library;
  virelo::MusicCollection& c = library.collection();
  SongsByPath known(c);
  int removed = 0, rc = 0;
  for (std::size_t i = 2; i < call.words().size(); ++i) {
    std::string path = WindowsPathArgument(call.words()[i]);
    SongRecord* song = known.find(path);
    if (!song) {
      std::fprintf(stderr, "kl570: %s is not in the library\n", ForTerminal(path).c_str());
      rc = 1;
      continue;
    }
    known.remove(song);
    c.removeSong(song);
    ++removed;
  }
  if (!c.save()) return Fail("cannot save " + ForTerminal(c.listFilePath()));
  std::printf("%d removed; the library holds %d songs\n", removed, c.songCount());
  return rc;
}

std::string groupName(const SongGroup& g) {
  if (g.kind() == GroupKind::Genre) {
    const char* name = virelo::GenreName(g.genre());
    return name ? name : "NULL";
  }
  std::string n(g.name());
  return n.empty() ? "NULL" : ForTerminal(n);
}

std::string minutes(std::int64_t ms) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(ms / 60000),
                static_cast<long long>(ms / 1000 % 60));
  return buf;
}

void songJson(JsonWriter& j, const SongRecord& r, int index) {
  j.beginObject()
      .key("index").value(index)
      .key("path").value(ForTerminal(r.path))
      .key("fileNumber").value(r.fileNumber)
      .key("nameOffset").value(static_cast<int>(r.nameOffset))
      .key("title").value(ForTerminal(r.title))
      .key("artist").value(ForTerminal(r.artist))
      .key("album").value(ForTerminal(r.album))
      .key("genre").value(r.genre)
      .key("durationMs").value(r.durationMs)
      .key("bitRate").value(r.bitRate)
      .key("sampleRate").value(r.sampleRate)
      .key("fileSize").value(r.fileSize)
      .key("hasLyrics").value(r.hasLyrics != 0)
      .endObject();
}

int show(const CommandLine& call) {
  PcLibrary library;
  virelo::MusicCollection& c = library.collection();
  static const GroupKind kinds[] = {GroupKind::UserList, GroupKind::Title, GroupKind::Artist, GroupKind::Album,
                                    GroupKind::Genre};
  static const char* const names[] = {"lists", "titles", "artists", "albums", "genres"};
  if (call.flag("json")) {
    JsonWriter j;
    j.beginObject().key("listFile").value(ForTerminal(c.listFilePath())).key("songs").beginArray();
    for (int i = 0; i < c.songCount(); ++i) songJson(j, *c.songAt(i), i);
    j.endArray();
    for (int k = 0; k < 5; ++k) {
      j.key(names[k]).beginArray();
      for (const auto& g : c.chain(kinds[k])) {
        j.beginObject().key("name").value(groupName(*g)).key("members").beginArray();
        for (const SongRecord* r : g->members()) j.value(c.indexOf(r));
        j.endArray().endObject();
      }
      j.endArray();
    }
    j.endObject();
    std::printf("%s\n", j.text().c_str());
    return 0;
  }
  virelo::GroupStatistics all = virelo::MusicCollection::statistics(c.allSongs());
  std::printf("PC library %s: %lld songs, %s, %.1f MiB\n", ForTerminal(c.listFilePath()).c_str(),
              static_cast<long long>(all.count), minutes(all.durationMs).c_str(), all.bytes / 1048576.0);
  for (int i = 0; i < c.songCount(); ++i) {
    const SongRecord& r = *c.songAt(i);
    std::printf("%4d  %-30s %-20s %-20s %6s %3d kbit/s %s%s\n", i, ForTerminal(r.title).c_str(),
                ForTerminal(r.artist).c_str(), ForTerminal(r.album).c_str(), minutes(r.durationMs).c_str(),
                r.bitRate / 1000, ForTerminal(r.path).c_str(), r.hasLyrics ? "  [lyrics]" : "");
  }
  for (int k = 0; k < 5; ++k) {
    const virelo::GroupChain& chain = c.chain(kinds[k]);
    if (chain.empty()) continue;
    std::printf("%s:\n", names[k]);
    for (const auto& g : chain) {
      std::printf("  %s (%zu):", groupName(*g).c_str(), g->size());
      for (const SongRecord* r : g->members()) std::printf(" %d", c.indexOf(r));
      std::printf("\n");
    }
  }
  return 0;
}

}  // namespace

int RunLibrary(const CommandLine& call) {
  SelectMachineOf(call);
  const auto& w = call.words();
  if (w.size() >= 2 && w[1] == "add") return add(call);
  if (w.size() >= 2 && w[1] == "remove") return remove(call);
  if (w.size() == 2 && w[1] == "show") return show(call);
  return Usage("library takes add, remove or show");
}

}  // namespace kl570
