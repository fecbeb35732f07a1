// The generated data set as the demo programs see it: every file is there,
// loads with the programs' own loaders without a message box, and has the
// sizes, colour tables and transparent areas the scenes rely on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "effects/canvas.h"
#include "effects/plasma.h"
#include "image/dar_archive.h"
#include "image/dib_image.h"
#include "image/mag_image.h"
#include "tests/support/virtual_system.h"
#include "tools/datagen/files.h"
#include "tools/datagen/synth.h"

namespace {

// The folder of the built programs, where the build wrote the data set.
std::string BinDir() {
  return ZELK_PROGRAM_DIR;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Le32(const std::vector<uint8_t>& v, size_t at) {
  return uint32_t(v[at]) | uint32_t(v[at + 1]) << 8 | uint32_t(v[at + 2]) << 16 |
         uint32_t(v[at + 3]) << 24;
}

// The programs' view: a virtual system whose program is build/bin/scenedemo,
// and its main window.
class DataSetTest : public ::testing::Test {
 protected:
  DataSetTest() : vs_(Options()), window_(vs_.OpenMainWindow("VORNA")) {}

  static platform::VirtualBackend::Options Options() {
    platform::VirtualBackend::Options o;
    o.moduleFileName = BinDir() + "/scenedemo";
    return o;
  }

  std::unique_ptr<image::MagImage> Mag(const char* name) {
    auto m = std::make_unique<image::MagImage>(window_->hwnd, window_->title);
    EXPECT_EQ(m->Load(name), 1) << name;
    return m;
  }
  std::unique_ptr<image::DarArchive> Dar(const char* name) {
    auto d = std::make_unique<image::DarArchive>(window_.get());
    EXPECT_EQ(d->Load(name), 1) << name;
    return d;
  }
  int BitCount(const image::MagImage& m) {
    return m.info ? reinterpret_cast<const services::BitmapInfoHeader*>(m.info)->biBitCount : 0;
  }
  // Pattern n's width and height from its record.
  static std::pair<int, int> PatternSize(const image::DarArchive& d, int n) {
    const uint8_t* r = d.patternRecord[n];
    return {r[2] | r[3] << 8, r[4] | r[5] << 8};
  }
  void TearDown() override {
    for (const services::BoxRecord& box : vs_.system().boxLog())
      ADD_FAILURE() << "message box: " << box.caption << " / " << box.text;
  }

  testing_support::VirtualSystem vs_;
  std::unique_ptr<shell::MainWindow> window_;
};

TEST_F(DataSetTest, FullWindowPicturesHaveTheSizesTheScenesCopy) {
  for (const char* name :
       {"data\\x.mag", "data\\y.mag", "data\\fm.mag", "data\\mn.mag", "data\\tame.mag",
        "data\\yotei.mag", "data\\dousa.mag", "data\\trush.mag", "data\\back.mag"}) {
    auto m = Mag(name);
    EXPECT_EQ(m->width, 640) << name;
    EXPECT_EQ(m->height, 480) << name;
  }
  // The title wave copies 448 rows of 640 bytes from 2tback into Fm one row
  // up, moved up to 8 pixels sideways: Fm 640 wide and 450 rows or more.
  auto fm = Mag("data\\Fm.mag");
  EXPECT_EQ(fm->width, 640);
  EXPECT_GE(fm->height, 450);
  EXPECT_EQ(BitCount(*fm), 8);
  auto b = Mag("data\\2tback.mag");
  EXPECT_EQ(b->width, 640);
  EXPECT_GE(b->height, 448);
  EXPECT_EQ(BitCount(*b), 8);
  // The comet scene restores rows 198 … 281 of back.mag into its twin.
  EXPECT_GE(Mag("data\\back.mag")->height, 282);
}

TEST_F(DataSetTest, OneFinaleCardIsSixteenColours) {
  int sixteen = 0;
  for (const char* name : {"data\\yotei.mag", "data\\dousa.mag", "data\\trush.mag"})
    sixteen += BitCount(*Mag(name)) == 4;
  EXPECT_GE(sixteen, 1);
}

TEST_F(DataSetTest, PicturesUseTheirPalettes) {
  // A painter that draws nothing or a colour reduction that collapses shows
  // as a picture of a few colours: each uses a good part of its table.
  for (const char* name :
       {"data\\x.mag",     "data\\y.mag",      "data\\fm.mag",     "data\\mn.mag",
        "data\\tame.mag",  "data\\title.mag",  "data\\2tback.mag", "data\\back.mag",
        "data\\pelia.mag", "data\\kaiten.mag", "data\\water.mag",  "data\\waters.mag",
        "data\\yotei.mag", "data\\dousa.mag",  "data\\trush.mag",  "data\\v.mag",
        "data\\o.mag",     "data\\r.mag",      "data\\n.mag",      "data\\a.mag",
        "data\\exc.mag"}) {
    auto m = Mag(name);
    std::set<int> used;
    int bytesPerRow = BitCount(*m) == 4 ? m->width / 2 : m->width;
    for (int i = 0; i < bytesPerRow * m->height; ++i) {
      if (BitCount(*m) == 4) {
        used.insert(m->bits[i] >> 4);
        used.insert(m->bits[i] & 15);
      } else {
        used.insert(m->bits[i]);
      }
    }
    EXPECT_GE(used.size(), BitCount(*m) == 4 ? 12u : 96u) << name;
  }
}

TEST_F(DataSetTest, LettersAndTitleFitWhereTheyAreDrawn) {
  for (const char* name : {"data\\v.mag", "data\\o.mag", "data\\r.mag", "data\\n.mag",
                           "data\\a.mag", "data\\exc.mag"}) {
    auto m = Mag(name);
    EXPECT_LE(256 + m->width, 640) << name;
    EXPECT_LE(176 + m->height, 480) << name;
  }
  auto t = Mag("data\\title.mag");
  EXPECT_LE(184 + t->width, 640);
  EXPECT_LE(198 + t->height, 480);
}

TEST_F(DataSetTest, EffectPicturesInDataAndBesideThePrograms) {
  struct Want {
    const char* name;
    int w, h;
  };
  for (Want want :
       {Want{"red.mag", 320, 240}, Want{"pelia.mag", 320, 240}, Want{"water.mag", 320, 240},
        Want{"waters.mag", 160, 120}, Want{"kaiten.mag", 840, 840}}) {
    std::string inData = std::string("data\\") + want.name;
    auto a = Mag(inData.c_str());
    auto b = Mag(want.name);
    EXPECT_EQ(a->width, want.w) << want.name;
    EXPECT_EQ(a->height, want.h) << want.name;
    EXPECT_EQ(BitCount(*a), 8) << want.name;
    EXPECT_EQ(ReadFile(BinDir() + "/data/" + want.name), ReadFile(BinDir() + "/" + want.name))
        << want.name << " differs between data and the programs' folder";
  }
}

TEST_F(DataSetTest, PortraitsAreTrueColourWithoutColourTable) {
  for (const char* name : {"vennolu.bmp", "orine.bmp", "dova.bmp", "ubeko.bmp", "fenari.bmp",
                           "tamor.bmp", "brakendo.bmp", "tobiran.bmp", "hovane.bmp"}) {
    image::DibImage p(window_->hwnd, window_->title);
    std::string rel = std::string("data\\") + name;
    ASSERT_EQ(p.Load(rel.c_str()), 1) << name;
    EXPECT_EQ(p.width, 640) << name;
    EXPECT_EQ(p.height, 480) << name;
    EXPECT_EQ(p.info.biBitCount, 24) << name;
    EXPECT_EQ(p.info.biClrUsed, 0u) << name;
    EXPECT_EQ(p.info.biCompression, 0u) << name;
    // Pixels start right after the headers, as the loader takes them.
    std::vector<uint8_t> file = ReadFile(BinDir() + "/data/" + name);
    EXPECT_EQ(Le32(file, 10), 54u) << name;
    EXPECT_EQ(p.bits.size(), 640u * 3 * 480) << name;
  }
}

// Draws every pattern into a display of `sentinel` bytes and returns it.
std::vector<uint8_t> Drawn(image::DarArchive& d, int w, int h,
                           std::initializer_list<std::array<int, 3>> calls, uint8_t sentinel) {
  std::vector<uint8_t> display(size_t(w) * h, sentinel);
  d.SetDisplay(w, h, display.data(), display.size());
  for (const auto& c : calls)
    d.DrawPattern(c[0], c[1], c[2]);
  return display;
}

// Counts display pixels still holding the sentinel inside the pattern's box
// (x, y, w, h in picture coordinates; memory rows are bottom-up).
int Untouched(const std::vector<uint8_t>& display, int dw, int dh, int x, int y, int w, int h,
              uint8_t sentinel) {
  int n = 0;
  for (int py = y; py < y + h; ++py)
    for (int px = x; px < x + w; ++px)
      n += display[size_t(dh - 1 - py) * dw + px] == sentinel;
  return n;
}

TEST_F(DataSetTest, PatternsFitTheirPlacesAndHaveTransparentAreas) {
  struct Use {
    const char* file;
    int count;
    int displayW, displayH, x, y;
    int maxW, maxH;
  };
  for (Use u : {Use{"data\\2title.dar", 1, 640, 480, 184, 214, 456, 84},
                Use{"data\\nolu.dar", 1, 640, 480, 242, 0, 398, 480},
                Use{"data\\msg1.dar", 3, 320, 240, 0, 96, 320, 144},
                Use{"data\\comet.dar", 3, 640, 480, 0, 224, 640, 256}}) {
    auto d = Dar(u.file);
    ASSERT_EQ(d->PatternCount(), u.count) << u.file;
    for (int n = 0; n < u.count; ++n) {
      auto [w, h] = PatternSize(*d, n);
      EXPECT_LE(w, u.maxW) << u.file << " #" << n;
      EXPECT_LE(h, u.maxH) << u.file << " #" << n;
      for (uint8_t sentinel : {uint8_t(0), uint8_t(255)}) {
        std::vector<uint8_t> out = Drawn(*d, u.displayW, u.displayH, {{u.x, u.y, n}}, sentinel);
        int clear = Untouched(out, u.displayW, u.displayH, u.x, u.y, w, h, sentinel);
        EXPECT_GT(clear, w * h / 20) << u.file << " #" << n << " has too little transparency";
        EXPECT_LT(clear, w * h) << u.file << " #" << n << " draws nothing";
      }
    }
  }
}

TEST_F(DataSetTest, CometShapesRestClearOfTheTitleBand) {
  // At rest the shapes lie at y 32, 80 and 128; the sway then restores rows
  // 198 … 281 from the clean background, so no shape may reach into them.
  auto d = Dar("data\\comet.dar");
  std::vector<uint8_t> out = Drawn(*d, 640, 480, {{0, 32, 0}, {0, 80, 1}, {0, 128, 2}}, 7);
  EXPECT_EQ(Untouched(out, 640, 480, 0, 198, 640, 84, 7), 640 * 84);
  EXPECT_LT(Untouched(out, 640, 480, 0, 32, 640, 166, 7), 640 * 166);
}

TEST_F(DataSetTest, NoluSlidesWithoutLeavingATrail) {
  // The slide draws her at x 242, 234, … 2 over the canvas without clearing
  // it; the result must equal a clean canvas with her drawn at x 2.
  auto d = Dar("data\\nolu.dar");
  std::vector<uint8_t> slid(640 * 480, 0xFF), clean(640 * 480, 0xFF);
  d->SetDisplay(640, 480, slid.data(), slid.size());
  d->DrawPattern(242, 0, 0);
  for (int x = 242; x > 0; x -= 8)
    d->DrawPattern(x, 0, 0);
  d->SetDisplay(640, 480, clean.data(), clean.size());
  d->DrawPattern(2, 0, 0);
  EXPECT_EQ(slid, clean);
  EXPECT_LT(Untouched(clean, 640, 480, 2, 0, 160, 480, 0xFF), 160 * 480);
}

TEST_F(DataSetTest, PatternsShareThePalettesOfThePicturesTheyAreDrawnInto) {
  // The title pattern is shown in 2tback's colours and, like the comet
  // shapes, in back.mag's; the messages in red.mag's.
  auto table = [](const image::MagImage& m) {
    return std::vector<uint8_t>(m.colorTable, m.colorTable + 1024);
  };
  auto dar = [](const image::DarArchive& d) {
    std::vector<uint8_t> t(1024);
    d.CopyPalette(t.data());
    return t;
  };
  std::vector<uint8_t> night = table(*Mag("data\\2tback.mag"));
  EXPECT_EQ(table(*Mag("data\\back.mag")), night);
  EXPECT_EQ(dar(*Dar("data\\2title.dar")), night);
  EXPECT_EQ(dar(*Dar("data\\comet.dar")), night);
  EXPECT_EQ(dar(*Dar("data\\msg1.dar")), table(*Mag("data\\red.mag")));
}

// An 8-bit picture (bottom-up rows) through its colour table, top row first.
datagen::RgbImage Shot(const uint8_t* bits, const uint8_t* table, int w, int h) {
  datagen::RgbImage shot{w, h, std::vector<uint8_t>(size_t(w) * h * 3)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* e = table + bits[size_t(h - 1 - y) * w + x] * 4;
      shot.Set(x, y, {e[2], e[1], e[0]});
    }
  return shot;
}

// What tesseract reads on a picture (Japanese and English), spaces removed.
std::string ReadAloud(const datagen::RgbImage& shot) {
  std::string png =
      (std::filesystem::temp_directory_path() / ("zelk-ocr-" + std::to_string(::getpid()) + ".png"))
          .string();
  std::string error, text;
  EXPECT_TRUE(datagen::WritePng(png, shot, &error)) << error;
  if (FILE* ocr = ::popen(("tesseract '" + png + "' stdout -l jpn+eng 2>/dev/null").c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, ocr)) > 0;)
      text.append(buf, n);
    EXPECT_EQ(::pclose(ocr), 0) << "tesseract (tesseract-ocr-jpn) did not run";
  }
  std::filesystem::remove(png);
  std::erase(text, ' ');
  return text;
}

