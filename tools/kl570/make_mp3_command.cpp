// kl570 make-mp3 PATH [--seconds S] [--bitrate KBPS] [--rate HZ] [--vbr]
//                     [--title T] [--artist A] [--album B] [--genre N]
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/win/codepage.h"
#include "platform/win/paths.h"
#include "tools/kl570/commands.h"
#include "tools/kl570/tone_mp3.h"

namespace kl570 {

int RunMakeMp3(const CommandLine& call) {
  SelectMachineOf(call);
  if (call.words().size() != 2) return Usage("make-mp3 takes one output path");
  ToneMp3 tone;
  tone.seconds = std::atof(call.value("seconds").value_or("3").c_str());
  tone.bitRateKbps = std::atoi(call.value("bitrate").value_or("128").c_str());
  tone.sampleRate = std::atoi(call.value("rate").value_or("44100").c_str());
  tone.vbr = call.flag("vbr");
  tone.frequency = std::atof(call.value("frequency").value_or("440").c_str());
  // The terminal speaks UTF-8; tags keep the machine's code page.
  tone.title = win::Utf8ToAnsi(call.value("title").value_or(""));
  tone.artist = win::Utf8ToAnsi(call.value("artist").value_or(""));
  tone.album = win::Utf8ToAnsi(call.value("album").value_or(""));
  tone.genre = std::atoi(call.value("genre").value_or("-1").c_str());
  std::string host = win::HostPathOf(WindowsPathArgument(call.words()[1]));
  if (host.empty()) return Fail("no such drive for " + call.words()[1]);
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(host).parent_path(), ec);
  std::string error;
  if (!WriteToneMp3(host, tone, &error)) return Fail(error);
  return 0;
}

}  // namespace kl570
