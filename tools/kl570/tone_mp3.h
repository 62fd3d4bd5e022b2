// Short MP3 files made by the kit itself (a sine tone through LAME, with
// ID3 tags), for the demo, the tests and the benchmarks.
#pragma once

#include <string>

namespace kl570 {

struct ToneMp3 {
  double seconds = 3.0;
  int bitRateKbps = 128;
  int sampleRate = 44100;
  bool vbr = false;
  double frequency = 440.0;
  // Tag texts as bytes of the machine's code page; empty ones are left out.
  std::string title, artist, album;
  int genre = -1;  // ID3v1 number, -1 for none
};

// Writes the file at a host path; false with a message.
bool WriteToneMp3(const std::string& hostPath, const ToneMp3& tone, std::string* error);

}  // namespace kl570
