// kl570 lst dump FILE [--json]: a list file decoded field by field from its
// bytes, the header, every record and the five group sections, whatever
// the collection code would make of it. Fields that run past the end of
// the file are reported, not read.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/win/paths.h"
#include "tools/kl570/commands.h"
#include "tools/kl570/json_writer.h"

namespace kl570 {
namespace {

struct Bytes {
  std::string data;
  bool has(std::size_t at, std::size_t n) const { return at <= data.size() && n <= data.size() - at; }
  std::int32_t i32(std::size_t at) const {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[at + static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(v);
  }
  std::int16_t i16(std::size_t at) const {
    return static_cast<std::int16_t>(static_cast<unsigned char>(data[at]) |
                                     (static_cast<unsigned char>(data[at + 1]) << 8));
  }
  std::uint8_t u8(std::size_t at) const { return static_cast<std::uint8_t>(data[at]); }
  // A NUL-ended text inside a field of `width` bytes.
  std::string text(std::size_t at, std::size_t width) const {
    std::size_t n = 0;
    while (n < width && data[at + n]) ++n;
    return ForTerminal(data.substr(at, n));
  }
};

constexpr std::size_t kHeader = 116, kRecord = 386, kGroup = 68;
const char* const kSectionNames[5] = {"lists", "titles", "artists", "albums", "genres"};

}  // namespace

int RunLst(const CommandLine& call) {
  SelectMachineOf(call);
  if (call.words().size() != 3 || call.words()[1] != "dump") return Usage("lst takes dump FILE");
  std::string host = win::HostPathOf(WindowsPathArgument(call.words()[2]));
  std::ifstream in(host, std::ios::binary);
  if (!in) return Fail("cannot read " + call.words()[2]);
  std::stringstream ss;
  ss << in.rdbuf();
  Bytes b{ss.str()};
  if (!b.has(0, kHeader)) return Fail("not a list file: shorter than its 116-byte header");
  bool json = call.flag("json");
  JsonWriter j;
  std::string text;
  char line[512];
  auto say = [&](const char* fmt, auto... args) {
    std::snprintf(line, sizeof line, fmt, args...);
    text += line;
  };

  int songs = b.i16(74);
  const std::size_t countAt[5] = {76, 84, 92, 100, 108};
  if (json) {
    j.beginObject().key("header").beginObject()
        .key("magic").value(b.data.substr(0, 4))
        .key("version").value(static_cast<int>(static_cast<std::uint16_t>(b.i16(4))))
        .key("headerSize").value(static_cast<int>(static_cast<std::uint16_t>(b.i16(6))))
        .key("recordSize").value(static_cast<int>(static_cast<std::uint16_t>(b.i16(8))))
        .key("marker").value(b.text(10, 12))
        .key("songCount").value(songs);
    for (int s = 0; s < 5; ++s) {
      j.key(std::string(kSectionNames[s]) + "Count").value(static_cast<int>(b.i16(countAt[s])));
      j.key(std::string(kSectionNames[s]) + "Offset").value(static_cast<int>(b.i32(countAt[s] + 4)));
    }
    j.endObject().key("records").beginArray();
  } else {
    say("header    \"%.4s\" version %d, header %d bytes, record %d bytes, marker \"%s\"\n", b.data.c_str(),
        b.i16(4), b.i16(6), b.i16(8), b.text(10, 12).c_str());
    say("songs     %d\n", songs);
    for (int s = 0; s < 5; ++s)
      say("%-9s %d at offset %d\n", kSectionNames[s], b.i16(countAt[s]), b.i32(countAt[s] + 4));
  }

  for (int i = 0; i < songs; ++i) {
    std::size_t at = kHeader + static_cast<std::size_t>(i) * kRecord;
    if (!b.has(at, kRecord)) {
      if (!json) say("record %d: cut off by the end of the file\n", i);
      break;
    }
    if (json) {
      j.beginObject()
          .key("index").value(i)
          .key("path").value(b.text(at, 260))
          .key("fileNumber").value(b.i32(at + 260))
          .key("nameOffset").value(static_cast<int>(b.u8(at + 264)))
          .key("title").value(b.text(at + 265, 32))
          .key("artist").value(b.text(at + 297, 32))
          .key("album").value(b.text(at + 329, 32))
          .key("genre").value(b.i32(at + 361))
          .key("durationMs").value(b.i32(at + 365))
          .key("bitRate").value(b.i32(at + 369))
          .key("sampleRate").value(b.i32(at + 373))
          .key("fileSize").value(b.i32(at + 377))
          .key("hasLyrics").value(static_cast<int>(b.u8(at + 381)))
          .key("cdTrack").value(static_cast<int>(b.u8(at + 385)))
          .endObject();
    } else {
      say("record %d  %s\n", i, b.text(at, 260).c_str());
      say("    number %d, name at %d, title \"%s\", artist \"%s\", album \"%s\", genre %d\n", b.i32(at + 260),
          b.u8(at + 264), b.text(at + 265, 32).c_str(), b.text(at + 297, 32).c_str(),
          b.text(at + 329, 32).c_str(), b.i32(at + 361));
      say("    %d ms, %d bit/s, %d Hz, %d bytes, lyrics %d, CD track %d\n", b.i32(at + 365), b.i32(at + 369),
          b.i32(at + 373), b.i32(at + 377), b.u8(at + 381), b.u8(at + 385));
    }
  }
  if (json) j.endArray().key("sections").beginObject();

  for (int s = 0; s < 5; ++s) {
    int groups = b.i16(countAt[s]);
    std::int32_t offset = b.i32(countAt[s] + 4);
    if (json) j.key(kSectionNames[s]).beginArray();
    std::size_t at = offset < 0 ? b.data.size() + 1 : static_cast<std::size_t>(offset);
    for (int g = 0; g < groups; ++g) {
      if (!b.has(at, kGroup)) {
        if (!json) say("%s group %d: cut off by the end of the file\n", kSectionNames[s], g);
        break;
      }
      int kind = b.i16(at);
      int members = b.i16(at + 66);
      std::string name = s == 4 ? std::to_string(b.i32(at + 2)) : b.text(at + 2, 64);
      std::vector<int> indexes;
      std::size_t m = at + kGroup;
      for (int k = 0; k < members && b.has(m, 2); ++k, m += 2) indexes.push_back(b.i16(m));
      if (json) {
        j.beginObject().key("kind").value(kind).key("name").value(name).key("members").beginArray();
        for (int idx : indexes) j.value(idx);
        j.endArray().endObject();
      } else {
        say("%s: kind %d \"%s\", %d members:", kSectionNames[s], kind, name.c_str(), members);
        for (int idx : indexes) say(" %d", idx);
        say("%s\n", static_cast<int>(indexes.size()) < members ? " (cut off)" : "");
      }
      at = m;
    }
    if (json) j.endArray();
  }
  if (json) {
    j.endObject().endObject();
    std::printf("%s\n", j.text().c_str());
  } else {
    std::fputs(text.c_str(), stdout);
  }
  return 0;
}

}  // namespace kl570
