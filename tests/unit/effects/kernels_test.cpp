// The pixel kernels against values worked out by hand from their rules, and
// against the literal one-pixel-at-a-time loops over many frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "bench/effects/literal_kernels.h"
#include "effects/canvas.h"
#include "effects/lens.h"
#include "effects/plasma.h"
#include "effects/ripple.h"
#include "effects/rotation.h"

namespace {

using namespace effects;

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v)
    b = static_cast<uint8_t>(rng());
  return v;
}

// ---- Lens ----

// Column and row that a lens-table entry points at (entry = column + 320 × row).
struct At {
  int row;
  int col;
  bool operator==(const At&) const = default;
};
At Target(const LensTable& t, int row, int col) {
  int v = t[row * kLensSize + col];
  return {v / kCanvasWidth, v % kCanvasWidth};
}

TEST(LensTable, WorkedEntriesAndIdentityOutsideTheCircle) {
  const LensTable t = MakeLensTable();
  EXPECT_EQ(Target(t, 32, 32), (At{32, 32}));  // centre: its own position
  EXPECT_EQ(Target(t, 32, 40), (At{32, 36}));
  EXPECT_EQ(Target(t, 32, 48), (At{32, 42}));
  EXPECT_EQ(Target(t, 32, 63), (At{32, 62}));
  EXPECT_EQ(Target(t, 40, 40), (At{36, 36}));
  EXPECT_EQ(Target(t, 0, 0), (At{0, 0}));
  EXPECT_EQ(Target(t, 63, 63), (At{63, 63}));
  for (int i = 0; i < kLensSize; ++i) {
    for (int j = 0; j < kLensSize; ++j) {
      const At a = Target(t, i, j);
      // Never outside the lens square …
      ASSERT_TRUE(a.row >= 0 && a.row < kLensSize && a.col >= 0 && a.col < kLensSize)
          << i << "," << j;
      // … identity on and outside the rim (radius 32 is not strictly inside) …
      if (std::hypot(j - 32, i - 32) >= 32) {
        EXPECT_EQ(a, (At{i, j})) << i << "," << j;
      }
      // … and equal to the closed form m = (r² + e²) / (2r²) inside it.
      const double e2 = (j - 32.0) * (j - 32.0) + (i - 32.0) * (i - 32.0);
      if (e2 < 32.0 * 32.0) {
        const double m = (1024 + e2) / 2048;
        EXPECT_EQ(a, (At{static_cast<int>((i - 32) * m + 32), static_cast<int>((j - 32) * m + 32)}))
            << i << "," << j;
      }
    }
  }
}

TEST(LensTable, OtherGeometryUsesItsOwnStrideCentreAndScale) {
  // 3×2 table, stride 100, centre (1, 0), radius 10, scale 2: the centre stays,
  // and with scale 2 the factor at distance 1 is 2 × (100 + 1) / 200 = 1.01.
  std::vector<int32_t> t(6);
  BuildLensTable(3, 2, t.data(), 100, 1, 0, 10, 2.0, 1.0);
  EXPECT_EQ(t[1], 1);            // centre (row 0, column 1)
  EXPECT_EQ(t[0], 0);            // dx −1: −1.01 + 1 truncates to 0
  EXPECT_EQ(t[2], 2);            // dx +1: 2.01 → 2
  EXPECT_EQ(t[4], 1 + 100 * 1);  // dy +1: 1.01 → row 1
  // A radius of 0 keeps everything the identity.
  BuildLensTable(3, 2, t.data(), 100, 1, 0, 0, 1.0, 1.0);
  EXPECT_EQ(t, (std::vector<int32_t>{0, 1, 2, 100, 101, 102}));
}

