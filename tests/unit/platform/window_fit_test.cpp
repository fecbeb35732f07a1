// A window on a real screen: the whole scale at which it fits with its frame,
// a place wholly on the screen, and where the picture goes on a full screen.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/sdl/window_fit.h"

namespace {

using namespace platform;

auto Tuple(services::Rect r) {
  return std::tuple(r.x, r.y, r.w, r.h);
}

auto Placed(services::Size screen) {
  const FullScreenPicture p = PlaceFullScreen(screen);
  return std::tuple(Tuple(p.picture), p.prescale, p.smooth);
}

TEST(WindowFit, ScaleCountsTheFrameAndWindowsAreMovedOntoTheAreaOnlyAsFarAsNeeded) {
  EXPECT_EQ(FittingScale({1922, 1461}, {1, 20, 1, 1}, 8), 3);
  EXPECT_EQ(FittingScale({1921, 1461}, {1, 20, 1, 1}, 8), 2);
  const services::Rect area{0, 30, 1366, 738};
  EXPECT_EQ(Tuple(KeepWithin({900, 400, 642, 501}, area)), std::tuple(724, 267, 642, 501));
  EXPECT_EQ(Tuple(KeepWithin({-96, -96, 1282, 981}, area)), std::tuple(0, 30, 1282, 981));
}

TEST(WindowFit, FullScreenPictureIsCentredAt4To3AndEnlargedByTheNearestWholeMultiple) {
  EXPECT_EQ(Placed({2560, 1440}), std::tuple(std::tuple(320, 0, 1920, 1440), 3, false));
  EXPECT_EQ(Placed({1366, 768}), std::tuple(std::tuple(171, 0, 1024, 768), 2, true));
  EXPECT_EQ(Placed({1280, 1024}), std::tuple(std::tuple(0, 32, 1280, 960), 2, false));
  EXPECT_EQ(Placed({1024, 600}), std::tuple(std::tuple(112, 0, 800, 600), 1, true));
}

}  // namespace
