#include "music/core/media_duration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/media/fake_backend.h"
#include "platform/testing/temp_machine.h"

namespace {

class MediaDurationTest : public testing::Test {
 protected:
  MediaDurationTest() { machine.writeFile("C:\\Music\\a.wma", "wma"); }

  kltest::TempMachine machine;
  media::FakeMediaBackend fake;
  media::ScopedMediaBackend select{fake};
};

struct Case {
  std::optional<double> seconds;
  std::optional<std::int32_t> expectedMs;
};

TEST_F(MediaDurationTest, CutsToWholeMillisecondsAndRefusesWhatDoesNotFit) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {2.0, 2000},         {1.9999, 1999},      {2.9999999, 2999},  {12.3456, 12345},
      {0.0004, 0},         {0.0, 0},            {2147483.647, 2147483647},
      {2147483.648, std::nullopt},              {-0.5, std::nullopt},
      {nan, std::nullopt}, {std::nullopt, std::nullopt},
  };
  std::string host = machine.hostPath("C:\\Music\\a.wma");
  for (const Case& c : cases) {
    fake.setDuration(host, c.seconds);
    EXPECT_EQ(virelo::mediaDurationMs("C:\\Music\\a.wma"), c.expectedMs) << c.seconds.value_or(-1);
  }
}

TEST_F(MediaDurationTest, FindsTheFileByItsWindowsPathInAnyCase) {
  fake.setDuration(machine.hostPath("C:\\Music\\a.wma"), 61.25);
  EXPECT_EQ(virelo::mediaDurationMs("c:\\MUSIC\\A.WMA"), 61250);
}

TEST_F(MediaDurationTest, FailsWhenTheMediumCannotBeRendered) {
  EXPECT_EQ(virelo::mediaDurationMs("C:\\Music\\b.wma"), std::nullopt);
  EXPECT_EQ(virelo::mediaDurationMs("Q:\\a.wma"), std::nullopt);
  EXPECT_EQ(virelo::mediaDurationMs(""), std::nullopt);
}

}  // namespace
