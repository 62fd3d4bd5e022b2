#include "music/core/translate_menu.h"

#include <vector>

#include "music/core/language_text_numbers.h"

namespace virelo {
namespace {

// The text number of a main-menu popup caption, 0 for any other caption.
int popupTextNumber(const std::string& caption) {
  for (std::size_t i = 0; i < kMainMenuPopupCaptions.size(); ++i)
    if (caption == kMainMenuPopupCaptions[i]) return kFirstMainMenuPopupText + static_cast<int>(i);
  return 0;
}

void translateItems(std::vector<MenuItem>& items, int resourceId, const LanguageTexts& texts) {
  for (std::size_t i = items.size(); i-- > 0;) {
    MenuItem& item = items[i];
    switch (item.kind) {
      case MenuItem::Kind::Popup: {
        if (resourceId == kMainMenuResource) {
          int number = popupTextNumber(item.caption);
          const char* text = number ? texts.MenuText(number) : nullptr;
          if (text) item.caption = text;
        }
        translateItems(item.items, resourceId, texts);
        break;
      }
      case MenuItem::Kind::Command: {
        const char* text = item.command ? texts.MenuText(static_cast<int>(item.command)) : nullptr;
        if (text) item.caption = text;
        break;
      }
      case MenuItem::Kind::Separator:
        break;
    }
  }
}

}  // namespace

void TranslateMenu(Menu& menu, int resourceId, const LanguageTexts& texts) {
  translateItems(menu.items, resourceId, texts);
}

}  // namespace virelo
