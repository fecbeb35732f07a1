// One whole cycle of scenedemo (and the start of the next) in virtual time:
// every scene keeps the times of the theme, and the landmarks inside the
// scenes fall on their beats. The golden checksums at the end are regression
// checks only: they were written by this code from the current data set, so
// they catch an unintended change, not a wrong picture (screens_test.cpp
// works out what each moment must show).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "image/codecs.h"
#include "services/media/media_service.h"
#include "tests/support/test_paths.h"
#include "tests/unit/scenes/scene_harness.h"

namespace scene_tests {
namespace {

// Cycle-relative moments whose screens are kept as golden checksums.
constexpr uint64_t kGoldenMoments[] = {500,    1900,   3000,   4800,   9000,   12500, 13900, 20000,
                                       30000,  38000,  44000,  50000,  57000,  64000, 75000, 95000,
                                       100000, 115000, 126000, 140000, 160000, 170000};

std::string GoldenPath() {
  return testing_support::SourceDir() + "/tests/unit/scenes/timeline_golden.txt";
}

// The first frame whose sparse checksum differs from the one before, at or
// after `from`; UINT64_MAX when none.
uint64_t FirstChangeAtOrAfter(const std::vector<Frame>& frames, uint64_t from) {
  for (size_t i = 1; i < frames.size(); ++i) {
    if (frames[i].elapsedMs >= from && frames[i].sample != frames[i - 1].sample) {
      return frames[i].elapsedMs;
    }
  }
  return UINT64_MAX;
}

bool ChangesBetween(const std::vector<Frame>& frames, uint64_t from, uint64_t to) {
  uint64_t first = FirstChangeAtOrAfter(frames, from);
  return first < to;
}

bool PresentsBetween(const std::vector<Frame>& frames, uint64_t from, uint64_t to) {
  for (const Frame& f : frames) {
    if (f.elapsedMs >= from && f.elapsedMs < to) return true;
  }
  return false;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(Timeline, OneCycleKeepsTheBeatOfTheTheme) {
  SceneHarness h;
  uint64_t cycle = UINT64_MAX;
  std::map<uint64_t, uint64_t> golden;  // moment → full checksum
  int backBufferChanges = 0;
  std::map<int, bool> plasmaPatternSeen;
  std::vector<image::DarPattern> messages;
  std::vector<image::Rgb> plasmaPalette;
  {
    std::string err;
    auto dar = image::DecodeDarBytes(ReadFile(h.DataDir() + "/msg1.dar"), &err);
    ASSERT_TRUE(dar) << err;
    messages = dar->patterns;
    auto red = image::DecodeMagBytes(ReadFile(h.DataDir() + "/red.mag"), &err);
    ASSERT_TRUE(red) << err;
    plasmaPalette = red->palette;
    ASSERT_GE(messages.size(), 3u);
  }
  // Which message pattern the screen shows: every opaque pixel of pattern m
  // at (0, 96) of the canvas, enlarged 2:1, has its palette colour.
  auto showsMessage = [&](int m) {
    const image::DarPattern& p = messages[m];
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        int16_t index = p.pixels[static_cast<size_t>(y) * p.width + x];
        if (index < 0) continue;
        const image::Rgb c = plasmaPalette[index];
        uint32_t want = (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
        if (h.window->screenDC->Pixel(2 * x, 2 * (96 + y)) != want) return false;
      }
    }
    return true;
  };

  auto observer = h.sequencer->onStep;
  h.sequencer->onStep = [&](std::string_view step, int result) {
    observer(step, result);
    if (step != "cycle" || cycle != UINT64_MAX) return;
    cycle = h.sys.backend().Elapsed();
    auto& b = h.sys.backend();
    for (uint64_t m : kGoldenMoments) {
      b.At(cycle + m, [&, m] { golden[m] = ScreenChecksum(*h.window->screenDC); });
    }
    // The back buffer during the rotation: count the moments it changes.
    h.window->backDC->TakeChanged();
    b.At(cycle + 91000, [&] { h.window->backDC->TakeChanged(); });
    for (uint64_t t = 91001; t <= 109000; ++t) {
      b.At(cycle + t, [&] { backBufferChanges += h.window->backDC->TakeChanged() ? 1 : 0; });
    }
    // The plasma's message windows around their change times.
    for (auto [t, m] : {std::pair{28390, 0}, {28470, 1}, {32590, 1}, {32670, 2}, {35990, 2}}) {
      b.At(cycle + t, [&, t = t, m = m] { plasmaPatternSeen[t] = showsMessage(m); });
    }
    h.QuitAt(cycle + 171000 + 3000);  // a little into the next cycle
  };

  EXPECT_EQ(h.sequencer->Run(), 0);
  ASSERT_NE(cycle, UINT64_MAX);
  EXPECT_TRUE(h.sys.system().boxLog().empty())
      << h.sys.system().boxLog()[0].caption << ": " << h.sys.system().boxLog()[0].text;

  auto at = [&](uint64_t cycleMs) { return cycle + cycleMs; };
  auto rel = [&](uint64_t elapsed) { return static_cast<int64_t>(elapsed - cycle); };

  // Scene ends that are cycle deadlines fall exactly on them (1 ms a pump);
  // loops that test the time after a frame end within that frame.
  EXPECT_EQ(rel(h.EndOf("OpeningScene")), 4600);
  EXPECT_EQ(rel(h.EndOf("TitleHold")), 7000);
  EXPECT_GE(rel(h.EndOf("TitleWaveScene")), 12000);
  EXPECT_LE(rel(h.EndOf("TitleWaveScene")), 12000 + 24);
  EXPECT_GE(rel(h.EndOf("FadeSlideScene")), 13300 + 31 * 32);
  EXPECT_LE(rel(h.EndOf("FadeSlideScene")), 13300 + 31 * 32 + 2);
  EXPECT_GE(rel(h.EndOf("PortraitRevealScene")), 24000 + 6 * 80);
  EXPECT_LE(rel(h.EndOf("PortraitRevealScene")), 24000 + 6 * 90);
  EXPECT_GE(rel(h.EndOf("PlasmaScene")), 36000);
  EXPECT_LE(rel(h.EndOf("PlasmaScene")), 36000 + 33);
  EXPECT_GE(rel(h.EndOf("CometScene")), 60000);
  EXPECT_LE(rel(h.EndOf("CometScene")), 60000 + 2);
  EXPECT_EQ(rel(h.EndOf("MosaicPortraitScene", 0)), 67000);
  EXPECT_GE(rel(h.EndOf("LensScene")), 85000);
  EXPECT_LE(rel(h.EndOf("LensScene")), 85000 + 33);
  EXPECT_EQ(rel(h.EndOf("RotationScene")), 109000);
  EXPECT_EQ(rel(h.EndOf("MosaicPortraitScene", 1)), 120000);
  EXPECT_GE(rel(h.EndOf("RippleScene")), 132000);
  EXPECT_LE(rel(h.EndOf("RippleScene")), 132000 + 2);
  EXPECT_EQ(h.EndOf("GalleryScene") - h.StartOf("GalleryScene"), 6u * 3000);
  // The finale's own 21 s may end a few pumps past 171 s when the scenes
  // before it ended a pump or two after their deadlines; then its last wait
  // pumps once.
  EXPECT_GE(rel(h.EndOf("FinaleScene")), 171000);
  EXPECT_LE(rel(h.EndOf("FinaleScene")), 171000 + 5);
  for (const StepEvent& e : h.steps) {
    if (e.result != -1 && e.elapsedMs < at(171000)) {
      EXPECT_EQ(e.result, 1) << e.step;
    }
  }
  // Every scene starts where the one before ended.
  for (size_t i = 1; i < h.steps.size(); ++i) {
    if (h.steps[i].result == -1 && h.steps[i - 1].result != -1 && h.steps[i].step != "cycle") {
      EXPECT_EQ(h.steps[i].elapsedMs, h.steps[i - 1].elapsedMs) << h.steps[i].step;
    }
  }

  // The next cycle restarts the theme right after the finale.
  uint64_t second = UINT64_MAX;
  for (const StepEvent& e : h.steps) {
    if (e.step == "cycle" && e.elapsedMs > cycle) second = e.elapsedMs;
  }
  ASSERT_NE(second, UINT64_MAX);
  EXPECT_LE(second - at(171000), 5u);
  std::vector<uint64_t> themeOpens;
  for (const auto& entry : h.media->log()) {
    if (entry.command == services::MCI_OPEN &&
        entry.file.find("tobirano.wav") != std::string::npos) {
      themeOpens.push_back(entry.elapsedMs);
    }
  }
  ASSERT_EQ(themeOpens.size(), 2u);
  EXPECT_LE(cycle - themeOpens[0], 2u);
  EXPECT_LE(second - themeOpens[1], 2u);
  EXPECT_GE(themeOpens[1], at(171000));

  // The plasma's messages change at 28.4 s and 32.6 s.
  EXPECT_TRUE(plasmaPatternSeen[28390]);
  EXPECT_TRUE(plasmaPatternSeen[28470]);
  EXPECT_TRUE(plasmaPatternSeen[32590]);
  EXPECT_TRUE(plasmaPatternSeen[32670]);
  EXPECT_TRUE(plasmaPatternSeen[35990]);

  // The comet's shapes hold still, then start rising at 40, 46 and 52 s.
  for (uint64_t landmark : {40000u, 46000u, 52000u}) {
    EXPECT_FALSE(ChangesBetween(h.frames, at(landmark - 800), at(landmark))) << landmark;
    uint64_t first = FirstChangeAtOrAfter(h.frames, at(landmark));
    EXPECT_LE(first - at(landmark), 2u) << landmark;
  }

  // The rotation pauses after each quarter turn until 97, 103 and 109 s, and
  // keeps each quarter turn in the back buffer.
  for (uint64_t landmark : {97000u, 103000u, 109000u}) {
    EXPECT_FALSE(PresentsBetween(h.frames, at(landmark - 5500), at(landmark))) << landmark;
    EXPECT_TRUE(PresentsBetween(h.frames, at(landmark), at(landmark + 3))) << landmark;
  }
  EXPECT_EQ(backBufferChanges, 3);

  // Golden screens: any unintended change to a scene or the data set shows here.
  ASSERT_EQ(golden.size(), std::size(kGoldenMoments));
  if (std::getenv("ZELK_UPDATE_GOLDEN") != nullptr) {
    std::ofstream out(GoldenPath());
    out << "# Regression checks written by the code itself (ZELK_UPDATE_GOLDEN=1):\n"
        << "# cycle ms, FNV-1a 64 of the screen surface\n";
    for (auto [m, sum] : golden)
      out << m << " " << std::hex << sum << std::dec << "\n";
    GTEST_SKIP() << "golden timeline rewritten: " << GoldenPath();
  }
  std::ifstream in(GoldenPath());
  ASSERT_TRUE(in) << "missing " << GoldenPath() << " (run with ZELK_UPDATE_GOLDEN=1 to make it)";
  std::string line;
  size_t compared = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    uint64_t m = 0, sum = 0;
    fields >> m >> std::hex >> sum;
    ASSERT_TRUE(golden.count(m)) << m;
    EXPECT_EQ(golden[m], sum) << "screen at " << m << " ms differs from the golden timeline";
    ++compared;
  }
  EXPECT_EQ(compared, golden.size());
}

}  // namespace
}  // namespace scene_tests
