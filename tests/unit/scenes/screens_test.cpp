// What scenedemo shows on the screen, and what its back buffer holds, at
// chosen moments of one cycle. The expected pictures are put together here
// from the data files themselves (decoded pictures at their positions, pattern
// pixels laid over them) and from the geometry of the transitions, so they
// hold for any art that the data set carries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "image/codecs.h"
#include "tests/unit/scenes/scene_harness.h"

namespace scene_tests {
namespace {

constexpr int W = 640, H = 480;
using Screen = std::vector<uint32_t>;  // 640×480 XRGB, top row first
using Shared = std::shared_ptr<const Screen>;

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Xrgb(image::Rgb c) {
  return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

// The data set's pictures and patterns, decoded.
struct Data {
  std::string dir;
  image::IndexedPicture Mag(const std::string& name) const {
    std::string err;
    auto p = image::DecodeMagBytes(ReadBytes(dir + "/" + name), &err);
    EXPECT_TRUE(p) << name << ": " << err;
    return p ? *p : image::IndexedPicture{};
  }
  image::DarContents Dar(const std::string& name) const {
    std::string err;
    auto d = image::DecodeDarBytes(ReadBytes(dir + "/" + name), &err);
    EXPECT_TRUE(d) << name << ": " << err;
    return d ? *d : image::DarContents{};
  }
  // A 24-bit BMP drawn 1:1 at (0, 0) on black: rows are stored bottom-up,
  // blue, green, red, each padded to 4 bytes.
  Shared Bmp(const std::string& name) const {
    const std::vector<uint8_t> f = ReadBytes(dir + "/" + name);
    auto u32 = [&](size_t at) {
      return uint32_t(f.at(at)) | uint32_t(f.at(at + 1)) << 8 | uint32_t(f.at(at + 2)) << 16 |
             uint32_t(f.at(at + 3)) << 24;
    };
    auto s = std::make_shared<Screen>(W * H, 0u);
    EXPECT_EQ(f.at(28), 24) << name;
    const int w = static_cast<int>(u32(18)), h = static_cast<int>(u32(22));
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    for (int y = 0; y < std::min(h, H); ++y) {
      for (int x = 0; x < std::min(w, W); ++x) {
        const size_t at = u32(10) + (h - 1 - y) * stride + x * 3;
        (*s)[y * W + x] = uint32_t(f.at(at + 2)) << 16 | uint32_t(f.at(at + 1)) << 8 | f.at(at);
      }
    }
    return s;
  }
};

// Pattern n laid into picture p with its top-left corner at (x, y).
void Lay(image::IndexedPicture& p, const image::DarPattern& pat, int x, int y) {
  for (int r = 0; r < pat.height; ++r) {
    for (int c = 0; c < pat.width; ++c) {
      const int16_t v = pat.pixels[r * pat.width + c];
      if (v >= 0) p.pixels[(y + r) * p.width + x + c] = static_cast<uint8_t>(v);
    }
  }
}

// Picture p drawn 1:1 at (x, y) over `on` (black when empty).
Shared Put(const image::IndexedPicture& p, int x, int y, Shared on = nullptr) {
  auto s = std::make_shared<Screen>(on ? *on : Screen(W * H, 0u));
  for (int r = 0; r < p.height; ++r) {
    for (int c = 0; c < p.width; ++c) {
      if (x + c < W && y + r < H)
        (*s)[(y + r) * W + x + c] = Xrgb(p.palette[p.pixels[r * p.width + c]]);
    }
  }
  return s;
}

// Region (sx, sy) of picture p, `w` × `h` in picture coordinates (top row
// first), enlarged 2:1 to (dx, dy) over `on`.
Shared Doubled(const image::IndexedPicture& p, int sx, int sy, int w, int h, int dx, int dy,
               Shared on) {
  auto s = std::make_shared<Screen>(*on);
  for (int y = 0; y < 2 * h; ++y) {
    for (int x = 0; x < 2 * w; ++x)
      (*s)[(dy + y) * W + dx + x] = Xrgb(p.palette[p.pixels[(sy + y / 2) * p.width + sx + x / 2]]);
  }
  return s;
}

// A mosaic step with square blocks of `b` pixels: each block shows the pixel
// at its top-left corner.
Shared Blocks(const Shared& s, int b) {
  auto out = std::make_shared<Screen>(W * H);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x)
      (*out)[y * W + x] = (*s)[(y / b * b) * W + x / b * b];
  }
  return out;
}

// The coarsest mosaic step: a 10 × 7 copy stretched back, so blocks are 64
// wide and 69, 69, 68, 69, 68, 69, 68 lines high; each shows the picture
// pixel at its column 64 i and the row that 480 / 7 scales its row to.
Shared Coarsest(const Shared& s) {
  const int top[8] = {0, 69, 138, 206, 275, 343, 412, 480};
  const int sourceRow[7] = {0, 68, 137, 205, 274, 342, 411};
  auto out = std::make_shared<Screen>(W * H);
  for (int band = 0; band < 7; ++band) {
    for (int y = top[band]; y < top[band + 1]; ++y) {
      for (int x = 0; x < W; ++x)
        (*out)[y * W + x] = (*s)[sourceRow[band] * W + x / 64 * 64];
    }
  }
  return out;
}

// The strip wipe after `steps` steps: lines 4i, 4i + 1 and 478 − 4i,
// 479 − 4i of step i come from `after`, the rest still show `before`.
Shared Wiped(const Shared& before, const Shared& after, int steps) {
  auto out = std::make_shared<Screen>(*before);
  for (int line = 0; line < H; ++line) {
    const int step = line % 4 < 2 ? line / 4 : (479 - line) / 4;
    if (step < steps) std::copy_n(after->begin() + line * W, W, out->begin() + line * W);
  }
  return out;
}

// A comparison of the screen or the back buffer with a picture at a moment.
struct Check {
  std::string what;
  size_t differing = SIZE_MAX;  // SIZE_MAX: never ran
  std::string first;
};

// The rotation's canvas at phase k shown doubled over the window. With the
// sine steps s(i) = sin(i × 3.14 / 128), canvas pixel (c, r), r counted from
// the bottom, samples the source point (420 + c s(k + 64) + (r − 1) s(k + 128),
// 420 + c s(k) + (r − 1) s(k + 64)) in bottom-up coordinates (rows 0 and 1
// start at the same point); the test accepts the neighbouring source pixels,
// for the truncations.
std::function<void(const uint32_t*, Check*)> Turned(const image::IndexedPicture& src, int k) {
  return [&src, k](const uint32_t* got, Check* check) {
    auto step = [](int i) { return std::sin(i * 3.14 / 128); };
    check->differing = 0;
    for (int y = 0; y < H; ++y) {
      for (int x = 0; x < W; ++x) {
        const int c = x / 2, r = 239 - y / 2, rr = std::max(r - 1, 0);
        const double sx = 420 + c * step(k + 64) + rr * step(k + 128);
        const double sy = 420 + c * step(k) + rr * step(k + 64);
        bool near = false;
        for (int dy = -1; dy <= 1 && !near; ++dy) {
          for (int dx = -1; dx <= 1 && !near; ++dx) {
            const int px = static_cast<int>(std::floor(sx)) + dx;
            const int py = src.height - 1 - (static_cast<int>(std::floor(sy)) + dy);
            near = Xrgb(src.palette[src.pixels[py * src.width + px]]) == got[y * W + x];
          }
        }
        if (!near && check->differing++ == 0) {
          check->first = "first at " + std::to_string(x) + "," + std::to_string(y);
        }
      }
    }
  };
}

class ScreensTest : public ::testing::Test {
 protected:
  SceneHarness h;
  Data data{h.DataDir()};
  std::vector<std::unique_ptr<Check>> checks;
  // Actions to schedule when a step starts, by "step#instance" (the cycle
  // counts as a step): (offset, action).
  std::multimap<std::string, std::pair<uint64_t, std::function<void()>>> atStart;

