// A window on a real screen: the whole scale at which it fits with the window
// manager's frame, a place wholly on the screen, and where the picture goes
// on a full screen.
#include <gtest/gtest.h>

#include "platform/sdl/window_fit.h"

namespace {

using platform::FittingScale;
using platform::FrameExtents;
using platform::KeepWithin;
using platform::PlaceFullScreen;
using services::Rect;

void ExpectRect(Rect r, int x, int y, int w, int h) {
  EXPECT_EQ(r.x, x);
  EXPECT_EQ(r.y, y);
  EXPECT_EQ(r.w, w);
  EXPECT_EQ(r.h, h);
}

TEST(WindowFit, ScaleIsTheLargestAtWhichTheFramedWindowFits) {
  const FrameExtents openbox{1, 20, 1, 1};
  EXPECT_EQ(FittingScale({1366, 768}, openbox, 8), 1);
  EXPECT_EQ(FittingScale({1920, 1080}, openbox, 8), 2);
  EXPECT_EQ(FittingScale({2560, 1440}, openbox, 8), 2);  // the title bar does not fit at 3
  EXPECT_EQ(FittingScale({1922, 1461}, openbox, 8), 3);
  EXPECT_EQ(FittingScale({1921, 1461}, openbox, 8), 2);
  EXPECT_EQ(FittingScale({3840, 2160}, openbox, 2), 2);
  EXPECT_EQ(FittingScale({640, 480}, openbox, 8), 1);
}

TEST(WindowFit, WindowIsMovedOntoTheAreaOnlyAsFarAsNeeded) {
  const Rect area{0, 30, 1366, 738};
  ExpectRect(KeepWithin({100, 100, 642, 501}, area), 100, 100, 642, 501);
  ExpectRect(KeepWithin({-40, 10, 642, 501}, area), 0, 30, 642, 501);
  ExpectRect(KeepWithin({900, 400, 642, 501}, area), 724, 267, 642, 501);
  ExpectRect(KeepWithin({-96, -96, 1282, 981}, area), 0, 30, 1282, 981);
}

TEST(WindowFit, FullScreenPictureIsCentredAt4To3AndScaledWholeWhereItCan) {
  const struct {
    int w, h;
    Rect picture;
    int prescale;
    bool smooth;
  } cases[] = {
      {2560, 1440, {320, 0, 1920, 1440}, 3, false}, {1920, 1080, {240, 0, 1440, 1080}, 2, true},
      {1366, 768, {171, 0, 1024, 768}, 2, true},    {1280, 1024, {0, 32, 1280, 960}, 2, false},
      {1024, 768, {0, 0, 1024, 768}, 2, true},      {640, 480, {0, 0, 640, 480}, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    const platform::FullScreenPicture p = PlaceFullScreen({c.w, c.h});
    ExpectRect(p.picture, c.picture.x, c.picture.y, c.picture.w, c.picture.h);
    EXPECT_EQ(p.prescale, c.prescale);
    EXPECT_EQ(p.smooth, c.smooth);
  }
}

}  // namespace