TEST_F(DataSetTest, CreditsNameEveryoneTheDemoShows) {
  // Nolu, the three story portraits and the six of the gallery, each in
  // Japanese and English, as a reader sees them on the thanks card.
  auto card = Mag("data\\trush.mag");
  ASSERT_EQ(BitCount(*card), 8);
  std::string text = ReadAloud(Shot(card->bits, card->colorTable, card->width, card->height));
  for (const char* name :
       {"ノル",       "ヴェンノル", "オリーネ", "ドーヴァ", "ウベコ",  "フェナリ", "タモール",
        "ブラケンド", "トビラン",   "ホヴァネ", "Nolu",     "Vennolu", "Orine",    "Dova",
        "Ubeko",      "Fenari",     "Tamor",    "Brakendo", "Tobiran", "Hovane"})
    EXPECT_NE(text.find(name), std::string::npos) << name << " is not on the card:\n" << text;
}

TEST_F(DataSetTest, LettersAndTitleReadAsTheName) {
  // The five letters, set side by side as the opening shows them one after
  // another, and the title plate read as a viewer reads them.
  std::vector<std::unique_ptr<image::MagImage>> letters;
  int width = 0, height = 0;
  for (const char* name :
       {"data\\v.mag", "data\\o.mag", "data\\r.mag", "data\\n.mag", "data\\a.mag"}) {
    letters.push_back(Mag(name));
    ASSERT_EQ(BitCount(*letters.back()), 8) << name;
    width += letters.back()->width;
    height = std::max(height, letters.back()->height);
  }
  datagen::RgbImage strip{width, height, std::vector<uint8_t>(size_t(width) * height * 3)};
  int at = 0;
  for (const auto& m : letters) {
    datagen::RgbImage one = Shot(m->bits, m->colorTable, m->width, m->height);
    for (int y = 0; y < m->height; ++y)
      for (int x = 0; x < m->width; ++x)
        strip.Set(at + x, y, one.Get(x, y));
    at += m->width;
  }
  EXPECT_NE(ReadAloud(strip).find("Vorna"), std::string::npos);
  auto title = Mag("data\\title.mag");
  ASSERT_EQ(BitCount(*title), 8);
  EXPECT_NE(
      ReadAloud(Shot(title->bits, title->colorTable, title->width, title->height)).find("Vorna!"),
      std::string::npos);
}