  // `surface` ("screen" or "back") equals `want` at `offset` ms after the
  // start of `step` ("name", or "name#n" for its n-th run from 0).
  void Expect(const std::string& step, uint64_t offset, const char* surface, Shared want,
              const std::string& label) {
    ExpectWith(step, offset, surface, label,
               [want](const uint32_t* got, Check* c) { Compare(got, *want, c); });
  }
  // The back buffer equals the screen (a repaint would change nothing).
  void ExpectBackAsScreen(const std::string& step, uint64_t offset, const std::string& label) {
    ExpectWith(step, offset, "back", label, [this](const uint32_t* got, Check* c) {
      Compare(got, Screen(h.window->screenDC->Pixels(), h.window->screenDC->Pixels() + W * H), c);
    });
  }
  void ExpectWith(const std::string& step, uint64_t offset, const char* surface,
                  const std::string& label, std::function<void(const uint32_t*, Check*)> test) {
    checks.push_back(std::make_unique<Check>());
    Check* c = checks.back().get();
    c->what = label + " (" + surface + ", " + step + " + " + std::to_string(offset) + " ms)";
    const bool screen = std::string(surface) == "screen";
    const std::string key = step.find('#') == std::string::npos ? step + "#0" : step;
    atStart.emplace(key, std::pair{offset, [this, c, screen, test] {
                                     const services::Surface& s =
                                         screen ? *h.window->screenDC : *h.window->backDC;
                                     test(s.Pixels(), c);
                                   }});
  }
  // Counts the pixels that differ (outside `skip` when given).
  static void Compare(const uint32_t* got, const Screen& want, Check* c,
                      std::function<bool(int, int)> skip = nullptr) {
    c->differing = 0;
    for (int i = 0; i < W * H; ++i) {
      if (skip && skip(i % W, i / W)) continue;
      if (got[i] != want[i] && c->differing++ == 0) {
        std::ostringstream o;
        o << "first at " << i % W << "," << i / W << ": " << std::hex << got[i] << " instead of "
          << want[i];
        c->first = o.str();
      }
    }
  }
  void Run(uint64_t quitAfterCycle) {
    auto observer = h.sequencer->onStep;
    std::map<std::string, int> runs;
    h.sequencer->onStep = [&](std::string_view step, int result) {
      observer(step, result);
      if (result != -1) return;
      const std::string name(step);
      const std::string key = name + "#" + std::to_string(runs[name]++);
      if (key == "cycle#0") h.QuitAt(h.sys.backend().Elapsed() + quitAfterCycle);
      auto [from, to] = atStart.equal_range(key);
      for (auto it = from; it != to; ++it) {
        if (it->second.first == 0) {
          it->second.second();
        } else {
          h.sys.backend().At(h.sys.backend().Elapsed() + it->second.first, it->second.second);
        }
      }
    };
    EXPECT_EQ(h.sequencer->Run(), 0);
    for (const auto& c : checks) {
      EXPECT_EQ(c->differing, 0u) << c->what << ": " << c->first;
    }
  }
};

}  // namespace

