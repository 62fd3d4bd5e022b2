#include "tools/kl570/tone_mp3.h"

#include <lame/lame.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace kl570 {
namespace {

struct LameDeleter {
  void operator()(lame_global_flags* g) const { lame_close(g); }
};
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool WriteToneMp3(const std::string& hostPath, const ToneMp3& tone, std::string* error) {
  auto fail = [&](const std::string& message) {
    if (error) *error = message;
    return false;
  };
  if (tone.seconds <= 0 || tone.seconds > 3600) return fail("the tone must last between 0 and 3600 seconds");
  std::unique_ptr<lame_global_flags, LameDeleter> lame(lame_init());
  if (!lame) return fail("LAME cannot start");
  lame_set_in_samplerate(lame.get(), tone.sampleRate);
  lame_set_out_samplerate(lame.get(), tone.sampleRate);
  lame_set_num_channels(lame.get(), 2);
  lame_set_mode(lame.get(), JOINT_STEREO);
  if (tone.vbr) {
    lame_set_VBR(lame.get(), vbr_default);
    lame_set_VBR_quality(lame.get(), 4);
  } else {
    lame_set_brate(lame.get(), tone.bitRateKbps);
  }
  lame_set_write_id3tag_automatic(lame.get(), 0);
  id3tag_init(lame.get());
  id3tag_add_v2(lame.get());
  if (!tone.title.empty()) id3tag_set_title(lame.get(), tone.title.c_str());
  if (!tone.artist.empty()) id3tag_set_artist(lame.get(), tone.artist.c_str());
  if (!tone.album.empty()) id3tag_set_album(lame.get(), tone.album.c_str());
  if (tone.genre >= 0) id3tag_set_genre(lame.get(), std::to_string(tone.genre).c_str());
  if (lame_init_params(lame.get()) < 0) return fail("LAME refuses these settings");

  std::unique_ptr<std::FILE, FileCloser> out(std::fopen(hostPath.c_str(), "wb"));
  if (!out) return fail("cannot write " + hostPath);
  std::vector<unsigned char> tag(lame_get_id3v2_tag(lame.get(), nullptr, 0));
  std::size_t tagSize = lame_get_id3v2_tag(lame.get(), tag.data(), tag.size());
  std::fwrite(tag.data(), 1, tagSize, out.get());

  const int block = 1152;
  std::vector<short> left(block), right(block);
  std::vector<unsigned char> mp3(block * 5 / 4 + 7200);
  long total = static_cast<long>(tone.seconds * tone.sampleRate);
  for (long done = 0; done < total; done += block) {
    int n = static_cast<int>(std::min<long>(block, total - done));
    for (int i = 0; i < n; ++i) {
      double t = static_cast<double>(done + i) / tone.sampleRate;
      left[static_cast<std::size_t>(i)] = static_cast<short>(8000 * std::sin(2 * M_PI * tone.frequency * t));
      right[static_cast<std::size_t>(i)] = left[static_cast<std::size_t>(i)];
    }
    int bytes = lame_encode_buffer(lame.get(), left.data(), right.data(), n, mp3.data(), static_cast<int>(mp3.size()));
    if (bytes < 0) return fail("LAME failed to encode");
    std::fwrite(mp3.data(), 1, static_cast<std::size_t>(bytes), out.get());
  }
  int bytes = lame_encode_flush(lame.get(), mp3.data(), static_cast<int>(mp3.size()));
  if (bytes > 0) std::fwrite(mp3.data(), 1, static_cast<std::size_t>(bytes), out.get());
  unsigned char v1[128];
  std::size_t v1Size = lame_get_id3v1_tag(lame.get(), v1, sizeof v1);
  std::fwrite(v1, 1, v1Size, out.get());
  // The LAME/Xing frame over the first audio frame gives decoders the exact length.
  std::vector<unsigned char> frame(lame_get_lametag_frame(lame.get(), nullptr, 0));
  std::size_t frameSize = lame_get_lametag_frame(lame.get(), frame.data(), frame.size());
  if (frameSize > 0) {
    std::fseek(out.get(), static_cast<long>(tagSize), SEEK_SET);
    std::fwrite(frame.data(), 1, frameSize, out.get());
  }
  if (std::fflush(out.get()) != 0 || std::ferror(out.get())) return fail("cannot write " + hostPath);
  return true;
}

}  // namespace kl570