TEST(LensFrame, FirstFrameIsCentredAndRestoresThePicture) {
  const auto source = RandomBytes(kCanvasBytes, 1);
  std::vector<uint8_t> canvas(kCanvasBytes, 0xEE);
  const LensTable table = MakeLensTable();
  const RowStartTable rowStart = MakeRowStart();
  LensState s;
  DrawLensFrame(source.data(), canvas.data(), table, rowStart, s);
  for (int y = 0; y < kCanvasHeight; ++y) {
    for (int x = 0; x < kCanvasWidth; ++x) {
      const bool inLens = x >= 128 && x < 192 && y >= 88 && y < 152;
      uint8_t want = source[y * 320 + x];
      if (inLens) want = source[88 * 320 + 128 + table[(y - 88) * 64 + (x - 128)]];
      ASSERT_EQ(canvas[y * 320 + x], want) << x << "," << y;
    }
  }
  // The lens is centred: 128 + 64 + 128 = 320 and 88 + 64 + 88 = 240; the
  // centre of the lens shows the picture's own centre pixel.
  EXPECT_EQ(canvas[120 * 320 + 160], source[120 * 320 + 160]);
  EXPECT_EQ(s.lensX, 132);
  EXPECT_EQ(s.lensY, 92);
}

TEST(LensFrame, RestsTwoFramesAtEachLimitBeforeTurning) {
  const auto source = RandomBytes(kCanvasBytes, 2);
  std::vector<uint8_t> canvas(kCanvasBytes);
  const LensTable table = MakeLensTable();
  const RowStartTable rowStart = MakeRowStart();
  LensState s;
  std::vector<int> xs, ys;
  for (int f = 0; f < 400; ++f) {
    xs.push_back(s.lensX);
    ys.push_back(s.lensY);
    DrawLensFrame(source.data(), canvas.data(), table, rowStart, s);
  }
  // Horizontal: 128 → 256 in 32 frames, drawn at 256 twice, then back.
  EXPECT_EQ(xs[31], 252);
  EXPECT_EQ(xs[32], 256);
  EXPECT_EQ(xs[33], 256);
  EXPECT_EQ(xs[34], 252);
  // Down to 0 after 64 more frames, again twice.
  EXPECT_EQ(xs[97], 0);
  EXPECT_EQ(xs[98], 0);
  EXPECT_EQ(xs[99], 4);
  // Vertical: 88 → 176 in 22 frames, twice there, then down to 0 twice.
  EXPECT_EQ(ys[22], 176);
  EXPECT_EQ(ys[23], 176);
  EXPECT_EQ(ys[24], 172);
  EXPECT_EQ(ys[67], 0);
  EXPECT_EQ(ys[68], 0);
  EXPECT_EQ(ys[69], 4);
  for (size_t f = 0; f < xs.size(); ++f) {
    ASSERT_TRUE(xs[f] >= 0 && xs[f] <= 256 && ys[f] >= 0 && ys[f] <= 176) << f;
  }
  // A position set outside the picture is brought back inside before drawing.
  LensState wild{9000, -50, 4, 4};
  DrawLensFrame(source.data(), canvas.data(), table, rowStart, wild);
  EXPECT_EQ(wild.lensX, 256);
  EXPECT_EQ(wild.lensY, 4);
}

TEST(LensFrame, SameBytesAsTheLiteralLoopOverManyFrames) {
  const auto source = RandomBytes(kCanvasBytes, 3);
  std::vector<uint8_t> fast(kCanvasBytes), plain(kCanvasBytes);
  const LensTable table = MakeLensTable();
  const RowStartTable rowStart = MakeRowStart();
  LensState a, b;
  for (int f = 0; f < 600; ++f) {
    DrawLensFrame(source.data(), fast.data(), table, rowStart, a);
    literal::DrawLensFrame(source.data(), plain.data(), table.data(), rowStart.data(), b);
    ASSERT_EQ(fast, plain) << "frame " << f;
    ASSERT_EQ(a.lensX, b.lensX);
    ASSERT_EQ(a.lensY, b.lensY);
  }
}

// ---- Rotation ----

// Sources that reveal which coordinate a canvas pixel sampled (modulo 251).
struct CoordinateSources {
  std::vector<uint8_t> column, row;
  CoordinateSources() : column(840 * 840), row(840 * 840) {
    for (int y = 0; y < 840; ++y) {
      for (int x = 0; x < 840; ++x) {
        column[y * 840 + x] = static_cast<uint8_t>(x % 251);
        row[y * 840 + x] = static_cast<uint8_t>(y % 251);
      }
    }
  }
};

