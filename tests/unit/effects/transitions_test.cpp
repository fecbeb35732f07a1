// The mosaic transitions and the strip reveal on the virtual backend: what
// reaches the screen surface, when, and how a quit or a missing temporary
// surface is handled.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "effects/mosaic.h"
#include "effects/reveal.h"
#include "services/calls.h"
#include "shell/pump.h"
#include "tests/support/failing_allocations.h"
#include "tests/support/virtual_system.h"

namespace {

using effects::MosaicRect;
using services::Surface;

// Every pixel of the picture differs: its value encodes its position.
uint32_t Code(int x, int y) {
  return static_cast<uint32_t>(x) | static_cast<uint32_t>(y) << 12;
}

void PaintCoded(Surface& s) {
  for (int y = 0; y < Surface::kHeight; ++y) {
    for (int x = 0; x < Surface::kWidth; ++x)
      s.Pixels()[y * Surface::kWidth + x] = Code(x, y);
  }
}

std::vector<uint32_t> Copy(const Surface& s) {
  return std::vector<uint32_t>(s.Pixels(), s.Pixels() + Surface::kWidth * Surface::kHeight);
}

struct Fixture {
  testing_support::VirtualSystem sys;
  std::unique_ptr<shell::MainWindow> window = sys.OpenMainWindow("ZELK SYSTEM");
  // The screen as last presented (the surface itself is released by a
  // confirmed close).
  std::vector<uint32_t> lastShown;

  Fixture() {
    EXPECT_EQ(shell::PumpPending(), 1);
    PaintCoded(*window->backDC);
    sys.backend().SetPresentHook([this](services::Tick, const Surface& s) { lastShown = Copy(s); });
  }
  // A close request at `afterMs` from now, confirmed.
  void CloseAfter(uint64_t afterMs) {
    sys.backend().QueueBoxAnswer(services::IDOK);
    sys.backend().ScheduleClose(sys.backend().Elapsed() + afterMs);
  }
};

// The coded picture as a mosaic step with square blocks of `b` pixels shows
// it: each block holds the pixel at its top-left corner.
uint32_t Block(int b, int x, int y) {
  return Code(x / b * b, y / b * b);
}

// The coarsest step: a 10 × 7 copy stretched back, blocks 64 wide and 69, 69,
// 68, 69, 68, 69, 68 lines high, each holding the pixel at column 64 i of the
// row that 480 / 7 scales its band to.
uint32_t Coarsest(int x, int y) {
  const int top[8] = {0, 69, 138, 206, 275, 343, 412, 480};
  const int row[7] = {0, 68, 137, 205, 274, 342, 411};
  int band = 0;
  while (y >= top[band + 1])
    ++band;
  return Code(x / 64 * 64, row[band]);
}

TEST(Mosaic, StepRectangles) {
  const MosaicRect want[] = {{0, 0, 640, 480},   {160, 120, 320, 240}, {240, 180, 160, 120},
                             {280, 210, 80, 60}, {300, 225, 40, 30},   {310, 232, 20, 15},
                             {315, 236, 10, 7}};
  for (int s = 0; s <= 6; ++s)
    EXPECT_EQ(effects::MosaicStepRect(s), want[s]) << s;
}

TEST(Mosaic, OutGrowsTheBlocksAndInShrinksThemOneStepAPresent) {
  Fixture f;
  std::vector<std::pair<services::Tick, std::vector<uint32_t>>> shown;
  f.sys.backend().SetPresentHook(
      [&](services::Tick t, const Surface& s) { shown.emplace_back(t, Copy(s)); });
  const uint64_t start = f.sys.backend().Elapsed();
  ASSERT_EQ(effects::MosaicOut(*f.window), 1);
  // 6 steps of 80 ms, each ending on the first check past it: 8 × (1 ms pump
  // + 10 ms sleep) = 88 ms.
  EXPECT_EQ(f.sys.backend().Elapsed() - start, 6 * 88u);
  EXPECT_EQ(f.window->screenDC->StretchBltMode(), services::COLORONCOLOR);
  EXPECT_EQ(f.window->backDC->StretchBltMode(), services::COLORONCOLOR);
  const uint64_t mid = f.sys.backend().Elapsed();
  ASSERT_EQ(effects::MosaicIn(*f.window), 1);
  // 7 steps of exactly 80 ms: 40 × (1 ms pump + 1 ms sleep).
  EXPECT_EQ(f.sys.backend().Elapsed() - mid, 7 * 80u);
  EXPECT_EQ(f.sys.system().boxLog().size(), 0u);

  // Blocks of 1, 2, 4, 8, 16, 32 pixels, then the coarsest, 32, 16, 8, 4, 2, 1.
  const int blocks[13] = {1, 2, 4, 8, 16, 32, 64, 32, 16, 8, 4, 2, 1};
  ASSERT_EQ(shown.size(), 13u);
  for (size_t n = 0; n < shown.size(); ++n) {
    SCOPED_TRACE("step shown " + std::to_string(n));
    EXPECT_EQ(shown[n].first - shown[0].first, n < 6 ? 88 * n : 6 * 88 + 80 * (n - 6));
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        const uint32_t want = blocks[n] == 64 ? Coarsest(x, y) : Block(blocks[n], x, y);
        ASSERT_EQ(shown[n].second[y * 640 + x], want) << x << "," << y;
      }
    }
  }
}

