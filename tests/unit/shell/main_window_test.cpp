// The main window: style and position from the screen size, the black back
// buffer, repaint from it, the close question, and the message table.
#include <gtest/gtest.h>

#include <vector>

#include "services/calls.h"
#include "shell/entry.h"
#include "shell/main_window.h"
#include "shell/pump.h"
#include "tests/support/virtual_system.h"

namespace {

using services::RasterFill;

struct Geometry {
  int screenW, screenH;
  uint32_t style;
  int x, y, w, h;
};

class WindowGeometry : public ::testing::TestWithParam<Geometry> {};

TEST_P(WindowGeometry, StyleAndCentringFollowTheScreenSize) {
  const Geometry g = GetParam();
  platform::VirtualBackend::Options o;
  o.screen = {g.screenW, g.screenH};
  testing_support::VirtualSystem sys(o);
  auto window = sys.OpenMainWindow("Vorna! DEMO");
  ASSERT_NE(window->hwnd, nullptr);
  EXPECT_EQ(window->hwnd->style, g.style);
  EXPECT_EQ(window->hwnd->frame.x, g.x);
  EXPECT_EQ(window->hwnd->frame.y, g.y);
  EXPECT_EQ(window->hwnd->frame.w, g.w);
  EXPECT_EQ(window->hwnd->frame.h, g.h);
  EXPECT_EQ(window->hwnd->title, "Vorna! DEMO");
  EXPECT_TRUE(window->hwnd->visible);
  EXPECT_EQ(sys.backend().FrontBumps(), 1);
}

// The virtual frame of a captioned window is 3 px each side plus a 19 px caption.
INSTANTIATE_TEST_SUITE_P(Screens, WindowGeometry,
                         ::testing::Values(Geometry{640, 480, 0x80080000u, 0, 0, 640, 480},
                                           Geometry{800, 600, 0x00CA0000u, 77, 47, 646, 505},
                                           Geometry{1024, 480, 0x80080000u, 192, 0, 640, 480},
                                           Geometry{640, 1024, 0x80080000u, 0, 272, 640, 480}));

TEST(MainWindowPaint, RepaintShowsTheBackBufferNotScreenOnlyDrawing) {
  testing_support::VirtualSystem sys;
  auto window = sys.OpenMainWindow();
  ASSERT_EQ(shell::PumpPending(), 1);
  EXPECT_EQ(window->backDC->Pixel(100, 100), 0u);  // starts black

  window->screenDC->PatBlt(0, 0, 640, 480, RasterFill::kWhiteness);
  services::InvalidateRect(window->hwnd);
  ASSERT_EQ(shell::PumpPending(), 1);
  EXPECT_EQ(window->screenDC->Pixel(100, 100), 0u);
  EXPECT_FALSE(window->hwnd->paintPending);

  window->backDC->PatBlt(0, 0, 640, 240, RasterFill::kWhiteness);
  services::InvalidateRect(window->hwnd);
  ASSERT_EQ(shell::PumpPending(), 1);
  EXPECT_EQ(window->screenDC->Pixel(100, 100), 0x00FFFFFFu);
  EXPECT_EQ(window->screenDC->Pixel(100, 300), 0u);
}

TEST(MainWindowClose, CancelKeepsRunningOkReleasesAndQuitsInTheSamePump) {
  testing_support::VirtualSystem sys;
  auto window = sys.OpenMainWindow("Vorna! DEMO");
  int presents = 0;
  sys.backend().SetPresentHook([&](services::Tick, const services::Surface&) { ++presents; });

  sys.backend().QueueBoxAnswer(services::IDCANCEL);
  sys.backend().ScheduleClose(sys.backend().Elapsed() + 1);
  EXPECT_EQ(shell::PumpPending(), 1);
  ASSERT_EQ(sys.system().boxLog().size(), 1u);
  const services::BoxRecord& q = sys.system().boxLog()[0];
  EXPECT_EQ(q.text, "Vorna! DEMOを終了します。よろしいですか？");
  EXPECT_EQ(q.caption, "Vorna! DEMO");
  EXPECT_EQ(q.style, services::MB_OKCANCEL | services::MB_ICONQUESTION);
  EXPECT_TRUE(window->screenDC->Valid());
  EXPECT_TRUE(window->backDC->Valid());

  sys.backend().QueueBoxAnswer(services::IDOK);
  sys.backend().ScheduleClose(sys.backend().Elapsed() + 1);
  EXPECT_EQ(shell::PumpPending(), 0);
  EXPECT_EQ(sys.system().boxLog().size(), 2u);
  EXPECT_FALSE(window->screenDC->Valid());
  EXPECT_FALSE(window->backDC->Valid());

  // Drawing after the release reaches nothing, and a repaint only validates.
  presents = 0;
  window->screenDC->PatBlt(0, 0, 640, 480, RasterFill::kWhiteness);
  window->backDC->BitBlt(0, 0, 640, 480, *window->screenDC, 0, 0);
  services::InvalidateRect(window->hwnd);
  EXPECT_EQ(shell::PumpPending(), 1);
  EXPECT_EQ(presents, 0);
  EXPECT_FALSE(window->hwnd->paintPending);
}

// Stands in for the media player.
struct NoticeRecorder : shell::MediaNoticeSink {
  struct Notice {
    uint32_t device, code;
  };
  std::vector<Notice> notices;
  void OnMciNotify(services::WindowHandle, uint32_t device, uint32_t code) override {
    notices.push_back({device, code});
  }
};

TEST(MainWindowMessages, BoxKeepsPaintsAndNoticesFlowingButNotInput) {
  testing_support::VirtualSystem sys;
  auto window = sys.OpenMainWindow();
  NoticeRecorder player;
  window->player = &player;
  ASSERT_EQ(shell::PumpPending(), 1);
  uint64_t t = sys.backend().Elapsed();
  sys.backend().QueueBoxAnswer(services::IDCANCEL, 2000);  // the question stays open 2 s
  sys.backend().ScheduleClose(t + 1);
  // While it is open: the theme's end notice, an uncovering, and another close request.
  sys.backend().ScheduleMessage(t + 500, services::MM_MCINOTIFY, services::MCI_NOTIFY_SUCCESSFUL,
                                0x70007);
  sys.backend().At(t + 700, [&] {
    window->screenDC->PatBlt(0, 0, 640, 480, RasterFill::kWhiteness);
    services::InvalidateRect(window->hwnd);
  });
  sys.backend().ScheduleClose(t + 900);
  EXPECT_EQ(shell::PumpPending(), 1);
  ASSERT_EQ(player.notices.size(), 1u);
  EXPECT_EQ(player.notices[0].device, 7u);  // the low 16 bits of lParam
  EXPECT_EQ(player.notices[0].code, services::MCI_NOTIFY_SUCCESSFUL);
  EXPECT_EQ(window->screenDC->Pixel(1, 1), 0u);  // repainted inside the box's loop
  EXPECT_EQ(sys.system().boxLog().size(), 1u);   // the second close never arrived
  EXPECT_GE(sys.backend().Elapsed(), t + 2000);
}

// Mouse input and commands reach neither the screen nor the player, even when
// their parameters look like a media notice; a media notice to a window
// without a player (the effect programs) changes nothing either.
TEST(MainWindowMessages, InputAndStrayNoticesChangeNothing) {
  testing_support::VirtualSystem sys;
  auto window = sys.OpenMainWindow();
  NoticeRecorder player;
  ASSERT_EQ(shell::PumpPending(), 1);
  window->screenDC->PatBlt(0, 0, 320, 480, RasterFill::kWhiteness);
  for (shell::MediaNoticeSink* sink : {static_cast<shell::MediaNoticeSink*>(&player),
                                       static_cast<shell::MediaNoticeSink*>(nullptr)}) {
    window->player = sink;
    for (uint32_t m : {services::WM_MOUSEMOVE, services::WM_LBUTTONDOWN, services::WM_LBUTTONUP,
                       services::WM_RBUTTONDOWN, services::WM_RBUTTONUP, services::WM_COMMAND}) {
      services::PostMessage(window->hwnd, m, services::MCI_NOTIFY_SUCCESSFUL, 0x00010001);
    }
    if (sink == nullptr) {
      services::PostMessage(window->hwnd, services::MM_MCINOTIFY, services::MCI_NOTIFY_SUCCESSFUL,
                            1);
    }
    EXPECT_EQ(shell::PumpPending(), 1);
  }
  EXPECT_TRUE(player.notices.empty());
  EXPECT_EQ(window->screenDC->Pixel(10, 10), 0x00FFFFFFu);
  EXPECT_EQ(window->screenDC->Pixel(330, 10), 0u);
  EXPECT_TRUE(window->screenDC->Valid());
  EXPECT_FALSE(window->hwnd->destroyed);
  EXPECT_TRUE(sys.system().boxLog().empty());
}

// A window object that records what reaches it.
class Recorder : public shell::WindowBase {
 public:
  intptr_t HandleMessage(uint32_t message, uint32_t, int32_t) override {
    seen.push_back(message);
    return 0;
  }
  std::vector<uint32_t> seen;
};

TEST(WindowProcedure, MessagesBeforeCreationGetDefaultHandling) {
  testing_support::VirtualSystem sys;
  ASSERT_TRUE(shell::RegisterWindowClass());
  Recorder object;
  services::WindowHandle h = services::CreateWindow("ZELK", "t", services::WS_POPUP, 0, 0, 640, 480,
                                                    static_cast<shell::WindowBase*>(&object));
  ASSERT_NE(h, nullptr);  // the non-client creation got the default "go on"
  ASSERT_FALSE(object.seen.empty());
  EXPECT_EQ(object.seen.front(), services::WM_CREATE);
  EXPECT_EQ(services::GetWindowLongPtr(h, 0),
            reinterpret_cast<intptr_t>(static_cast<shell::WindowBase*>(&object)));
  // A window whose object link is empty hands everything to the default.
  services::SetWindowLongPtr(h, 0, 0);
  EXPECT_EQ(shell::WindowProcedure(h, services::WM_NCCREATE, 0, 0), 1);
  EXPECT_EQ(object.seen.size(), 1u);
}

}  // namespace
