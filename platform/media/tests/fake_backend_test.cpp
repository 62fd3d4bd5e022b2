#include "platform/media/fake_backend.h"

#include <gtest/gtest.h>

#include "platform/media/gst_backend.h"

namespace {

TEST(FakeMediaBackend, RendersOnlyThePathsItWasGiven) {
  media::FakeMediaBackend fake;
  fake.setDuration("/music/a.wma", 12.3456);
  fake.setDuration("/music/silent.rec", std::nullopt);

  auto graph = fake.openFile("/music/a.wma");
  ASSERT_NE(graph, nullptr);
  EXPECT_EQ(graph->durationSeconds(), 12.3456);

  auto silent = fake.openFile("/music/silent.rec");
  ASSERT_NE(silent, nullptr);
  EXPECT_FALSE(silent->durationSeconds().has_value());

  EXPECT_EQ(fake.openFile("/music/A.WMA"), nullptr);
  EXPECT_EQ(fake.openFile("/music/b.wma"), nullptr);
  fake.remove("/music/a.wma");
  EXPECT_EQ(fake.openFile("/music/a.wma"), nullptr);
}

TEST(FakeMediaBackend, IsTheCurrentBackendWhileSelected) {
  EXPECT_EQ(&media::CurrentMediaBackend(), &media::GstreamerBackend());
  media::FakeMediaBackend outer;
  media::FakeMediaBackend inner;
  {
    media::ScopedMediaBackend selectOuter(outer);
    {
      media::ScopedMediaBackend selectInner(inner);
      EXPECT_EQ(&media::CurrentMediaBackend(), &inner);
    }
    EXPECT_EQ(&media::CurrentMediaBackend(), &outer);
  }
  EXPECT_EQ(&media::CurrentMediaBackend(), &media::GstreamerBackend());
}

}  // namespace