TEST(Rotation, SineTableValues) {
  const SineTable spin = BuildSineTable(3.1415926535);
  EXPECT_EQ(spin[0], 0.0f);
  EXPECT_EQ(spin[64], 1.0f);
  EXPECT_EQ(spin[192], -1.0f);
  EXPECT_NEAR(spin[32], 0.70710678, 1e-7);  // an eighth of a turn: √2 / 2
  const SineTable scene = BuildSineTable(3.14);
  EXPECT_FLOAT_EQ(scene[64], 0.99999970f);
  EXPECT_LT(scene[64], 1.0f);
  // 383 × 3.14 / 128 = 9.395469 rad, 0.029309 short of 3π: its sine is 0.029305.
  EXPECT_NEAR(scene[383], 0.0293050, 1e-7);
}

TEST(Rotation, WorkedPhases) {
  const CoordinateSources src;
  const RowStartTable rowStart = MakeRowStart();
  const SourceRowTable sourceRow = MakeSourceRows();
  std::vector<uint8_t> cols(kCanvasBytes), rows(kCanvasBytes);

  // Phase 0, P = 3.1415926535: pixel (c, r) shows (420 + c, 420 + max(r − 1, 0)).
  const SineTable spin = BuildSineTable(3.1415926535);
  RenderRotation(src.column.data(), cols.data(), spin, rowStart, sourceRow, 0);
  RenderRotation(src.row.data(), rows.data(), spin, rowStart, sourceRow, 0);
  for (int r = 0; r < kCanvasHeight; ++r) {
    for (int c = 0; c < kCanvasWidth; ++c) {
      ASSERT_EQ(cols[r * 320 + c], (420 + c) % 251) << c << "," << r;
      ASSERT_EQ(rows[r * 320 + c], (420 + std::max(r - 1, 0)) % 251) << c << "," << r;
    }
  }

  // Phase 64, P = 3.14: the first row samples column 420 throughout, rows 420,
  // 420, 421 for c = 0, 1, 2 (T[64] is just below 1).
  const SineTable scene = BuildSineTable(3.14);
  RenderRotation(src.column.data(), cols.data(), scene, rowStart, sourceRow, 64);
  RenderRotation(src.row.data(), rows.data(), scene, rowStart, sourceRow, 64);
  for (int c = 0; c < kCanvasWidth; ++c)
    ASSERT_EQ(cols[c], 420 % 251) << c;
  EXPECT_EQ(rows[0], 420 % 251);
  EXPECT_EQ(rows[1], 420 % 251);
  EXPECT_EQ(rows[2], 421 % 251);
  // A quarter turn: row r ≥ 1 starts r − 1 columns left of the pivot.
  EXPECT_EQ(cols[101 * 320], (420 - 100) % 251);

  // The phase is taken modulo 256.
  std::vector<uint8_t> wrapped(kCanvasBytes);
  RenderRotation(src.column.data(), wrapped.data(), scene, rowStart, sourceRow, 64 + 256);
  EXPECT_EQ(wrapped, cols);
}

TEST(Rotation, SameBytesAsTheLiteralLoopForEveryPhase) {
  const auto source = RandomBytes(840 * 840, 4);
  const RowStartTable rowStart = MakeRowStart();
  const SourceRowTable sourceRow = MakeSourceRows();
  std::vector<uint8_t> fast(kCanvasBytes), plain(kCanvasBytes);
  // The two programs' values of P, and the double nearest π, whose table holds
  // tiny non-zero entries where a sum can round up onto an integer.
  for (double p : {3.1415926535, 3.14, 3.141592653589793}) {
    const SineTable t = BuildSineTable(p);
    for (int k = 0; k < 256; ++k) {
      RenderRotation(source.data(), fast.data(), t, rowStart, sourceRow, k);
      literal::RenderRotation(source.data(), plain.data(), t.data(), rowStart.data(),
                              sourceRow.data(), k);
      ASSERT_EQ(fast, plain) << "P " << p << " phase " << k;
    }
  }
}

