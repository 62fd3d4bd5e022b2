// What the song model asks of the program around it: texts, the lyric
// download setting, and the playback it must stop before deleting the
// file that is playing. The application implements it; tests use a plain one.
#pragma once

#include <string>

namespace virelo {

class LibraryServices {
 public:
  virtual ~LibraryServices() = default;
  // Language text by number (never nullptr for the numbers the model uses).
  virtual const char* text(int number) const = 0;
  virtual bool autoDownloadLyrics() const = 0;
  // The Windows path of the file now playing, empty when nothing plays.
  virtual std::string nowPlayingPath() const = 0;
  virtual void stopPlayback() = 0;
};

}  // namespace virelo
