// A confirmed close ends the demo wherever it comes: in a hold, a transition,
// an effect loop, or after the blocking white flash (at the next pump). Every
// scene releases what it made (the sanitizer build checks), and the program
// ends with exit code 0. A close question left open makes the scenes catch up.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/media/virtual_media_service.h"
#include "programs/scenedemo.h"
#include "tests/support/test_paths.h"
#include "tests/unit/scenes/scene_harness.h"

namespace scene_tests {
namespace {

// Runs the sequencer with a confirmed close `atMs` into the first cycle;
// returns the harness for inspection.
std::unique_ptr<SceneHarness> RunWithCloseAt(uint64_t atMs) {
  auto h = std::make_unique<SceneHarness>();
  auto observer = h->sequencer->onStep;
  bool scheduled = false;
  h->sequencer->onStep = [&, raw = h.get()](std::string_view step, int result) {
    observer(step, result);
    if (step == "cycle" && !scheduled) {
      scheduled = true;
      raw->ConfirmedCloseAt(raw->sys.backend().Elapsed() + atMs);
    }
  };
  EXPECT_EQ(h->sequencer->Run(), 0);
  h->sequencer->onStep = observer;
  return h;
}

TEST(Quit, DuringTheTitleHoldEndsWithoutAnotherScene) {
  auto h = RunWithCloseAt(5500);
  EXPECT_EQ(h->ResultOf("OpeningScene"), 1);
  EXPECT_EQ(h->ResultOf("TitleHold"), 0);
  EXPECT_EQ(h->StartOf("TitleWaveScene"), UINT64_MAX);
  EXPECT_EQ(h->sys.system().boxLog().size(), 1u);
}

TEST(Quit, DuringTransitionsAndEffectLoopsEndsTheSceneAtOnce) {
  struct Case {
    uint64_t at;
    const char* scene;
  };
  // A mosaic transition, the plasma's paced loop, and the comet's unpaced
  // sway; the other scenes share these ways of waiting.
  for (Case c : {Case{24200, "PortraitRevealScene"}, Case{30000, "PlasmaScene"},
                 Case{55000, "CometScene"}}) {
    auto h = RunWithCloseAt(c.at);
    SCOPED_TRACE(c.scene);
    EXPECT_EQ(h->ResultOf(c.scene), 0);
    // The run ended within a couple of pumps of the confirmation.
    EXPECT_LE(h->steps.back().elapsedMs - (h->StartOf("OpeningScene") + c.at), 20u);
    EXPECT_FALSE(h->window->screenDC->Valid());
  }
}

TEST(Quit, DuringTheWhiteFlashIsHandledAtTheNextPump) {
  // The flash sleeps from 4200 to 4600 ms without pumping: the request waits,
  // the title is drawn, and the question comes during the title hold.
  auto h = RunWithCloseAt(4300);
  EXPECT_EQ(h->ResultOf("OpeningScene"), 1);
  EXPECT_EQ(h->ResultOf("TitleHold"), 0);
  // The hold's first pump call takes the request, asks, and sees the quit.
  EXPECT_GE(h->EndOf("TitleHold") - h->StartOf("OpeningScene"), 4601u);
  EXPECT_LE(h->EndOf("TitleHold") - h->StartOf("OpeningScene"), 4602u);
}

TEST(Quit, QuestionLeftOpenDuringTheTitleWaveMakesLaterScenesCatchUp) {
  SceneHarness h;
  auto observer = h.sequencer->onStep;
  uint64_t cycle = 0;
  h.sequencer->onStep = [&](std::string_view step, int result) {
    observer(step, result);
    if (step == "cycle" && cycle == 0) {
      cycle = h.sys.backend().Elapsed();
      h.sys.backend().QueueBoxAnswer(platform::IDCANCEL, 10000);
      h.sys.backend().ScheduleClose(cycle + 8000);
      h.QuitAt(cycle + 30000);
    }
  };
  EXPECT_EQ(h.sequencer->Run(), 0);
  // The question opened at 8 s and stayed 10 s; the title wave then ends
  // without another frame, since its 12 s are long past.
  uint64_t waveEnd = h.EndOf("TitleWaveScene");
  EXPECT_GE(waveEnd - cycle, 18000u);
  EXPECT_LE(waveEnd - cycle, 18030u);
  for (const Frame& f : h.frames) {
    EXPECT_FALSE(f.elapsedMs > cycle + 8100 && f.elapsedMs <= waveEnd) << f.elapsedMs - cycle;
  }
  // The fade runs its own 0.5 s, its hold is over, it slides, and the portrait
  // scene is back on the theme's time.
  EXPECT_EQ(h.ResultOf("FadeSlideScene"), 1);
  EXPECT_GE(h.EndOf("PortraitRevealScene") - cycle, 24000u + 6 * 80);
  EXPECT_LE(h.EndOf("PortraitRevealScene") - cycle, 24000u + 6 * 90);
}

TEST(Quit, ScenedemoEntryExitsZeroAndReleasesTheTheme) {
  testing_support::VirtualSystem sys;
  sys.backend().SetModuleFileName(testing_support::BinDir() + "/scenedemo");
  auto service = std::make_unique<platform::VirtualMediaService>(sys.system(), sys.backend());
  platform::VirtualMediaService* media = service.get();
  sys.system().SetMediaService(std::move(service));
  sys.backend().QueueBoxAnswer(platform::IDOK);
  sys.backend().ScheduleClose(45000);
  EXPECT_EQ(programs::ScenedemoMain(), 0);
  // The theme was opened and played, and closed on the way out.
  int opens = 0, closes = 0;
  for (const auto& e : media->log()) {
    opens += e.command == platform::MCI_OPEN;
    closes += e.command == platform::MCI_CLOSE;
  }
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(sys.system().boxLog().size(), 1u);  // only the close question
}

}  // namespace
}  // namespace scene_tests
