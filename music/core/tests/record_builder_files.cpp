#include "music/core/tests/record_builder_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace recordtest {

namespace {

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A folder for the encoder's files that lives as long as the test program.
class EncoderFolder {
 public:
  EncoderFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kl570-lame-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~EncoderFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

std::string LameMp3(const std::string& options) {
  static std::mutex mutex;
  static std::map<std::string, std::string> made;
  std::lock_guard lock(mutex);
  auto found = made.find(options);
  if (found != made.end()) return found->second;

  static const EncoderFolder encoderFolder;
  const std::string& folder = encoderFolder.path();
  std::string wav = folder + "/tone.wav";
  std::string mp3 = folder + "/out.mp3";
  std::filesystem::remove(mp3);
  if (!std::filesystem::exists(wav)) {
    std::system(("sox -r 44100 -n -c 2 -b 16 '" + wav + "' synth 2 sine 440 >/dev/null 2>&1").c_str());
  }
  std::system(("lame --quiet " + options + " '" + wav + "' '" + mp3 + "' >/dev/null 2>&1").c_str());
  return made[options] = ReadHostFile(mp3);
}

std::string Id3v2Tag(const std::vector<std::pair<std::string, std::string>>& frames) {
  auto bigEndian = [](std::size_t value, int bits) {
    std::string bytes;
    for (int shift = 3 * bits; shift >= 0; shift -= bits) bytes += static_cast<char>((value >> shift) & ((1u << bits) - 1));
    return bytes;
  };
  std::string body;
  for (const auto& [id, text] : frames) {
    std::string data = std::string(1, '\0') + text;  // ISO-8859-1
    body += id.substr(0, 4) + bigEndian(data.size(), 8) + std::string(2, '\0') + data;
  }
  return std::string("ID3\x03\x00\x00", 6) + bigEndian(body.size(), 7) + body;
}

std::string Id3v1Tag(const std::string& title, const std::string& artist, const std::string& album,
                     std::uint8_t genre) {
  std::string tag(128, '\0');
  tag.replace(0, 3, "TAG");
  tag.replace(3, std::min<std::size_t>(title.size(), 30), title, 0, 30);
  tag.replace(33, std::min<std::size_t>(artist.size(), 30), artist, 0, 30);
  tag.replace(63, std::min<std::size_t>(album.size(), 30), album, 0, 30);
  tag[127] = static_cast<char>(genre);
  return tag;
}

std::size_t Id3v2Size(const std::string& bytes) {
  if (bytes.size() < 10 || bytes.compare(0, 3, "ID3") != 0) return 0;
  std::size_t size = 0;
  for (int i = 6; i < 10; ++i) size = (size << 7) | (static_cast<unsigned char>(bytes[i]) & 0x7F);
  bool footer = (static_cast<unsigned char>(bytes[5]) & 0x10) != 0;
  return 10 + size + (footer ? 10 : 0);
}

std::optional<ProbedStream> Ffprobe(const std::string& hostPath) {
  std::string command = "ffprobe -v error -select_streams a:0 -show_entries stream=bit_rate,sample_rate,duration "
                        "-of default=noprint_wrappers=1 '" + hostPath + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  if (pclose(pipe) != 0) return std::nullopt;

  ProbedStream stream;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    std::string value = line.substr(equals + 1);
    if (key == "bit_rate") stream.bitRate = std::atoll(value.c_str());
    if (key == "sample_rate") stream.sampleRate = std::atoll(value.c_str());
    if (key == "duration") stream.durationSeconds = std::atof(value.c_str());
  }
  return stream;
}

}  // namespace recordtest
