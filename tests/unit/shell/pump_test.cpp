// The pump and the waiting idiom: at least one pump per wait, quit consumed
// once, deadlines compared unsigned with no wrap-around handling.
#include <gtest/gtest.h>

#include "services/calls.h"
#include "shell/pump.h"
#include "tests/support/virtual_system.h"

namespace {

using shell::PumpPending;
using shell::WaitUntil;

TEST(WaitUntil, PastDeadlinePumpsExactlyOnceAndReturnsOne) {
  testing_support::VirtualSystem sys;
  auto window = sys.OpenMainWindow();
  ASSERT_EQ(WaitUntil(services::GetTickCount() + 50), 1);
  uint64_t before = sys.backend().PumpCount();
  EXPECT_EQ(WaitUntil(services::GetTickCount() - 5), 1);
  EXPECT_EQ(sys.backend().PumpCount() - before, 1u);
}

TEST(WaitUntil, EndsWithinOnePumpOfTheDeadline) {
  testing_support::VirtualSystem sys;
  auto window = sys.OpenMainWindow();
  services::Tick deadline = services::GetTickCount() + 250;
  EXPECT_EQ(WaitUntil(deadline), 1);
  EXPECT_EQ(services::GetTickCount(), deadline);  // 1 ms per pump: stops on the deadline itself
}

TEST(WaitUntil, DeadlineWrappedPastTwoToTheThirtyTwoEndsAfterOnePump) {
  platform::VirtualBackend::Options o;
  o.startTick = 0xFFFFFF00u;
  testing_support::VirtualSystem sys(o);
  auto window = sys.OpenMainWindow();
  ASSERT_EQ(PumpPending(), 1);
  services::Tick deadline = services::GetTickCount() + 0x200;  // wraps to a small value
  ASSERT_LT(deadline, services::GetTickCount());
  uint64_t before = sys.backend().PumpCount();
  EXPECT_EQ(WaitUntil(deadline), 1);
  EXPECT_EQ(sys.backend().PumpCount() - before, 1u);
}

TEST(Quit, IsConsumedOnceAndEveryWaitingCallerSeesZero) {
  testing_support::VirtualSystem sys;
  auto window = sys.OpenMainWindow();
  // A quit posted while a wait runs ends that wait with 0 …
  sys.backend().At(sys.backend().Elapsed() + 40, [] { services::PostQuitMessage(0); });
  EXPECT_EQ(WaitUntil(services::GetTickCount() + 1000), 0);
  // … and is gone afterwards: a later pump does not see it again.
  EXPECT_EQ(PumpPending(), 1);
  EXPECT_EQ(WaitUntil(services::GetTickCount() + 10), 1);
}

struct NoticeCounter : shell::MediaNoticeSink {
  int count = 0;
  void OnMciNotify(services::WindowHandle, uint32_t, uint32_t) override { ++count; }
};

TEST(Quit, PumpDispatchesPostedMessagesBeforeTheQuitAndPaintsAfterIt) {
  testing_support::VirtualSystem sys;
  auto window = sys.OpenMainWindow();
  NoticeCounter player;
  window->player = &player;
  ASSERT_EQ(PumpPending(), 1);
  window->screenDC->PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
  services::InvalidateRect(window->hwnd);
  services::PostQuitMessage(0);
  services::PostMessage(window->hwnd, services::MM_MCINOTIFY, 1, 3);
  EXPECT_EQ(PumpPending(), 0);
  EXPECT_EQ(player.count, 1);
  // The quit comes before the pending paint, as on the original system.
  EXPECT_EQ(window->screenDC->Pixel(5, 5), 0x00FFFFFFu);
  EXPECT_EQ(PumpPending(), 1);
  EXPECT_EQ(window->screenDC->Pixel(5, 5), 0u);
}

}  // namespace
