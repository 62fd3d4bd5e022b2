// The numbers the language file is read for, in reading order. Every
// other number has no text at all.
#pragma once

#include <array>
#include <cstddef>

namespace virelo {

// Section "MENU": the six popups of the main menu, then the commands.
inline constexpr std::array<int, 61> kMenuTextNumbers = {
    61248, 61249, 61250, 61251, 61252, 61253,  // "File" ... "My &player"
    1100,  1107,  1108,  1111,  1112,
    32770, 32771, 32772, 32773, 32774, 32775, 32776, 32777, 32778, 32779, 32780, 32781, 32782, 32783, 32784, 32785,
    32786, 32787, 32788, 32789, 32790, 32791, 32792, 32793, 32794, 32795, 32796, 32797, 32798, 32799, 32800, 32801,
    32803, 32804, 32805, 32806, 32807, 32808, 32809, 32810, 32811, 32812, 32813, 32814, 32815, 32816,
    32818, 32820, 32824, 57664,
};

// Section "STR": control and dialog texts under their control's number,
// then the messages and captions.
inline constexpr std::array<int, 105> kLanguageTextNumbers = {
    1,     2,     246,   1000,  1001,  1002,  1003,  1004,  1005,  1100,  1101,  1102,  1103,  1104,  1107,
    1108,  1109,  1110,  1111,  1112,  1113,  1116,  1123,  1127,  1137,  1139,  1140,  1141,  1143,  1144,
    1161,  1162,  1163,  1164,  1165,  1166,  1167,  1168,  1169,  1172,  1174,  1175,  1176,  1178,  1182,
    1183,  1189,  1190,
    61204, 61205, 61206, 61207, 61208, 61209, 61210, 61211, 61212, 61213, 61214, 61215, 61216, 61217, 61218,
    61219, 61220, 61221, 61222, 61223, 61224, 61225, 61226, 61227, 61228, 61229, 61230, 61231, 61232, 61233,
    61234, 61235, 61236, 61237, 61238, 61239, 61240, 61241, 61242, 61243, 61244, 61245, 61246, 61247,
    61255, 61256, 61257, 61258, 61259, 61260, 61261, 61262, 61263, 61264, 61265, 61266, 61267,
};

// Captions of the main menu's popups as the menu resource has them; the
// first maps to 61248, the last to 61253.
inline constexpr std::array<const char*, 6> kMainMenuPopupCaptions = {
    "File", "Play", "Operate", "Help", "My &music library", "My &player",
};
inline constexpr int kFirstMainMenuPopupText = 61248;

namespace detail {
// A list shorter than its declared size would end in zeros.
template <std::size_t N>
constexpr bool distinctNonZero(const std::array<int, N>& numbers) {
  for (std::size_t i = 0; i < N; ++i) {
    if (numbers[i] <= 0) return false;
    for (std::size_t j = i + 1; j < N; ++j)
      if (numbers[i] == numbers[j]) return false;
  }
  return true;
}
}  // namespace detail
static_assert(detail::distinctNonZero(kMenuTextNumbers));
static_assert(detail::distinctNonZero(kLanguageTextNumbers));

}  // namespace virelo
