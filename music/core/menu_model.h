// A loaded menu as plain data: the menu resources are built into this tree,
// translated, and then turned into the toolkit's menus.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/win/types.h"

namespace virelo {

inline constexpr int kMainMenuResource = 171;
inline constexpr int kContextMenuResource = 221;

struct MenuItem {
  enum class Kind { Command, Popup, Separator };
  Kind kind = Kind::Command;
  std::string caption;         // "&Refresh", "&Play/Pause\tCtrl+P"
  win::UINT command = 0;       // Command items only
  std::vector<MenuItem> items; // Popup items only: the submenu
};

struct Menu {
  std::vector<MenuItem> items;
};

inline MenuItem CommandItem(std::string caption, win::UINT command) {
  return MenuItem{MenuItem::Kind::Command, std::move(caption), command, {}};
}
inline MenuItem PopupItem(std::string caption, std::vector<MenuItem> items) {
  return MenuItem{MenuItem::Kind::Popup, std::move(caption), 0, std::move(items)};
}
inline MenuItem SeparatorItem() { return MenuItem{MenuItem::Kind::Separator, {}, 0, {}}; }

}  // namespace virelo
