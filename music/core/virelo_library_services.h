// The song model's view of the application object: its language texts and
// lyric setting. Playback joins later; until then nothing ever plays.
#pragma once

#include "music/core/library_services.h"
#include "music/core/virelo_app.h"

namespace virelo {

class VireloLibraryServices : public LibraryServices {
 public:
  explicit VireloLibraryServices(VireloApp& app) : app_(app) {}

  const char* text(int number) const override;
  bool autoDownloadLyrics() const override { return app_.autoDownloadLyrics != 0; }
  std::string nowPlayingPath() const override { return {}; }
  void stopPlayback() override {}

 private:
  VireloApp& app_;
};

}  // namespace virelo
