// Renames the items of a loaded menu with the language file's captions.
#pragma once

#include "music/core/language_text.h"
#include "music/core/menu_model.h"

namespace virelo {

// Walks the items from the last to the first, recursively. In the main menu
// (resource 171) the popups "File" ... "My &player" take the texts 61248 to
// 61253; a command item with a number takes the text of its number.
// Separators, and items whose number has no text, keep their caption.
void TranslateMenu(Menu& menu, int resourceId, const LanguageTexts& texts);

}  // namespace virelo