TEST_F(ScreensTest, EachPictureIsShownAndKeptWhereAndWhenItBelongs) {
  const Shared black = std::make_shared<Screen>(W * H, 0u);
  const Shared white = std::make_shared<Screen>(W * H, 0x00FFFFFFu);

  // Opening: sixteen flicker frames x, y, fm, mn, 50 ms each; the held
  // picture on screen and back; black; the letters one over another at
  // (256, 176) on the screen only; the white flash; the title at (184, 198).
  const char* flicker[4] = {"x.mag", "y.mag", "fm.mag", "mn.mag"};
  for (int f = 0; f < 16; ++f) {
    Expect("OpeningScene", 50 * f + 25, "screen", Put(data.Mag(flicker[f % 4]), 0, 0),
           "flicker frame " + std::to_string(f));
  }
  const Shared held = Put(data.Mag("tame.mag"), 0, 0);
  for (const char* surface : {"screen", "back"}) {
    Expect("OpeningScene", 825, surface, held, "held picture");
    Expect("OpeningScene", 2050, surface, black, "black before the letters");
  }
  Shared letters = black;
  const char* letterFiles[6] = {"v.mag", "o.mag", "r.mag", "n.mag", "a.mag", "exc.mag"};
  for (int i = 0; i < 6; ++i) {
    letters = Put(data.Mag(letterFiles[i]), 256, 176, letters);
    Expect("OpeningScene", 2100 + 350 * i + 175, "screen", letters, "letter " + std::to_string(i));
  }
  Expect("OpeningScene", 3000, "back", black, "back during the letters");
  Expect("OpeningScene", 4300, "screen", white, "white flash");
  Expect("OpeningScene", 4500, "screen", black, "black after the flash");
  const Shared title = Put(data.Mag("title.mag"), 184, 198);
  for (const char* surface : {"screen", "back"})
    Expect("TitleHold", 1000, surface, title, "title");
  Expect("TitleWaveScene", 3000, "back", title, "the title wave leaves the back buffer alone");

  // The figure, faded in from white, in the back buffer at x 242 through the
  // hold; the slide ends at x 2 on colour 255, on screen and back alike.
  const image::DarContents nolu = data.Dar("nolu.dar");
  auto figureAt = [&](int x) {
    image::IndexedPicture k = data.Mag("fm.mag");
    std::fill(k.pixels.begin(), k.pixels.end(), 255);
    k.palette.resize(256);
    for (int i = 0; i < 256; ++i) {
      k.palette[i] = {nolu.colorTable[4 * i + 2], nolu.colorTable[4 * i + 1],
                      nolu.colorTable[4 * i]};
    }
    Lay(k, nolu.patterns.at(0), x, 0);
    return Put(k, 0, 0);
  };
  Expect("cycle", 13000, "back", figureAt(242), "faded-in figure");
  const Shared slid = figureAt(2);
  for (const char* surface : {"screen", "back"})
    Expect("PortraitRevealScene", 0, surface, slid, "figure after the slide");

  // The portrait wiped in over the figure (61 of 120 steps at 302 ms), held,
  // then broken into blocks of 2 … 32 pixels from 24 s, 88 ms a step.
  const Shared vennolu = data.Bmp("vennolu.bmp");
  Expect("PortraitRevealScene", 302, "back", vennolu, "portrait in the back buffer");
  Expect("PortraitRevealScene", 302, "screen", Wiped(slid, vennolu, 61), "portrait half wiped");
  Expect("cycle", 20000, "screen", vennolu, "portrait held");
  for (int step = 1; step <= 5; ++step) {
    Expect("cycle", 24000 + 88 * step + 44, "screen", Blocks(vennolu, 1 << step),
           "portrait mosaic-out step " + std::to_string(step));
  }

  // The plasma blacks the back buffer and leaves its last frame there.
  Expect("cycle", 30000, "back", black, "back under the plasma");
  ExpectBackAsScreen("CometScene", 0, "the plasma's last frame");

  // The comet: the first shape at the bottom while it holds; in the sway the
  // back buffer keeps the shapes at rest with the unswayed title.
  const image::DarContents shapes = data.Dar("comet.dar");
  const image::DarContents titles = data.Dar("2title.dar");
  image::IndexedPicture sky = data.Mag("back.mag");
  Lay(sky, shapes.patterns.at(0), 0, 224);
  const Shared firstShape = Put(sky, 0, 0);
  for (const char* surface : {"screen", "back"})
    Expect("cycle", 38000, surface, firstShape, "first shape holding");
  sky = data.Mag("back.mag");
  Lay(sky, shapes.patterns.at(0), 0, 32);
  Lay(sky, shapes.patterns.at(1), 0, 80);
  Lay(sky, shapes.patterns.at(2), 0, 128);
  Lay(sky, titles.patterns.at(0), 184, 198);
  const Shared composition = Put(sky, 0, 0);
  Expect("cycle", 57000, "back", composition, "comet composition");

  // Orine: the composition breaks up (not the swayed screen), the portrait
  // builds up from 64-wide blocks, 80 ms a step.
  const Shared orine = data.Bmp("orine.bmp");
  for (int step = 1; step <= 5; ++step) {
    Expect("MosaicPortraitScene#0", 88 * step + 44, "screen", Blocks(composition, 1 << step),
           "composition mosaic-out step " + std::to_string(step));
  }
  Expect("MosaicPortraitScene#0", 528 + 40, "screen", Coarsest(orine), "orine mosaic-in step 6");
  for (int step = 5; step >= 1; --step) {
    Expect("MosaicPortraitScene#0", 528 + 80 * (6 - step) + 40, "screen", Blocks(orine, 1 << step),
           "orine mosaic-in step " + std::to_string(step));
  }
  for (const char* surface : {"screen", "back"})
    Expect("cycle", 66000, surface, orine, "orine held");

  // The lens: its picture doubled in the back buffer, never the lens.
  const image::IndexedPicture pelia = data.Mag("pelia.mag");
  const Shared map = Doubled(pelia, 0, 0, 320, 240, 0, 0, black);
  Expect("LensScene", 528 + 40, "screen", Coarsest(map), "map mosaic-in step 6");
  Expect("cycle", 80000, "back", map, "map without the lens");
  Expect("RotationScene", 0, "back", map, "map without the lens after the scene");

  // The rotation: the still view of the region at (420, 420), then each
  // quarter turn kept in the back buffer at its pause.
  const image::IndexedPicture kaiten = data.Mag("kaiten.mag");
  const Shared still = Doubled(kaiten, 420, kaiten.height - 420 - 240, 320, 240, 0, 0, black);
  for (const char* surface : {"screen", "back"})
    Expect("cycle", 90000, surface, still, "still view");
  ExpectWith("cycle", 95000, "back", "quarter turn", Turned(kaiten, 64));
  ExpectWith("cycle", 101000, "back", "half turn", Turned(kaiten, 128));
  ExpectWith("cycle", 107000, "back", "three-quarter turn", Turned(kaiten, 192));
  ExpectWith("MosaicPortraitScene#1", 0, "screen", "three-quarter turn at the end",
             Turned(kaiten, 192));

  const Shared dova = data.Bmp("dova.bmp");
  Expect("MosaicPortraitScene#1", 528 + 40, "screen", Coarsest(dova), "dova mosaic-in step 6");
  Expect("MosaicPortraitScene#1", 528 + 4 * 80 + 40, "screen", Blocks(dova, 4),
         "dova mosaic-in step 2");
  for (const char* surface : {"screen", "back"})
    Expect("cycle", 115000, surface, dova, "dova held");

  // The ripple: the pond doubled in the back buffer and around the ripple.
  const Shared pond = Doubled(data.Mag("water.mag"), 0, 0, 320, 240, 0, 0, black);
  Expect("RippleScene", 88 * 4 + 44, "screen", Blocks(dova, 16), "dova mosaic-out step 4");
  Expect("RippleScene", 528 + 40, "screen", Coarsest(pond), "pond mosaic-in step 6");
  Expect("cycle", 125000, "back", pond, "pond in the back buffer");
  ExpectWith("cycle", 125000, "screen", "pond around the ripple",
             [pond](const uint32_t* got, Check* c) {
               Compare(got, *pond, c,
                       [](int x, int y) { return x >= 160 && x < 480 && y >= 120 && y < 360; });
             });

  // The gallery: six portraits, 3 s each from the scene's start.
  Shared before = pond;
  for (int i = 0; const char* file : {"ubeko.bmp", "fenari.bmp", "tamor.bmp", "brakendo.bmp",
                                      "tobiran.bmp", "hovane.bmp"}) {
    const Shared portrait = data.Bmp(file);
    const uint64_t t0 = 3000 * i++;
    Expect("GalleryScene", t0 + 88 * 5 + 44, "screen", Blocks(before, 32),
           std::string("mosaic-out before ") + file);
    Expect("GalleryScene", t0 + 528 + 40, "screen", Coarsest(portrait),
           std::string("mosaic-in of ") + file);
    for (const char* surface : {"screen", "back"})
      Expect("GalleryScene", t0 + 2500, surface, portrait, file);
    before = portrait;
  }

  // The finale: three cards wiped in, 7 s each; the last stays into the next
  // cycle.
  Shared card;
  for (int i = 0; const char* file : {"yotei.mag", "dousa.mag", "trush.mag"}) {
    card = Put(data.Mag(file), 0, 0);
    const uint64_t t0 = 7000 * i++;
    Expect("FinaleScene", t0 + 302, "screen", Wiped(before, card, 61),
           std::string("half wiped ") + file);
    for (const char* surface : {"screen", "back"})
      Expect("FinaleScene", t0 + 5000, surface, card, file);
    before = card;
  }
  for (const char* surface : {"screen", "back"})
    Expect("cycle#1", 0, surface, card, "last card at the next cycle");

  Run(171000 + 1000);
  EXPECT_TRUE(h.sys.system().boxLog().empty());
}

}  // namespace scene_tests
