// kl570: the kit's command-line companion. A thin shell over the code the
// programs use, for scripting, tests and people.
#include <cstdio>
#include <cstring>
#include <set>

#include "tools/kl570/commands.h"

namespace {

const char kHelp[] =
    "usage: kl570 [--machine DIR] COMMAND ...\n"
    "\n"
    "  machine init DIR [--os 95|98|me|nt4|2000|xp] [--lang HEX] [--codepage 936|1252]\n"
    "                   [--aspi driver|system]\n"
    "                          build a simulated machine with the kit installed (on 9x the\n"
    "                          ASPI layer uses its own driver, or the system's manager)\n"
    "  machine show [--json]   settings and drive map of the machine\n"
    "  library add PATH...     add music files (or folders of them) to the PC library\n"
    "  library remove PATH...  remove songs from the PC library\n"
    "  library show [--json]   the PC library: songs, user lists and groups\n"
    "  lst dump FILE [--json]  decode a VIRELO.LST list file\n"
    "  m3u read FILE           the paths an M3U list names\n"
    "  attrib WINPATH...       file attributes as the letters R H S A\n"
    "  make-mp3 PATH [--seconds S] [--bitrate KBPS] [--rate HZ] [--vbr]\n"
    "           [--title T] [--artist A] [--album B] [--genre N]\n"
    "                          write a tone as an MP3 file with tags\n"
    "  fw make-components DIR [--product 1.2.3] [--component 4.5.6]\n"
    "                          write the four firmware component files\n"
    "  fw probe [--json] [--firmware DIR]\n"
    "                          find the player as the updater does: chip, media table,\n"
    "                          current and upgrade versions (exit 1 when it is absent)\n"
    "  vplayer add [--size 64M] [--mode msc|recovery] [--letter E] [--firmware 1.0.0]\n"
    "                          put a virtual player into the simulated machine\n"
    "  vplayer show [--json] [--player N]\n"
    "                          its mode, drive letter, media table and knobs\n"
    "  vplayer set KNOB VALUE [--player N]\n"
    "                          set a fault knob (or mode msc|recovery, vanished 0|1)\n"
    "\n"
    "PATH is a host path or a Windows path of the machine (C:\\...).\n"
    "The machine is --machine DIR, else $KL570_MACHINE, else this computer.\n";

}  // namespace

int main(int argc, char** argv) {
  static const std::set<std::string> valued = {"machine", "os",    "lang",   "codepage", "seconds",
                                               "bitrate", "rate",  "title",  "artist",   "album",
                                               "genre",   "list",  "frequency", "product", "component", "firmware",
                                               "size",    "mode",  "letter", "player", "aspi"};
  kl570::CommandLine call(argc, argv, valued);
  if (!call.error().empty()) return kl570::Usage(call.error());
  if (call.words().empty() || call.words()[0] == "help" || call.flag("help")) {
    std::fputs(kHelp, call.words().empty() && !call.flag("help") ? stderr : stdout);
    return call.words().empty() && !call.flag("help") ? 2 : 0;
  }
  const std::string& command = call.words()[0];
  if (command == "machine") return kl570::RunMachine(call);
  if (command == "library") return kl570::RunLibrary(call);
  if (command == "lst") return kl570::RunLst(call);
  if (command == "m3u") return kl570::RunM3u(call);
  if (command == "attrib") return kl570::RunAttrib(call);
  if (command == "make-mp3") return kl570::RunMakeMp3(call);
  if (command == "fw") return kl570::RunFw(call);
  if (command == "vplayer") return kl570::RunVplayer(call);
  return kl570::Usage("unknown command " + command);
}