// ---- Ripple ----

TEST(Ripple, DropPathPoints) {
  const DropPath path = BuildDropPath();
  EXPECT_EQ(path[0], 9716);   // x 36, y 0
  EXPECT_EQ(path[64], 9644);  // x −36
  EXPECT_EQ(path[32], 160 * (60 + 24) + 80);
  for (int j = 0; j < 64; ++j)
    EXPECT_EQ(path[j + 128], path[j]) << j;  // the run-on repeats
  for (int32_t p : path) {
    EXPECT_TRUE(p / 160 >= 36 && p / 160 <= 84 && p % 160 >= 44 && p % 160 <= 116) << p;
  }
}

TEST(Ripple, FirstStepRaisesTheEightNeighboursOfTheDrops) {
  const auto source = RandomBytes(kRippleCells, 5);
  std::vector<uint8_t> canvas = source;
  RippleMaps maps;
  const int32_t* first = maps.first.data();
  const DropPath path = BuildDropPath();
  RippleStep(source.data(), canvas.data(), maps, path, 0);

  // The map just written is now current, and it holds 60 at the four
  // neighbours of each drop.
  ASSERT_EQ(maps.current, maps.second.data());
  ASSERT_EQ(maps.previous, first);
  std::vector<int> raised;
  for (int d : {9716, 9644}) {
    for (int n : {d - 1, d + 1, d - 160, d + 160})
      raised.push_back(n);
  }
  for (int i = 0; i < kRippleCells; ++i) {
    const bool isRaised = std::find(raised.begin(), raised.end(), i) != raised.end();
    ASSERT_EQ(maps.current[i], isRaised ? 60 : 0) << i;
    ASSERT_EQ(canvas[i], isRaised ? source[i + 60] : source[i]) << i;
  }
  // The drops themselves were set in the previous map.
  EXPECT_EQ(maps.previous[9716], 128);
  EXPECT_EQ(maps.previous[9644], 128);
}

TEST(Ripple, TenThousandFramesKeepEdgesAndHeightRange) {
  const auto source = RandomBytes(kRippleCells, 6);
  std::vector<uint8_t> canvas(kRippleCells, 0xAB);
  RippleMaps maps;
  const DropPath path = BuildDropPath();
  int low = 0, high = 0;
  int k = 0;
  for (int f = 0; f < 10000; ++f) {
    RippleStep(source.data(), canvas.data(), maps, path, k);
    k = (k + 1) % 128;
    const auto [lo, hi] = std::minmax_element(maps.current, maps.current + kRippleCells);
    low = std::min(low, *lo);
    high = std::max(high, *hi);
  }
  // The rule settles into −61…132 (the extremes first appear at frame 4,760),
  // far inside the displacement that would need clamping.
  EXPECT_EQ(low, -61);
  EXPECT_EQ(high, 132);
  for (int i = 0; i < 160; ++i) {
    EXPECT_EQ(canvas[i], 0xAB) << i;                       // row 0 never written
    EXPECT_EQ(canvas[kRippleCells - 160 + i], 0xAB) << i;  // nor row 119
    EXPECT_EQ(maps.current[i], 0);
    EXPECT_EQ(maps.previous[kRippleCells - 160 + i], 0);
  }
}

TEST(Ripple, SameBytesAsTheLiteralLoopAcrossTheWrapOfK) {
  const auto source = RandomBytes(kRippleCells, 7);
  std::vector<uint8_t> fast(kRippleCells), plain(kRippleCells);
  RippleMaps maps;
  std::vector<int32_t> h(kRippleCells), g(kRippleCells);
  const DropPath path = BuildDropPath();
  for (int f = 0; f < 3000; ++f) {
    const int k = f % 128;
    RippleStep(source.data(), fast.data(), maps, path, k);
    literal::RippleStep(source.data(), plain.data(), h.data(), g.data(), path.data(), k);
    std::swap(h, g);
    ASSERT_EQ(fast, plain) << "frame " << f;
    ASSERT_TRUE(std::equal(h.begin(), h.end(), maps.current)) << "frame " << f;
  }
}

