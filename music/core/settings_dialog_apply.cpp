#include "music/core/settings_dialog_apply.h"

#include "music/core/agent_auto_start.h"
#include "music/core/mp3_association.h"
#include "platform/win/system.h"

namespace virelo {

SettingsChoices InitialSettingsChoices(const VireloApp& app) {
  SettingsChoices choices;
  choices.mp3Association = IsMp3Associated();
  choices.autoRunAgent = ReadAgentAutoStart();
  choices.autoPlayLyrics = app.autoPlayLyrics != 0;
  choices.autoDownloadLyrics = app.autoDownloadLyrics != 0;
  return choices;
}

void ApplySettingsChoices(VireloApp& app, const SettingsChoices& choices, win::HWND owner) {
  app.autoPlayLyrics = choices.autoPlayLyrics ? 1 : 0;
  app.autoDownloadLyrics = choices.autoDownloadLyrics ? 1 : 0;

  if (choices.autoRunAgent) {
    std::string agent = AgentPath(app.programFolder());
    win::ShellExecuteA(owner, "open", agent.c_str(), nullptr, nullptr, win::SW_SHOWNORMAL);
    WriteAgentAutoStart(agent);
  } else {
    DeleteAgentAutoStart();
  }

  bool associated = IsMp3Associated();
  if (choices.mp3Association && !associated)
    RegisterMp3Association(app.programPath());
  else if (!choices.mp3Association && associated)
    UnregisterMp3Association();
}

}  // namespace virelo
