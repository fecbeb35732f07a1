// The effect programs' loops and entries on the virtual backend, with small
// MAG pictures written into a temporary program folder: what each frame
// shows, the pacing, quitting within one frame, and missing or unfit pictures.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "effects/lens.h"
#include "effects/plasma.h"
#include "effects/ripple.h"
#include "effects/rotation.h"
#include "image/codecs.h"
#include "image/mag_image.h"
#include "platform/system.h"
#include "programs/effect_programs.h"
#include "tests/support/virtual_system.h"

namespace {

namespace fs = std::filesystem;
using namespace effects;
using platform::Surface;

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
    vs_.backend().SetPresentHook([this](platform::Tick tick, const Surface& s) {
      ticks.push_back(tick);
      if (frames.size() < 4) frames.emplace_back(s.Pixels(), s.Pixels() + 640 * 480);
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
  void CloseAfter(uint64_t afterMs, int answer = platform::IDOK, uint32_t holdMs = 0) {
    vs_.backend().QueueBoxAnswer(answer, holdMs);
    vs_.backend().ScheduleClose(vs_.backend().Elapsed() + afterMs);
  }
  std::unique_ptr<shell::MainWindow> OpenWindow() {
    auto w = vs_.OpenMainWindow("ZELK SYSTEM");
    ticks.clear();
    frames.clear();
    return w;
  }
  const std::vector<platform::BoxRecord>& boxes() { return vs_.system().boxLog(); }
  std::string Full(const std::string& name) const { return (dir_ / name).string(); }
  platform::VirtualBackend& backend() { return vs_.backend(); }

  std::vector<platform::Tick> ticks;
  std::vector<std::vector<uint32_t>> frames;

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
  return std::all_of(screen.begin(), screen.end(), [](uint32_t p) { return p == 0; });
}

TEST(LensDemo, FramesShowTheLensGlidingOverThePicture) {
  EffectFolder f;
  f.WriteMag("PELIA.MAG", RandomPicture(320, 240, 11));  // names match without regard to case
  auto window = f.OpenWindow();
  f.CloseAfter(30);
  EXPECT_EQ(RunLensDemo(*window), 0);
  EXPECT_TRUE(f.boxes().size() == 1 && f.boxes()[0].text.find("を終了します") != std::string::npos);

  auto source = f.Load("pelia.mag");
  std::vector<uint8_t> canvas(kCanvasBytes);
  LensState lens;
  const LensTable table = MakeLensTable();
  const RowStartTable rowStart = MakeRowStart();
  ASSERT_GE(f.frames.size(), 3u);
  for (int n = 0; n < 3; ++n) {
    DrawLensFrame(source->bits, canvas.data(), table, rowStart, lens);
    EXPECT_TRUE(ShowsDoubled(f.frames[n], canvas.data(), source->colorTable, 320, 240, 0, 0))
        << "frame " << n;
  }
  // Unpaced: one frame per pump, 1 ms apart on the virtual clock.
  for (size_t i = 1; i < f.ticks.size(); ++i)
    ASSERT_EQ(f.ticks[i] - f.ticks[i - 1], 1u) << i;
}

TEST(SpinDemo, TurnsOnePhaseAFrameInTheSourceColoursWithAOneMsSleep) {
  EffectFolder f;
  f.WriteMag("kaiten.mag", RandomPicture(840, 840, 12));
  f.WriteMag("red.mag", RandomPicture(320, 240, 13));
  auto window = f.OpenWindow();
  f.CloseAfter(40);
  EXPECT_EQ(RunSpinDemo(*window), 0);

  auto source = f.Load("kaiten.mag");
  std::vector<uint8_t> canvas(kCanvasBytes);
  const SineTable sine = BuildSineTable(3.1415926535);
  ASSERT_GE(f.frames.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    RenderRotation(source->bits, canvas.data(), sine, MakeRowStart(), MakeSourceRows(), k);
    EXPECT_TRUE(ShowsDoubled(f.frames[k], canvas.data(), source->colorTable, 320, 240, 0, 0))
        << "phase " << k;
  }
  for (size_t i = 1; i < f.ticks.size(); ++i)
    ASSERT_EQ(f.ticks[i] - f.ticks[i - 1], 2u) << i;
}

TEST(RippleDemo, RipplesInTheMiddleOverTheBackgroundKeptInTheBackBuffer) {
  EffectFolder f;
  f.WriteMag("water.mag", RandomPicture(320, 240, 14));
  f.WriteMag("waters.mag", RandomPicture(160, 120, 15));
  auto window = f.OpenWindow();
  std::vector<uint32_t> back;
  f.backend().At(f.backend().Elapsed() + 10, [&] {
    back.assign(window->backDC->Pixels(), window->backDC->Pixels() + 640 * 480);
  });
  f.CloseAfter(30);
  EXPECT_EQ(RunRippleDemo(*window), 0);

  auto background = f.Load("water.mag");
  auto source = f.Load("waters.mag");
  std::vector<uint8_t> canvas(source->bits, source->bits + kRippleCells);
  RippleMaps maps;
  const DropPath path = BuildDropPath();
  ASSERT_GE(f.frames.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    RippleStep(source->bits, canvas.data(), maps, path, k);
    EXPECT_TRUE(ShowsDoubled(f.frames[k], canvas.data(), source->colorTable, 160, 120, 160, 120))
        << "frame " << k;
  }
  // Around the ripple window: the background, enlarged to the whole window.
  const std::vector<uint32_t>& shown = f.frames[2];
  std::vector<uint32_t> around = shown;
  for (int y = 120; y < 360; ++y) {
    for (int x = 160; x < 480; ++x)
      around[y * 640 + x] = 0;
  }
  std::vector<uint32_t> want(640 * 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const bool inside = x >= 160 && x < 480 && y >= 120 && y < 360;
      want[y * 640 + x] =
          inside ? 0 : Xrgb(background->colorTable, background->bits[(239 - y / 2) * 320 + x / 2]);
    }
  }
  EXPECT_EQ(around, want);
  // The back buffer holds the whole background, so a repaint shows it.
  ASSERT_EQ(back.size(), 640u * 480u);
  EXPECT_TRUE(ShowsDoubled(back, background->bits, background->colorTable, 320, 240, 0, 0));
  EXPECT_EQ(f.ticks[1] - f.ticks[0], 1u);
}

TEST(PlasmaDemo, FramesFollowTheClosedFormInTheCanvasColours) {
  EffectFolder f;
  f.WriteMag("red.mag", RandomPicture(320, 240, 16));
  auto window = f.OpenWindow();
  f.CloseAfter(30);
  EXPECT_EQ(RunPlasmaDemo(*window), 0);

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
  auto window = f.OpenWindow();
  f.CloseAfter(10, platform::IDCANCEL, 500);  // the question stays open 500 ms
  f.CloseAfter(700);
  const uint64_t closeAt = f.backend().Elapsed() + 700;
  EXPECT_EQ(RunPlasmaDemo(*window), 0);
  ASSERT_EQ(f.boxes().size(), 2u);
  // Frames stop while the question is open, then go on until the OK.
  size_t gaps = 0;
  for (size_t i = 1; i < f.ticks.size(); ++i) {
    if (f.ticks[i] - f.ticks[i - 1] >= 500) ++gaps;
  }
  EXPECT_EQ(gaps, 1u);
  EXPECT_GT(f.ticks.back() - f.ticks.front(), 650u);
  // The OK ends the loop in the pump that took the close: no frame after it.
  EXPECT_LE(f.backend().Elapsed(), closeAt + 1);
  EXPECT_LE(f.ticks.back(), closeAt);
  EXPECT_FALSE(window->screenDC->Valid());
}

struct MissingCase {
  int (*loop)(shell::MainWindow&);
  std::vector<std::string> present;   // pictures written (the rest are missing)
  std::vector<std::string> reported;  // files named by the loaders' messages, in order
};

TEST(EffectPictures, MissingPicturesAreReportedAndTheWindowStaysBlackAndClosable) {
  const MissingCase cases[] = {
      {RunLensDemo, {}, {"pelia.mag", "pelia.mag"}},
      {RunSpinDemo, {"red.mag"}, {"kaiten.mag"}},
      {RunRippleDemo, {"water.mag"}, {"waters.mag", "waters.mag"}},
      {RunPlasmaDemo, {}, {"red.mag"}},
  };
  for (const MissingCase& c : cases) {
    EffectFolder f;
    for (const std::string& name : c.present) {
      f.WriteMag(name, RandomPicture(320, 240, 18));
    }
    auto window = f.OpenWindow();
    f.CloseAfter(200);
    EXPECT_EQ(c.loop(*window), 0);
    ASSERT_EQ(f.boxes().size(), c.reported.size() + 1);
    for (size_t i = 0; i < c.reported.size(); ++i) {
      EXPECT_EQ(f.boxes()[i].text, "Error: Can't file open.");
      EXPECT_EQ(f.boxes()[i].caption, f.Full(c.reported[i]));
      EXPECT_EQ(f.boxes()[i].style, platform::MB_ICONERROR);
    }
    for (const auto& frame : f.frames)
      EXPECT_TRUE(AllBlack(frame));
    EXPECT_GE(f.backend().Elapsed(), 200u);
  }
}

TEST(EffectPictures, RippleRunsOverBlackWithoutItsBackground) {
  EffectFolder f;
  f.WriteMag("waters.mag", RandomPicture(160, 120, 19));
  auto window = f.OpenWindow();
  f.CloseAfter(20);
  EXPECT_EQ(RunRippleDemo(*window), 0);
  ASSERT_EQ(f.boxes().size(), 2u);
  EXPECT_EQ(f.boxes()[0].caption, f.Full("water.mag"));
  ASSERT_GE(f.frames.size(), 2u);
  EXPECT_NE(f.frames[0], f.frames[1]);
  EXPECT_EQ(f.frames[1][0], 0u);
  EXPECT_EQ(f.frames[1][479 * 640 + 639], 0u);
}

TEST(EffectPictures, UnfitPicturesAreRefusedWithAMessage) {
  struct Unfit {
    int (*loop)(shell::MainWindow&);
    std::vector<std::pair<std::string, image::IndexedPicture>> files;
    std::string refused;
    std::string text;
  };
  const Unfit cases[] = {
      {RunPlasmaDemo,
       {{"red.mag", RandomPicture(64, 48, 1)}},
       "red.mag",
       "Error: The picture must be 320 x 240 pixels of 256 colours."},
      // Right size, but 16 colours: four bits a pixel.
      {RunLensDemo,
       {{"pelia.mag", RandomPicture(320, 240, 2, 16)}},
       "pelia.mag",
       "Error: The picture must be 320 x 240 pixels of 256 colours."},
      // The turning picture must be 840 wide with at least 819 rows.
      {RunSpinDemo,
       {{"kaiten.mag", RandomPicture(840, 818, 3)}, {"red.mag", RandomPicture(320, 240, 4)}},
       "kaiten.mag",
       "Error: The picture must be 840 x 840 pixels of 256 colours."},
      {RunRippleDemo,
       {{"water.mag", RandomPicture(320, 240, 5)}, {"waters.mag", RandomPicture(320, 240, 6)}},
       "waters.mag",
       "Error: The picture must be 160 x 120 pixels of 256 colours."},
  };
  for (const Unfit& c : cases) {
    EffectFolder f;
    for (const auto& [name, picture] : c.files)
      f.WriteMag(name, picture);
    auto window = f.OpenWindow();
    f.CloseAfter(100);
    EXPECT_EQ(c.loop(*window), 0);
    ASSERT_EQ(f.boxes().size(), 2u) << c.refused;
    EXPECT_EQ(f.boxes()[0].text, c.text);
    EXPECT_EQ(f.boxes()[0].caption, f.Full(c.refused));
    for (const auto& frame : f.frames)
      EXPECT_TRUE(AllBlack(frame)) << c.refused;
  }
}

TEST(EffectPrograms, EntriesOpenTheirWindowRunAndExitWithZero) {
  struct Entry {
    int (*main)();
    std::vector<std::pair<std::string, image::IndexedPicture>> files;
  };
  const Entry entries[] = {
      {programs::LensdemoMain, {{"pelia.mag", RandomPicture(320, 240, 21)}}},
      {programs::SpindemoMain,
       {{"kaiten.mag", RandomPicture(840, 840, 22)}, {"red.mag", RandomPicture(320, 240, 23)}}},
      {programs::RipdemoMain,
       {{"water.mag", RandomPicture(320, 240, 24)}, {"waters.mag", RandomPicture(160, 120, 25)}}},
      {programs::PlasmademoMain, {{"red.mag", RandomPicture(320, 240, 26)}}},
  };
  for (const Entry& e : entries) {
    EffectFolder f;
    for (const auto& [name, picture] : e.files)
      f.WriteMag(name, picture);
    f.CloseAfter(50);
    EXPECT_EQ(e.main(), 0);
    ASSERT_EQ(f.boxes().size(), 1u);
    EXPECT_EQ(f.boxes()[0].text, "ZELK SYSTEMを終了します。よろしいですか？");
    ASSERT_GE(f.frames.size(), 2u);
    EXPECT_NE(f.frames[0], f.frames[1]);  // the effect moves
  }
}

}  // namespace