TEST_F(DataSetTest, CometMessageAgreesWithTheRisingShapes) {
  // The comet scene moves its shapes upwards: the comet and the shooting
  // star lead with their heads (their brightest pixels in the top third of
  // what they draw), and the last message window over the plasma, as a
  // reader sees it, says the comet rises.
  auto shapes = Dar("data\\comet.dar");
  std::vector<uint8_t> table(1024);
  shapes->CopyPalette(table.data());
  for (int n : {0, 1}) {
    // A pixel is drawn where displays of two different fills agree.
    std::vector<uint8_t> dark = Drawn(*shapes, 640, 480, {{0, 0, n}}, 0),
                         light = Drawn(*shapes, 640, 480, {{0, 0, n}}, 255);
    auto [w, h] = PatternSize(*shapes, n);
    int first = h, last = 0, brightestRow = 0, brightest = -1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        size_t i = size_t(479 - y) * 640 + x;
        if (dark[i] != light[i]) continue;
        first = std::min(first, y), last = std::max(last, y);
        const uint8_t* e = &table[dark[i] * 4];
        if (e[0] + e[1] + e[2] > brightest) brightest = e[0] + e[1] + e[2], brightestRow = y;
      }
    EXPECT_LT(brightestRow, first + (last - first) / 3)
        << "comet.dar #" << n << " rises tail first";
  }
  auto canvas = Mag("data\\red.mag");
  auto messages = Dar("data\\msg1.dar");
  std::vector<uint8_t> window = Drawn(*messages, 320, 240, {{0, 96, 2}}, 0);
  std::string text = ReadAloud(Shot(window.data(), canvas->colorTable, 320, 240));
  EXPECT_NE(text.find("のぼって"), std::string::npos) << text;
  EXPECT_EQ(text.find("落ち"), std::string::npos) << text;
}