TEST(Ripple, DisplacementFarOutsideThePictureIsClamped) {
  std::vector<uint8_t> source(kRippleCells);
  for (int i = 0; i < kRippleCells; ++i)
    source[i] = static_cast<uint8_t>(i % 199);
  std::vector<uint8_t> canvas(kRippleCells);
  RippleMaps maps;
  // Previous heights that drive v to +9375 near the end and −9375 near the start.
  maps.previous[19000] = -10000;
  maps.previous[200] = 10000;
  const DropPath path = BuildDropPath();
  RippleStep(source.data(), canvas.data(), maps, path, 0);
  EXPECT_EQ(maps.current[19000], 9375);
  EXPECT_EQ(maps.current[200], -9375);
  EXPECT_EQ(canvas[19000], source[kRippleCells - 1]);
  EXPECT_EQ(canvas[200], source[0]);
  EXPECT_EQ(canvas[5000], source[5000]);  // an undisturbed cell
}

// ---- Plasma ----

TEST(Plasma, WaveTableAndFirstFrame) {
  const PlasmaWave scene = BuildPlasmaWave(3.14);
  const PlasmaWave demo = BuildPlasmaWave(3.141592654);
  EXPECT_EQ(scene[16], 63);
  EXPECT_EQ(demo[16], 64);
  EXPECT_EQ(*std::max_element(scene.begin(), scene.end()), 63);
  EXPECT_EQ(*std::min_element(scene.begin(), scene.end()), 0);
  for (int i : {16, 80, 144, 208})
    EXPECT_EQ(demo[i], 64) << i;
  EXPECT_EQ(demo[0], 32);

  std::vector<uint8_t> canvas(kCanvasBytes);
  PlasmaPhases ph;
  RenderPlasma(canvas.data(), demo, MakeRowStart(), ph);
  EXPECT_EQ(canvas[0], 128);
  EXPECT_EQ(ph.p1, 1);
  EXPECT_EQ(ph.p2, 254);
  EXPECT_EQ(ph.p3, 3);
  EXPECT_EQ(ph.p4, 252);
}

TEST(Plasma, ClosedFormAndLiteralLoopAgreeFor300Frames) {
  for (double p : {3.14, 3.141592654}) {
    const PlasmaWave w = BuildPlasmaWave(p);
    const RowStartTable rowStart = MakeRowStart();
    std::vector<uint8_t> fast(kCanvasBytes), plain(kCanvasBytes);
    PlasmaPhases a, b;
    for (int n = 0; n < 300; ++n) {
      RenderPlasma(fast.data(), w, rowStart, a);
      literal::RenderPlasma(plain.data(), w.data(), rowStart.data(), b);
      ASSERT_EQ(fast, plain) << "frame " << n;
      for (int r = 0; r < kCanvasHeight; ++r) {
        for (int x = 0; x < kCanvasWidth; ++x) {
          const int v = w[(3 * x - 4 * n) & 255] + w[(x + 3 * n) & 255] + w[(r - 2 * n) & 255] +
                        w[(2 * r + n) & 255];
          ASSERT_LE(v, 255);
          ASSERT_EQ(fast[r * 320 + x], v) << "frame " << n << " at " << x << "," << r;
        }
      }
    }
  }
}

TEST(Plasma, WrapsSumsAboveAByte) {
  // A wave table of 100s makes every sum 400, stored as 400 − 256.
  PlasmaWave w;
  w.fill(100);
  std::vector<uint8_t> canvas(kCanvasBytes);
  PlasmaPhases ph;
  RenderPlasma(canvas.data(), w, MakeRowStart(), ph);
  EXPECT_TRUE(std::all_of(canvas.begin(), canvas.end(), [](uint8_t b) { return b == 144; }));
}

}  // namespace
