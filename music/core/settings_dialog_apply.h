// What the settings dialog shows when it opens and what its OK applies.
#pragma once

#include "music/core/virelo_app.h"
#include "platform/win/types.h"

namespace virelo {

// The dialog's check boxes.
struct SettingsChoices {
  bool mp3Association = false;      // 1137 "MP3 Files connected"
  bool autoRunAgent = false;        // 1139 "Auto run Virelo Agent"
  bool autoPlayLyrics = false;      // 1140 "Auto play LRC file"
  bool autoDownloadLyrics = false;  // 1141 "Auto download LRC file"
  friend bool operator==(const SettingsChoices&, const SettingsChoices&) = default;
};

// The lyric flags in memory, the auto-start entry and the association.
SettingsChoices InitialSettingsChoices(const VireloApp& app);

// After OK: the lyric flags change at once (they are stored at exit);
// auto-run checked starts Agent now and writes the auto-start entry,
// unchecked deletes it; the association is registered or unregistered
// when the box differs from what is in place. Registry failures are
// not reported.
void ApplySettingsChoices(VireloApp& app, const SettingsChoices& choices, win::HWND owner);

}  // namespace virelo