TEST_F(DataSetTest, RippleWindowShowsThePondAroundIt) {
  // Both pictures are shown doubled, the close one over the middle of the
  // whole one: its pixel (x, y) covers the whole one's (80 + x, 60 + y). At
  // rest the two read as one picture: hardly a pixel of the window differs
  // visibly from the pond it covers (a window drawn a few pixels off, or at
  // another scale, shows every koi, pad and star twice).
  auto whole = Mag("data\\water.mag"), close = Mag("data\\waters.mag");
  auto colour = [](const image::MagImage& m, int x, int y) {
    return m.colorTable + m.bits[size_t(m.height - 1 - y) * m.width + x] * 4;
  };
  int visible = 0;
  for (int y = 0; y < close->height; ++y)
    for (int x = 0; x < close->width; ++x) {
      int difference = 0;
      for (int k = 0; k < 3; ++k)
        difference += std::abs(colour(*close, x, y)[k] - colour(*whole, 80 + x, 60 + y)[k]);
      visible += difference > 48;
    }
  EXPECT_LT(visible, close->width * close->height / 200);
}

TEST_F(DataSetTest, PlasmaIsANightFieldWithGlowingCrests) {
  // The plasma as plasmademo shows it, through red.mag's colours, over two
  // hundred frames: neighbouring entries are close (the bands flow without
  // contour lines), most of the screen is a dark night colour, and light
  // crests glow in a small share of it, not over whole bands.
  auto red = Mag("data\\red.mag");
  int worstStep = 0;
  for (int i = 0; i < 256; ++i)
    for (int k = 0; k < 3; ++k)
      worstStep = std::max(
          worstStep, std::abs(red->colorTable[i * 4 + k] - red->colorTable[(i + 1) % 256 * 4 + k]));
  EXPECT_LE(worstStep, 16);

  const effects::PlasmaWave wave = effects::BuildPlasmaWave(3.141592654);
  const effects::RowStartTable rowStart = effects::MakeRowStart();
  effects::PlasmaPhases phases;
  std::vector<uint8_t> canvas(effects::kCanvasBytes);
  size_t pixels = 0, bright = 0, dark = 0;
  for (int frame = 0; frame < 200; ++frame) {
    effects::RenderPlasma(canvas.data(), wave, rowStart, phases);
    for (uint8_t v : canvas) {
      const uint8_t* e = red->colorTable + v * 4;  // blue, green, red
      int y = (29 * e[0] + 150 * e[1] + 77 * e[2]) / 256;
      ++pixels;
      bright += y > 180;
      dark += y < 100;
    }
  }
  EXPECT_GT(double(dark) / pixels, 0.6);
  EXPECT_GT(double(bright) / pixels, 0.005);
  EXPECT_LT(double(bright) / pixels, 0.12);
}

