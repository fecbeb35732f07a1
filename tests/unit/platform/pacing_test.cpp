// Waits that sleep and pictures paced at the display's refresh. The frame
// clock alone on made-up moments; then the real backend on SDL's dummy video
// driver, which needs no display and keeps every picture the window shows as
// a numbered BMP file: a wait sleeps until its deadline unless something is
// posted, from any thread; every picture presented reaches the window, once
// and in order, a refresh apart; a picture drawn before a wait is shown at the
// refresh within it, and a wait that ends before that refresh leaves it there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "platform/sdl/frame_clock.h"
#include "platform/sdl/sdl_backend.h"
#include "services/calls.h"
#include "shell/entry.h"
#include "shell/main_window.h"
#include "shell/pump.h"

namespace {

using platform::FrameClock;
using std::chrono::milliseconds;
using Clock = FrameClock::Clock;
namespace fs = std::filesystem;

Clock::time_point At(int ms) {
  return Clock::time_point(milliseconds(ms));
}

TEST(FrameClock, PicturesFasterThanTheDisplayAreARefreshApartAndLateOnesGoAtOnce) {
  FrameClock clock(milliseconds(10));
  // The first picture goes at once and sets the phase.
  EXPECT_EQ(clock.NextRefresh(At(1000)), At(1000));
  clock.Shown(At(1000));
  // Pictures ready every 3 ms are shown 10 ms apart on the same steady
  // clock, however late within its period each one comes.
  Clock::time_point shown = At(1000);
  for (int ready = 1003; ready < 1100; ready += 3) {
    const Clock::time_point next = clock.NextRefresh(std::max(At(ready), shown));
    EXPECT_EQ(next - shown, milliseconds(10)) << ready;
    clock.Shown(next);
    shown = next;
  }
  EXPECT_EQ(shown, At(1000 + 10 * 33));
  // A picture a period or more after the last one is shown at once, and
  // the clock follows its phase from there.
  EXPECT_EQ(clock.NextRefresh(shown + milliseconds(10)), shown + milliseconds(10));
  EXPECT_EQ(clock.NextRefresh(shown + milliseconds(27)), shown + milliseconds(27));
  clock.Shown(shown + milliseconds(27));
  EXPECT_EQ(clock.NextRefresh(shown + milliseconds(28)), shown + milliseconds(37));
}

TEST(FrameClock, ThePeriodIsTheDisplaysOr60HzWhenItDoesNotTell) {
  EXPECT_EQ(FrameClock::PeriodOf(60), std::chrono::nanoseconds(16'666'667));
  EXPECT_EQ(FrameClock::PeriodOf(0), FrameClock::PeriodOf(60));
  EXPECT_EQ(FrameClock::PeriodOf(-1), FrameClock::PeriodOf(60));
  EXPECT_EQ(FrameClock::PeriodOf(75), std::chrono::nanoseconds(13'333'333));
}

// Counts the looks at the queue, to tell a sleeping wait from a spinning one.
class CountingBackend : public platform::SdlBackend {
 public:
  using SdlBackend::SdlBackend;
  void OnPump() override { ++pumps; }
  int pumps = 0;
};

struct NoticeTicks : shell::MediaNoticeSink {
  void OnMciNotify(services::WindowHandle, uint32_t, uint32_t) override {
    ticks.push_back(services::GetTickCount());
  }
  std::vector<services::Tick> ticks;
};

// The real backend on the dummy driver, at a refresh rate slow enough that a
// wait for it cannot pass unseen, in a folder that takes the shown pictures.
class SdlPacing : public ::testing::Test {
 protected:
  static constexpr int kHz = 8;  // 125 ms a refresh
  static constexpr int kPeriodMs = 125;

  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zelk_pacing_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    home_ = fs::current_path();
    fs::current_path(dir_);  // where the dummy driver writes its pictures
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_VIDEO_DUMMY_SAVE_FRAMES", "1", 1);
    setenv("ZELK_TRACE", (dir_ / "trace").c_str(), 1);
    setenv("ZELK_MSGBOX_ANSWERS", "ok", 1);
    system_ = std::make_unique<services::System>([this](services::System& s) {
      auto backend = std::make_unique<CountingBackend>(s, kHz);
      backend_ = backend.get();
      return backend;
    });
    installed_ = std::make_unique<services::ScopedSystem>(*system_);
    ASSERT_TRUE(shell::RegisterWindowClass()) << system_->lastError();
    window_ = std::make_unique<shell::MainWindow>("Pacing");
    ASSERT_NE(window_->hwnd, nullptr) << system_->lastError();
    // Show the window's first picture, then let a refresh pass: the next
    // picture can go at once.
    ASSERT_EQ(shell::PumpPending(), 1);
    std::this_thread::sleep_for(milliseconds(kPeriodMs));
  }