TEST(Mosaic, QuitInTheFirstWaitOfOutStopsAfterOneStep) {
  Fixture f;
  f.CloseAfter(1);
  const uint64_t start = f.sys.backend().Elapsed();
  EXPECT_EQ(effects::MosaicOut(*f.window), 0);
  EXPECT_LT(f.sys.backend().Elapsed() - start, 80u);
  // Step 0 is a plain copy of the back buffer.
  ASSERT_EQ(f.lastShown.size(), 640u * 480u);
  EXPECT_EQ(f.lastShown[479 * 640 + 639], Code(639, 479));
  EXPECT_EQ(f.lastShown[1 * 640 + 1], Code(1, 1));
}

TEST(Mosaic, MissingTemporarySurfaceIsReportedAndLeavesTheScreenAlone) {
  Fixture f;
  f.window->screenDC->PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
  testing_support::FailAllocations(640 * 480 * sizeof(uint32_t), 1);
  const uint64_t start = f.sys.backend().Elapsed();
  EXPECT_EQ(effects::MosaicOut(*f.window), 1);
  EXPECT_GE(f.sys.backend().Elapsed() - start, 6 * 80u);  // timing and pumping as usual
  ASSERT_EQ(f.sys.system().boxLog().size(), 1u);
  const services::BoxRecord& box = f.sys.system().boxLog()[0];
  EXPECT_EQ(box.text,
            "画面ＤＣが確保できません。他の大きなプログラムを終了してから起動し直してみてください");
  EXPECT_EQ(box.caption, "ZELK SYSTEM");
  EXPECT_EQ(box.style, services::MB_OK | services::MB_ICONEXCLAMATION);
  EXPECT_EQ(f.window->screenDC->Pixel(0, 0), 0x00FFFFFFu);
  EXPECT_EQ(f.window->screenDC->Pixel(639, 479), 0x00FFFFFFu);

  // Once per call: the next call that gets its surface shows nothing.
  EXPECT_EQ(effects::MosaicIn(*f.window), 1);
  EXPECT_EQ(f.sys.system().boxLog().size(), 1u);
  EXPECT_EQ(Copy(*f.window->screenDC), Copy(*f.window->backDC));
}

TEST(Reveal, CopiesEveryLineOnceAtItsOwnStep) {
  Fixture f;
  // The back buffer's colour is the virtual time in ms since the start, so
  // each screen line ends up holding the time of the last copy that reached it.
  const uint64_t start = f.sys.backend().Elapsed();
  for (uint32_t ms = 0; ms <= 700; ++ms) {
    f.sys.backend().At(start + ms, [&f, ms] {
      uint32_t* p = f.window->backDC->Pixels();
      std::fill(p, p + 640 * 480, ms);
      f.window->backDC->MarkChanged();
    });
  }
  f.window->backDC->PatBlt(0, 0, 640, 480, services::RasterFill::kBlackness);
  f.window->screenDC->PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
  ASSERT_EQ(effects::RevealStrips(*f.window), 1);
  EXPECT_EQ(f.sys.backend().Elapsed() - start, 600u);  // 120 steps of 5 ms
  const Surface& screen = *f.window->screenDC;
  for (int line = 0; line < 480; ++line) {
    int step = 0;
    switch (line % 4) {
      case 0:
      case 1:
        step = line / 4;
        break;
      default:
        step = (479 - line) / 4;
        break;
    }
    const uint32_t copiedAt = step * 5u;
    for (int x : {0, 320, 639})
      ASSERT_EQ(screen.Pixel(x, line), copiedAt) << "line " << line;
  }
}

TEST(Reveal, QuitInTheFirstWaitLeavesOnlyTheOuterLinePairs) {
  Fixture f;
  f.window->backDC->PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
  f.window->screenDC->PatBlt(0, 0, 640, 480, services::RasterFill::kBlackness);
  f.CloseAfter(1);
  EXPECT_EQ(effects::RevealStrips(*f.window), 0);
  ASSERT_EQ(f.lastShown.size(), 640u * 480u);
  for (int line = 0; line < 480; ++line) {
    const bool copied = line <= 1 || line >= 478;
    for (int x : {0, 639}) {
      ASSERT_EQ(f.lastShown[line * 640 + x], copied ? 0x00FFFFFFu : 0u) << "line " << line;
    }
  }
}

}  // namespace