TEST(ThemeTest, WaveIsLongEnoughAndMarksTheSceneChanges) {
  std::vector<uint8_t> f = ReadFile(BinDir() + "/data/tobirano.wav");
  ASSERT_GE(f.size(), 44u);
  EXPECT_LE(f.size(), 16u * 1024 * 1024);
  EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "RIFF");
  EXPECT_EQ(Le32(f, 4), f.size() - 8);
  EXPECT_EQ(std::string(f.begin() + 8, f.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(f[20] | f[21] << 8, 1);  // PCM
  int channels = f[22] | f[23] << 8;
  uint32_t rate = Le32(f, 24);
  EXPECT_EQ(f[34] | f[35] << 8, 16);
  EXPECT_GE(rate, 22050u);
  EXPECT_EQ(std::string(f.begin() + 36, f.begin() + 40), "data");
  uint32_t bytes = Le32(f, 40);
  ASSERT_EQ(bytes + 44, f.size());
  size_t frames = bytes / (2 * channels);
  EXPECT_GE(double(frames) / rate, 171.0);
  // Loudness just after each scene change against just before it.
  auto rms = [&](double t0, double t1) {
    double sum = 0;
    size_t a = size_t(t0 * rate), b = std::min(frames, size_t(t1 * rate));
    for (size_t i = a; i < b; ++i) {
      auto s = int16_t(f[44 + i * 2 * channels] | f[45 + i * 2 * channels] << 8);
      sum += double(s) * s;
    }
    return std::sqrt(sum / double(std::max<size_t>(1, b - a)));
  };
  for (double mark : datagen::ThemeLandmarks()) {
    if (mark >= 171) continue;
    double at = mark == 13.3 ? 13.333 : mark;
    EXPECT_GT(rms(at, at + 0.1), 1.2 * rms(at - 0.25, at)) << "no accent at " << mark << " s";
  }
  EXPECT_LT(rms(171.0, 172.0), 30.0) << "the piece should have ended by 171 s";
}

TEST(ThemeTest, OpeningCymbalsAreMixedBelowTheRestOfThePiece) {
  // The noise of a cymbal is what a second difference (a steep high-pass)
  // keeps. Over the opening's crash (0–2 s) and the swell and crash of the
  // white flash (4.6–7 s) it stays below the piece's typical second, where
  // the music covers it.
  std::vector<uint8_t> f = ReadFile(BinDir() + "/data/tobirano.wav");
  ASSERT_GE(f.size(), 44u + 172 * 22050 * 4);
  const double rate = Le32(f, 24);
  auto left = [&](size_t i) { return double(int16_t(f[44 + i * 4] | f[45 + i * 4] << 8)); };
  auto highs = [&](double t0, double t1) {
    double sum = 0;
    size_t a = size_t(t0 * rate) + 1, b = size_t(t1 * rate);
    for (size_t i = a; i < b; ++i) {
      double d = left(i + 1) - 2 * left(i) + left(i - 1);
      sum += d * d;
    }
    return std::sqrt(sum / double(b - a));
  };
  std::vector<double> seconds;
  for (int t = 7; t < 170; ++t)
    seconds.push_back(highs(t, t + 1));
  std::nth_element(seconds.begin(), seconds.begin() + seconds.size() / 2, seconds.end());
  const double typical = seconds[seconds.size() / 2];
  EXPECT_LT(highs(0, 2), typical);
  EXPECT_LT(highs(4.6, 7), typical);
}

}  // namespace
