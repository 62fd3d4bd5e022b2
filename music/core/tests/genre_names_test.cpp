#include "music/core/genre_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(GenreNames, NamesTheNumbersOfTheId3v1List) {
  EXPECT_STREQ(virelo::GenreName(0), "Blues");
  EXPECT_STREQ(virelo::GenreName(17), "Rock");
  EXPECT_STREQ(virelo::GenreName(147), "Synthpop");
  EXPECT_EQ(virelo::GenreName(148), nullptr);
  EXPECT_EQ(virelo::GenreName(-1), nullptr);
  EXPECT_EQ(virelo::GenreName(255), nullptr);
}

TEST(GenreNames, FindsTheNumberOfAName) {
  const std::pair<const char*, int> cases[] = {
      {"Rock", 17},       {"rOCK", 17},     {"Synthpop", 147}, {"Christian Rock", 141}, {"Blues  ", 0},
      {"Rock and", -1},   {"Roc", -1},      {"", -1},          {"(17)", -1},
  };
  for (const auto& [name, number] : cases) EXPECT_EQ(virelo::GenreNumberOf(name), number) << name;
}

}  // namespace
