// A confirmed close ends the demo wherever it comes: in a hold, a transition,
// an effect loop, or after the blocking white flash (at the next pump). Every
// scene releases what it made (the sanitizer build checks), and the program
// ends with exit code 0. A close question left open makes the scenes catch up.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/virtual/virtual_media_service.h"
#include "programs/scenedemo.h"
#include "tests/support/media/wave_writer.h"
#include "tests/support/test_paths.h"
#include "tests/unit/scenes/scene_harness.h"

namespace scene_tests {
namespace {

// Runs the sequencer with a confirmed close `atMs` into the first cycle (and,
// should that quit be lost, a plain quit 5 s later); returns the harness for
// inspection.
std::unique_ptr<SceneHarness> RunWithCloseAt(uint64_t atMs, bool close = true) {
  auto h = std::make_unique<SceneHarness>();
  auto observer = h->sequencer->onStep;
  bool scheduled = false;
  h->sequencer->onStep = [&, raw = h.get()](std::string_view step, int result) {
    observer(step, result);
    if (step == "cycle" && !scheduled) {
      scheduled = true;
      const uint64_t now = raw->sys.backend().Elapsed();
      if (close) {
        raw->ConfirmedCloseAt(now + atMs);
      } else {
        raw->QuitAt(now + atMs);
      }
      raw->QuitAt(now + atMs + 5000);
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
  // Every kind of wait: the strip wipe, both mosaics, the paced plasma and
  // lens loops, the comet's unpaced sway, the rotation's loop and its pause,
  // the ripple's loop, a gallery and a finale hold.
  for (Case c :
       {Case{14500, "PortraitRevealScene"}, Case{24200, "PortraitRevealScene"},
        Case{67700, "LensScene"}, Case{30000, "PlasmaScene"}, Case{80000, "LensScene"},
        Case{55000, "CometScene"}, Case{91010, "RotationScene"}, Case{95000, "RotationScene"},
        Case{125000, "RippleScene"}, Case{134000, "GalleryScene"}, Case{155000, "FinaleScene"}}) {
    auto h = RunWithCloseAt(c.at);
    SCOPED_TRACE(c.scene);
    EXPECT_EQ(h->ResultOf(c.scene), 0);
    // The run ended within a couple of pumps of the confirmation.
    EXPECT_LE(h->steps.back().elapsedMs - (h->StartOf("OpeningScene") + c.at), 20u);
    EXPECT_FALSE(h->window->screenDC->Valid());
  }
}

TEST(Quit, InTheLastPumpOfTheSlideEndsTheScene) {
  // Where the slide's last pump falls, from a run without a quit in it.
  auto dry = RunWithCloseAt(16000, false);
  const uint64_t end = dry->EndOf("FadeSlideScene") - dry->StartOf("OpeningScene");
  auto h = RunWithCloseAt(end, false);
  EXPECT_EQ(h->ResultOf("FadeSlideScene"), 0);
  EXPECT_EQ(h->EndOf("FadeSlideScene") - h->StartOf("OpeningScene"), end);
  EXPECT_EQ(h->StartOf("PortraitRevealScene"), UINT64_MAX);
}

TEST(Quit, SeenWhileTheThemeStartsEndsRunBeforeAnyScene) {
  SceneHarness h;
  services::PostQuitMessage(0);
  h.QuitAt(3000);  // should the first be lost
  EXPECT_EQ(h.sequencer->Run(), 0);
  EXPECT_EQ(h.StartOf("OpeningScene"), UINT64_MAX);
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
      h.sys.backend().QueueBoxAnswer(services::IDCANCEL, 10000);
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

// scenedemo itself, over a cycle and a little, with a theme of 40 s: the
// theme is opened and played from its start when each cycle starts; when it
// ends inside a cycle its notice replays it from the start; the close ends the
// program with 0 and closes the theme.
TEST(Theme, RestartsEveryCycleAndReplaysFromTheStartWhenItEnds) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("zelk-theme-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "data");
  for (const auto& e : fs::directory_iterator(testing_support::BinDir() + "/data")) {
    if (e.path().filename() != "tobirano.wav")
      fs::create_symlink(e.path(), dir / "data" / e.path().filename());
  }
  ASSERT_TRUE(testing_support::WriteFile((dir / "data/tobirano.wav").string(),
                                         testing_support::MakeSilentWave(40000)));
  testing_support::VirtualSystem sys;
  sys.backend().SetModuleFileName((dir / "scenedemo").string());
  auto service = std::make_unique<platform::VirtualMediaService>(sys.system(), sys.backend());
  platform::VirtualMediaService* media = service.get();
  sys.system().SetMediaService(std::move(service));
  sys.backend().QueueBoxAnswer(services::IDOK);
  sys.backend().ScheduleClose(175000);
  EXPECT_EQ(programs::ScenedemoMain(), 0);

  using Entry = platform::VirtualMediaService::LogEntry;
  const std::vector<Entry>& log = media->log();
  std::vector<size_t> opens, ends;
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i].command == services::MCI_OPEN) opens.push_back(i);
    if (log[i].command == 0) ends.push_back(i);
  }
  ASSERT_EQ(opens.size(), 2u);
  for (size_t i : opens) {
    EXPECT_NE(log[i].file.find("tobirano.wav"), std::string::npos);
    ASSERT_LT(i + 1, log.size());
    EXPECT_EQ(log[i + 1].command, services::MCI_PLAY);
    EXPECT_EQ(log[i + 1].fromMs, 0u);
  }
  // The second cycle starts 171 s after the first (give or take a few pumps)
  // and closes the playing theme before opening it again.
  EXPECT_GE(log[opens[1]].elapsedMs - log[opens[0]].elapsedMs, 171000u);
  EXPECT_LE(log[opens[1]].elapsedMs - log[opens[0]].elapsedMs, 171010u);
  EXPECT_EQ(log[opens[1] - 1].command, services::MCI_CLOSE);
  // It ended four times inside the first cycle, and each notice replayed it
  // from the start on the same device at once.
  EXPECT_EQ(ends.size(), 4u);
  for (size_t i : ends) {
    if (i + 1 == log.size() || log[i].elapsedMs >= 175000) continue;
    EXPECT_EQ(log[i + 1].command, services::MCI_PLAY);
    EXPECT_EQ(log[i + 1].fromMs, 0u);
    EXPECT_EQ(log[i + 1].device, log[i].device);
    EXPECT_LE(log[i + 1].elapsedMs - log[i].elapsedMs, 2u);
  }
  EXPECT_EQ(log.back().command, services::MCI_CLOSE);
  EXPECT_EQ(sys.system().boxLog().size(), 1u);  // only the close question
  fs::remove_all(dir);
}

}  // namespace
}  // namespace scene_tests
