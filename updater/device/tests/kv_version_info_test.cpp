#include <gtest/gtest.h>

#include "updater/device/kv_version_info.h"

namespace pendrel {
namespace {

TEST(KvVersionInfoTest, TextFormHasThreeDigitsPerNumber) {
  EXPECT_EQ(CKvVersionInfo(1, 2, 3).ToString(), L"001.002.003");
  EXPECT_EQ(CKvVersionInfo().ToString(), L"000.000.000");
  EXPECT_EQ(CKvVersionInfo(65535, 1000, 99).ToString(), L"65535.1000.099");
}

TEST(KvVersionInfoTest, TypedVersionsParseOrAreRefused) {
  struct Case {
    const char* text;
    bool ok;
    std::uint16_t major, minor, revision;
  };
  const Case cases[] = {
      {"1.2.3", true, 1, 2, 3},       {"0.0.0", true, 0, 0, 0},  {"65535.65535.65535", true, 65535, 65535, 65535},
      {"65536.0.0", false, 0, 0, 0},  {"1.2", false, 0, 0, 0},   {"1.2.3.4", false, 0, 0, 0},
      {"1..3", false, 0, 0, 0},       {"a.b.c", false, 0, 0, 0}, {"", false, 0, 0, 0},
      {"-1.2.3", false, 0, 0, 0},     {"1.2.3 ", false, 0, 0, 0}, {"99999999999999999999.1.1", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto v = ParseVersionText(c.text);
    ASSERT_EQ(v.has_value(), c.ok);
    if (c.ok) {
      EXPECT_EQ(*v, CKvVersionInfo(c.major, c.minor, c.revision));
    }
  }
}

TEST(KvVersionInfoTest, CopyKeepsNumbersAndArraysOwnTheirVersions) {
  CKvVersionInfo a(4, 5, 6);
  CKvVersionInfo b = a;
  EXPECT_EQ(b, a);
  EXPECT_EQ(b.GetObjName(), "CKvVersionInfo");
  CKvVersionInfoPtrArray versions(4);
  ASSERT_NE(versions.At(3), nullptr);
  EXPECT_EQ(*versions.At(3), CKvVersionInfo());
  EXPECT_EQ(versions.At(4), nullptr);
  versions.At(0)->m_major = 9;
  EXPECT_EQ(versions.At(0)->ToString(), L"009.000.000");
}

}  // namespace
}  // namespace pendrel