  void TearDown() override {
    window_.reset();
    installed_.reset();
    system_.reset();
    for (const char* name : {"SDL_VIDEO_DUMMY_SAVE_FRAMES", "ZELK_TRACE", "ZELK_MSGBOX_ANSWERS"})
      unsetenv(name);
    fs::current_path(home_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Fills the screen with one colour, as a program's frame.
  void Draw(uint32_t rgb) {
    uint32_t* px = window_->screenDC->Pixels();
    std::fill(px, px + 640 * 480, rgb);
    window_->screenDC->MarkChanged();
  }

  // The colours of the pictures the window showed so far, in order.
  std::vector<uint32_t> Shown() const {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path().extension() == ".bmp") files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());  // numbered with leading zeros
    std::vector<uint32_t> colours;
    for (const fs::path& f : files) {  // the first pixel's blue, green, red
      std::ifstream in(f, std::ios::binary);
      unsigned char b[14] = {};
      in.read(reinterpret_cast<char*>(b), 14);
      in.seekg(b[10] | b[11] << 8 | b[12] << 16 | b[13] << 24).read(reinterpret_cast<char*>(b), 3);
      EXPECT_TRUE(in) << f;
      colours.push_back(uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0]);
    }
    return colours;
  }

  // The ticks of the frames in the ZELK_TRACE file.
  std::vector<services::Tick> FrameTicks() const {
    std::vector<services::Tick> ticks;
    std::ifstream in(dir_ / "trace");
    for (std::string line; std::getline(in, line);) {
      auto j = nlohmann::json::parse(line);
      if (j["event"] == "frame") ticks.push_back(j["tick"]);
    }
    return ticks;
  }

  fs::path dir_, home_;
  CountingBackend* backend_ = nullptr;
  std::unique_ptr<services::System> system_;
  std::unique_ptr<services::ScopedSystem> installed_;
  std::unique_ptr<shell::MainWindow> window_;
};

TEST_F(SdlPacing, EveryPresentedPictureIsShownOnceInOrderARefreshApart) {
  const size_t before = Shown().size();
  const std::vector<uint32_t> frames = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0};
  std::vector<services::Tick> began, ended;  // of each pump that shows one
  for (uint32_t rgb : frames) {
    Draw(rgb);
    began.push_back(services::GetTickCount());
    ASSERT_EQ(shell::PumpPending(), 1);
    ended.push_back(services::GetTickCount());
  }
  // No display shows them faster than it refreshes: each picture is shown a
  // refresh or more after the pump of the one before began. (Ticks compared
  // as signed differences: the clock may wrap between them.)
  for (size_t i = 1; i < frames.size(); ++i)
    EXPECT_GE(static_cast<int32_t>(ended[i] - began[i - 1]), kPeriodMs) << i;
  const std::vector<uint32_t> shown = Shown();
  ASSERT_GE(shown.size(), before);
  EXPECT_EQ(std::vector<uint32_t>(shown.begin() + before, shown.end()), frames);
}

TEST_F(SdlPacing, APictureBeforeAWaitIsShownAtTheRefreshWithinItNotAfterTheDeadline) {
  Draw(0x111111);
  const services::Tick firstPump = services::GetTickCount();
  ASSERT_EQ(shell::PumpPending(), 1);
  const size_t before = Shown().size();
  // A step shorter than a refresh: its wait, when it ends before the next
  // refresh can come (a refresh after the pump above began), leaves the new
  // picture to that refresh …
  Draw(0x222222);
  const services::Tick shortDeadline = services::GetTickCount() + 10;
  ASSERT_EQ(shell::WaitUntil(shortDeadline), 1);
  if (static_cast<int32_t>(shortDeadline - (firstPump + kPeriodMs)) < 0) {
    EXPECT_EQ(Shown().size(), before);
  }
  // … which a longer wait shows when it comes, long before its own deadline.
  const services::Tick deadline = services::GetTickCount() + 1500;
  ASSERT_EQ(shell::WaitUntil(deadline), 1);
  const std::vector<uint32_t> shown = Shown();
  ASSERT_EQ(shown.size(), before + 1);
  EXPECT_EQ(shown.back(), 0x222222u);
  const std::vector<services::Tick> ticks = FrameTicks();
  ASSERT_FALSE(ticks.empty());
  EXPECT_GE(static_cast<int32_t>(ticks.back() - firstPump), kPeriodMs);
  EXPECT_LT(static_cast<int32_t>(ticks.back() - deadline), 0);
}

TEST_F(SdlPacing, AWaitSleepsUntilItsDeadline) {
  const int pumps = backend_->pumps;
  const services::Tick deadline = services::GetTickCount() + 300;
  EXPECT_EQ(shell::WaitUntil(deadline), 1);
  EXPECT_GE(static_cast<int32_t>(services::GetTickCount() - deadline), 0);
  // A spinning wait looks at the queue many thousand times in 300 ms.
  EXPECT_LE(backend_->pumps - pumps, 10);
}

TEST_F(SdlPacing, MessagesPostedByOtherThreadsWakeTheWaitAtOnce) {
  NoticeTicks notices;
  window_->player = &notices;
  const services::Tick start = services::GetTickCount();
  services::WindowHandle hwnd = window_->hwnd;
  std::thread poster([hwnd] {
    std::this_thread::sleep_for(milliseconds(100));
    services::PostMessage(hwnd, services::MM_MCINOTIFY, services::MCI_NOTIFY_SUCCESSFUL, 7);
    std::this_thread::sleep_for(milliseconds(100));
    services::PostMessage(hwnd, services::WM_CLOSE, 0, 0);
  });
  // The notice is handled while the wait goes on; the close (answered OK)
  // ends it with the quit, long before the deadline.
  const int result = shell::WaitUntil(start + 20000);
  const services::Tick end = services::GetTickCount();
  poster.join();
  EXPECT_EQ(result, 0);
  ASSERT_EQ(notices.ticks.size(), 1u);
  EXPECT_GE(notices.ticks[0] - start, 100u);
  EXPECT_LT(notices.ticks[0] - start, 5000u);
  EXPECT_LT(end - start, 10000u);
  ASSERT_EQ(system_->boxLog().size(), 1u);
}

}  // namespace
