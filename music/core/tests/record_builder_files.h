// MP3 files for the record builder's tests, made with the real encoder
// (sox for the sound, lame for the MP3), and tags written by hand: id3lib
// copies frames when it renders a tag, and its frame copy frees memory as
// the wrong type.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace recordtest {

// The bytes of an MP3 file lame makes of two seconds of a tone at
// 44100 Hz stereo with the given options. Made once per option text.
std::string LameMp3(const std::string& options);

// An ID3v2.3 tag holding the given text frames ("TIT2", "TPE1", ...).
std::string Id3v2Tag(const std::vector<std::pair<std::string, std::string>>& frames);

// An ID3v1 tag (128 bytes) with the given fields and genre byte.
std::string Id3v1Tag(const std::string& title, const std::string& artist, const std::string& album,
                     std::uint8_t genre);

// The size of the ID3v2 tag at the start of an MP3 file, read from its
// header; 0 without one.
std::size_t Id3v2Size(const std::string& bytes);

// What ffprobe says of the first audio stream of a host file.
struct ProbedStream {
  std::int64_t bitRate = 0;
  std::int64_t sampleRate = 0;
  double durationSeconds = 0;
};
std::optional<ProbedStream> Ffprobe(const std::string& hostPath);

}  // namespace recordtest
