// The effect programs on the virtual backend, run through their entries with
// small MAG pictures written into a temporary program folder: what each frame
// shows, the pacing, quitting within one frame, and missing or unfit pictures.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "effects/lens.h"
#include "effects/plasma.h"
#include "effects/ripple.h"
#include "effects/rotation.h"
#include "image/codecs.h"
#include "image/mag_image.h"
#include "programs/effect_programs.h"
#include "services/calls.h"
#include "tests/support/virtual_system.h"

namespace {

namespace fs = std::filesystem;
using namespace effects;
using services::Surface;

// Palette entry i: a colour no other entry has, so a screen pixel names its index.
image::Rgb PaletteColor(int i, int salt) {
  return {static_cast<uint8_t>(i), static_cast<uint8_t>(i ^ salt), static_cast<uint8_t>(255 - i)};
}

image::IndexedPicture RandomPicture(int width, int height, uint32_t seed, int colors = 256) {
  image::IndexedPicture p;
  p.width = width;
  p.height = height;
  p.colors = colors;
  for (int i = 0; i < colors; ++i)
    p.palette.push_back(PaletteColor(i, static_cast<int>(seed)));
  std::mt19937 rng(seed);
  p.pixels.resize(static_cast<size_t>(width) * height);
  for (auto& b : p.pixels)
    b = static_cast<uint8_t>(rng() % colors);
  return p;
}

// A program folder with its own virtual system; the test's main window opens
// on it, and every presented screen is kept (up to a limit).
class EffectFolder {
 public:
  EffectFolder() : dir_(MakeFolder()) {
    vs_.backend().SetModuleFileName((dir_ / "program").string());
    vs_.backend().SetPresentHook([this](services::Tick tick, const Surface& s) {
      if (keep.count(ticks.size())) frames[ticks.size()].assign(s.Pixels(), s.Pixels() + 640 * 480);
      ticks.push_back(tick);
      if (backend().Elapsed() > paintAt && backend().Elapsed() <= paintAt + 4)
        repainted.emplace_back(s.Pixels(), s.Pixels() + 640 * 480);
      last.assign(s.Pixels(), s.Pixels() + 640 * 480);
    });
  }
  ~EffectFolder() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void WriteMag(const std::string& name, const image::IndexedPicture& picture) {
    std::string error;
    const std::vector<uint8_t> bytes = image::EncodeMag(picture, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  // Loads a written picture the way the loops do.
  std::unique_ptr<image::MagImage> Load(const std::string& name) {
    auto m = std::make_unique<image::MagImage>(nullptr, "");
    EXPECT_EQ(m->Load(name.c_str()), 1);
    return m;
  }
  // A close request `afterMs` from now, answered `answer` (held `holdMs`).
  void CloseAfter(uint64_t afterMs, int answer = services::IDOK, uint32_t holdMs = 0) {
    vs_.backend().QueueBoxAnswer(answer, holdMs);
    vs_.backend().ScheduleClose(vs_.backend().Elapsed() + afterMs);
  }
  // Runs a program entry; frames are kept from the start of its body on.
  int Run(int (*entry)()) {
    vs_.backend().SetMarkHook([this](const std::string& what) {
      if (what != "body") return;
      ticks.clear();
      frames.clear();
    });
    return entry();
  }
  const std::vector<services::BoxRecord>& boxes() { return vs_.system().boxLog(); }
  std::string Full(const std::string& name) const { return (dir_ / name).string(); }
  platform::VirtualBackend& backend() { return vs_.backend(); }

  // The window's screen surface as it is `afterMs` from now, into `snapshot`.
  void SnapshotAfter(uint64_t afterMs) {
    vs_.backend().At(vs_.backend().Elapsed() + afterMs, [this] {
      const Surface& s = vs_.system().windows().front()->screen;
      snapshot.assign(s.Pixels(), s.Pixels() + 640 * 480);
    });
  }
  // An uncovering (a paint message) `afterMs` from now.
  void RepaintAfter(uint64_t afterMs) {
    paintAt = vs_.backend().Elapsed() + afterMs;
    vs_.backend().ScheduleMessage(paintAt, services::WM_PAINT, 0, 0);
  }

  std::vector<services::Tick> ticks;
  std::set<size_t> keep = {0, 1, 2};  // frames to keep, counted from the body's start
  std::map<size_t, std::vector<uint32_t>> frames;
  uint64_t paintAt = UINT64_MAX;
  std::vector<std::vector<uint32_t>> repainted;  // the screens presented just after the paint
  std::vector<uint32_t> last;
  std::vector<uint32_t> snapshot;

 private:
  static fs::path MakeFolder() {
    static std::atomic<int> counter{0};
    fs::path d = fs::temp_directory_path() /
                 ("zelk-effects-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
  }
  fs::path dir_;
  testing_support::VirtualSystem vs_;
};

uint32_t Xrgb(const uint8_t* colorTable, uint8_t index) {
  const uint8_t* q = colorTable + 4 * index;
  return uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
}

// Whether `screen` shows the 8-bit canvas (bottom-up rows, `width` bytes a
// row) enlarged 2:1 with its top-left corner at (x0, y0).
::testing::AssertionResult ShowsDoubled(const std::vector<uint32_t>& screen, const uint8_t* canvas,
                                        const uint8_t* colorTable, int width, int height, int x0,
                                        int y0) {
  for (int y = 0; y < 2 * height; ++y) {
    for (int x = 0; x < 2 * width; ++x) {
      const uint8_t index = canvas[(height - 1 - y / 2) * width + x / 2];
      if (screen[(y0 + y) * 640 + x0 + x] != Xrgb(colorTable, index))
        return ::testing::AssertionFailure() << "differs at " << x0 + x << "," << y0 + y;
    }
  }
  return ::testing::AssertionSuccess();
}

bool AllBlack(const std::vector<uint32_t>& screen) {
  return screen.size() == 640u * 480u &&
         std::all_of(screen.begin(), screen.end(), [](uint32_t p) { return p == 0; });
}

// The lens square worked out from its closed form: with e the distance of lens
// pixel (i, j) from (32, 32), inside the circle it shows the picture pixel
// dy · m + 32, dx · m + 32 (truncated) with m = (32² + e²) / (2 · 32²).
std::vector<uint8_t> WithLens(const uint8_t* source, int lensX, int lensY) {
  std::vector<uint8_t> canvas(source, source + 320 * 240);
  for (int i = 0; i < 64; ++i) {
    for (int j = 0; j < 64; ++j) {
      const double dx = j - 32, dy = i - 32, e = std::hypot(dx, dy);
      int g = i, h = j;
      if (e < 32) {
        const double m = (32.0 * 32 + e * e) / (2.0 * 32 * 32);
        g = static_cast<int>(dy * m + 32);
        h = static_cast<int>(dx * m + 32);
      }
      canvas[(lensY + i) * 320 + lensX + j] = source[(lensY + g) * 320 + lensX + h];
    }
  }
  return canvas;
}

TEST(Lensdemo, FramesShowTheLensGlidingOverThePicture) {
  EffectFolder f;
  f.WriteMag("PELIA.MAG", RandomPicture(320, 240, 11));  // names match without regard to case
  f.CloseAfter(30);
  EXPECT_EQ(f.Run(programs::LensdemoMain), 0);
  ASSERT_EQ(f.boxes().size(), 1u);
  EXPECT_EQ(f.boxes()[0].text, "ZELK SYSTEMを終了します。よろしいですか？");

  // Frame n: the lens at column 128 + 4n of buffer row 88 + 4n, so the first
  // frame has it in the middle and it moves up and right.
  auto source = f.Load("pelia.mag");
  ASSERT_EQ(f.frames.size(), 3u);
  for (int n = 0; n < 3; ++n) {
    const std::vector<uint8_t> canvas = WithLens(source->bits, 128 + 4 * n, 88 + 4 * n);
    EXPECT_TRUE(ShowsDoubled(f.frames[n], canvas.data(), source->colorTable, 320, 240, 0, 0))
        << "frame " << n;
  }
  // Unpaced: one frame per pump, 1 ms apart on the virtual clock.
  for (size_t i = 1; i < f.ticks.size(); ++i)
    ASSERT_EQ(f.ticks[i] - f.ticks[i - 1], 1u) << i;
}

TEST(Spindemo, TurnsOnePhaseAFrameInTheSourceColoursWithAOneMsSleep) {
  EffectFolder f;
  f.WriteMag("kaiten.mag", RandomPicture(840, 840, 12));
  f.WriteMag("red.mag", RandomPicture(320, 240, 13));
  f.keep = {0, 64};
  f.CloseAfter(200);
  EXPECT_EQ(f.Run(programs::SpindemoMain), 0);

  // Phase 0: canvas pixel (c, r) shows source (420 + c, 420 + max(r − 1, 0));
  // a quarter turn later, source (420 − max(r − 1, 0), 420 + c) (bottom-up
  // coordinates of the 840-wide source).
  auto source = f.Load("kaiten.mag");
  ASSERT_EQ(f.frames.size(), 2u);
  std::vector<uint8_t> still(kCanvasBytes), quarter(kCanvasBytes);
  for (int r = 0; r < 240; ++r) {
    for (int c = 0; c < 320; ++c) {
      const int down = std::max(r - 1, 0);
      still[r * 320 + c] = source->bits[(420 + down) * 840 + 420 + c];
      quarter[r * 320 + c] = source->bits[(420 + c) * 840 + 420 - down];
    }
  }
  EXPECT_TRUE(ShowsDoubled(f.frames[0], still.data(), source->colorTable, 320, 240, 0, 0));
  EXPECT_TRUE(ShowsDoubled(f.frames[64], quarter.data(), source->colorTable, 320, 240, 0, 0));
  for (size_t i = 1; i < f.ticks.size(); ++i)
    ASSERT_EQ(f.ticks[i] - f.ticks[i - 1], 2u) << i;
}

TEST(Ripdemo, RipplesInTheMiddleOverTheBackground) {
  EffectFolder f;
  f.WriteMag("water.mag", RandomPicture(320, 240, 14));
  f.WriteMag("waters.mag", RandomPicture(160, 120, 15));
  f.CloseAfter(30);
  EXPECT_EQ(f.Run(programs::RipdemoMain), 0);

  // The first frame: the drops at 9716 and 9644 give height 60 to their four
  // neighbours, whose pixels show the picture 60 places further along.
  auto background = f.Load("water.mag");
  auto source = f.Load("waters.mag");
  std::vector<uint8_t> first(source->bits, source->bits + 160 * 120);
  for (int drop : {9716, 9644}) {
    for (int i : {drop - 1, drop + 1, drop - 160, drop + 160})
      first[i] = source->bits[i + 60];
  }
  ASSERT_EQ(f.frames.size(), 3u);
  EXPECT_TRUE(ShowsDoubled(f.frames[0], first.data(), source->colorTable, 160, 120, 160, 120));
  EXPECT_NE(f.frames[1], f.frames[0]);
  EXPECT_NE(f.frames[2], f.frames[1]);
  // Around the middle, the background enlarged to the whole window.
  std::vector<uint32_t> around = f.frames[0];
  for (int y = 120; y < 360; ++y) {
    for (int x = 160; x < 480; ++x) {
      around[y * 640 + x] =
          Xrgb(background->colorTable, background->bits[(239 - y / 2) * 320 + x / 2]);
    }
  }
  EXPECT_TRUE(ShowsDoubled(around, background->bits, background->colorTable, 320, 240, 0, 0));
}

// An uncovering repaints from the back buffer, which only ripdemo fills (with
// its background); the next frame then covers what the effect draws.
TEST(EffectRepaint, ShowsBlackOrTheRippleBackgroundUntilTheNextFrame) {
  int n = 0;
  for (int (*entry)() : {programs::LensdemoMain, programs::SpindemoMain, programs::RipdemoMain,
                         programs::PlasmademoMain}) {
    ++n;
    EffectFolder f;
    f.WriteMag("pelia.mag", RandomPicture(320, 240, 21));
    f.WriteMag("kaiten.mag", RandomPicture(840, 840, 22));
    f.WriteMag("red.mag", RandomPicture(320, 240, 23));
    f.WriteMag("water.mag", RandomPicture(320, 240, 24));
    f.WriteMag("waters.mag", RandomPicture(160, 120, 25));
    f.RepaintAfter(15);
    f.CloseAfter(30);
    EXPECT_EQ(f.Run(entry), 0);
    // One of the screens presented right after the paint is the repaint.
    auto background = f.Load("water.mag");
    EXPECT_TRUE(std::any_of(f.repainted.begin(), f.repainted.end(),
                            [&](const auto& screen) {
                              return entry == programs::RipdemoMain
                                         ? bool(ShowsDoubled(screen, background->bits,
                                                             background->colorTable, 320, 240, 0,
                                                             0))
                                         : AllBlack(screen);
                            }))
        << "program " << n;
    EXPECT_GT(f.ticks.back(), f.paintAt + 2);  // frames went on after the repaint
  }
}

TEST(Plasmademo, FramesFollowTheClosedFormInTheCanvasColours) {
  EffectFolder f;
  f.WriteMag("red.mag", RandomPicture(320, 240, 16));
  f.CloseAfter(30);
  EXPECT_EQ(f.Run(programs::PlasmademoMain), 0);

  auto red = f.Load("red.mag");
  const PlasmaWave w = BuildPlasmaWave(3.141592654);
  ASSERT_GE(f.frames.size(), 3u);
  // The buffer's first pixel is the picture's bottom-left corner: 4 × W[0].
  EXPECT_EQ(f.frames[0][479 * 640], Xrgb(red->colorTable, 128));
  for (int n = 0; n < 3; ++n) {
    std::vector<uint8_t> canvas(kCanvasBytes);
    for (int r = 0; r < 240; ++r) {
      for (int x = 0; x < 320; ++x) {
        canvas[r * 320 + x] = static_cast<uint8_t>(w[(3 * x - 4 * n) & 255] + w[(x + 3 * n) & 255] +
                                                   w[(r - 2 * n) & 255] + w[(2 * r + n) & 255]);
      }
    }
    EXPECT_TRUE(ShowsDoubled(f.frames[n], canvas.data(), red->colorTable, 320, 240, 0, 0))
        << "frame " << n;
  }
}

TEST(EffectQuit, CancelLetsTheEffectRunOnAndItStandsStillWhileAsked) {
  EffectFolder f;
  f.WriteMag("red.mag", RandomPicture(320, 240, 17));
  f.CloseAfter(10, services::IDCANCEL, 500);  // the question stays open 500 ms
  f.CloseAfter(700);
  const uint64_t closeAt = f.backend().Elapsed() + 700;
  EXPECT_EQ(f.Run(programs::PlasmademoMain), 0);
  ASSERT_EQ(f.boxes().size(), 2u);
  // Frames stop while the question is open, then go on until the OK.
  size_t gaps = 0;
  for (size_t i = 1; i < f.ticks.size(); ++i) {
    if (f.ticks[i] - f.ticks[i - 1] >= 500) ++gaps;
  }
  EXPECT_EQ(gaps, 1u);
  EXPECT_GT(f.ticks.back(), closeAt - 10);
  // The OK ends the loop in the pump that took the close: no frame after it.
  EXPECT_LE(f.backend().Elapsed(), closeAt + 1);
  EXPECT_LE(f.ticks.back(), closeAt);
}

// A program, the pictures written for it, and the boxes expected before the
// close question: (caption file, text).
struct PictureCase {
  int (*entry)();
  std::vector<std::pair<std::string, image::IndexedPicture>> files;
  std::vector<std::pair<std::string, std::string>> reported;
};

TEST(EffectPictures, MissingOrUnfitPicturesAreReportedAndTheWindowStaysBlackAndClosable) {
  const std::string open = "Error: Can't file open.";
  const std::string canvas = "Error: The picture must be 320 x 240 pixels of 256 colours.";
  const PictureCase cases[] = {
      {programs::LensdemoMain, {}, {{"pelia.mag", open}, {"pelia.mag", open}}},
      {programs::SpindemoMain, {{"red.mag", RandomPicture(320, 240, 1)}}, {{"kaiten.mag", open}}},
      {programs::RipdemoMain,
       {{"water.mag", RandomPicture(320, 240, 2)}},
       {{"waters.mag", open}, {"waters.mag", open}}},
      {programs::PlasmademoMain, {}, {{"red.mag", open}}},
      {programs::PlasmademoMain, {{"red.mag", RandomPicture(64, 48, 3)}}, {{"red.mag", canvas}}},
      // Right size, but 16 colours: four bits a pixel.
      {programs::LensdemoMain,
       {{"pelia.mag", RandomPicture(320, 240, 4, 16)}},
       {{"pelia.mag", canvas}}},
      // The turning picture needs 840 columns and at least 819 rows.
      {programs::SpindemoMain,
       {{"kaiten.mag", RandomPicture(840, 818, 5)}, {"red.mag", RandomPicture(320, 240, 6)}},
       {{"kaiten.mag", "Error: The picture must be 840 x 840 pixels of 256 colours."}}},
      {programs::RipdemoMain,
       {{"water.mag", RandomPicture(320, 240, 7)}, {"waters.mag", RandomPicture(320, 240, 8)}},
       {{"waters.mag", "Error: The picture must be 160 x 120 pixels of 256 colours."}}},
  };
  int n = 0;
  for (const PictureCase& c : cases) {
    SCOPED_TRACE("case " + std::to_string(n++));
    EffectFolder f;
    for (const auto& [name, picture] : c.files)
      f.WriteMag(name, picture);
    f.SnapshotAfter(90);
    f.CloseAfter(100);
    testing::internal::CaptureStderr();
    EXPECT_EQ(f.Run(c.entry), 0);
    // Each box is also one line on stderr: the full path and why.
    std::istringstream err(testing::internal::GetCapturedStderr());
    ASSERT_EQ(f.boxes().size(), c.reported.size() + 1);
    for (size_t i = 0; i < c.reported.size(); ++i) {
      std::string line;
      EXPECT_TRUE(std::getline(err, line) &&
                  line.find(": " + f.Full(c.reported[i].first) + ": ") != std::string::npos)
          << line;
      EXPECT_EQ(f.boxes()[i].caption, f.Full(c.reported[i].first));
      EXPECT_EQ(f.boxes()[i].text, c.reported[i].second);
      EXPECT_EQ(f.boxes()[i].style, services::MB_ICONERROR);
    }
    std::string more;
    EXPECT_FALSE(std::getline(err, more)) << more;
    EXPECT_EQ(f.boxes().back().caption, "ZELK SYSTEM");
    EXPECT_TRUE(AllBlack(f.snapshot));
    EXPECT_GE(f.backend().Elapsed(), 100u);
  }
}

TEST(EffectPictures, RippleRunsOverBlackWithoutItsBackground) {
  EffectFolder f;
  f.WriteMag("waters.mag", RandomPicture(160, 120, 19));
  f.CloseAfter(20);
  EXPECT_EQ(f.Run(programs::RipdemoMain), 0);
  ASSERT_EQ(f.boxes().size(), 2u);
  EXPECT_EQ(f.boxes()[0].caption, f.Full("water.mag"));
  ASSERT_GE(f.frames.size(), 2u);
  EXPECT_NE(f.frames[0], f.frames[1]);
  EXPECT_EQ(f.frames[1][0], 0u);
  EXPECT_EQ(f.frames[1][479 * 640 + 639], 0u);
}

}  // namespace
