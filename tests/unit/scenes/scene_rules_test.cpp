// The scenes' own tables and row copy, and the rule that missing or unfit
// pictures never let a scene write outside a picture while it keeps its times.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "image/codecs.h"
#include "scenes/demo_sequencer.h"
#include "tests/unit/scenes/scene_harness.h"

namespace scene_tests {
namespace {

namespace fs = std::filesystem;

TEST(SceneTables, WaveAndCometTablesSwaySymmetrically) {
  const std::array<int16_t, 32> wavePeriod = {8,  7,  7,  6,  5,  4,  3,  1,  0,  -1, -3,
                                              -4, -5, -6, -7, -7, -8, -7, -7, -6, -5, -4,
                                              -3, -1, 0,  1,  3,  4,  5,  6,  7,  7};
  const std::array<int32_t, 32> cometPeriod = {4,  3,  3,  3,  2,  2,  1,  0,  0,  0,  -1,
                                               -2, -2, -3, -3, -3, -4, -3, -3, -3, -2, -2,
                                               -1, 0,  0,  0,  1,  2,  2,  3,  3,  3};
  auto wave = scenes::WaveTable();
  auto comet = scenes::CometWave();
  for (size_t i = 0; i < 32; ++i) {
    ASSERT_EQ(wave[i], wavePeriod[i]) << i;
    ASSERT_EQ(comet[i], cometPeriod[i]) << i;
  }
  // Later periods repeat the first, except where the constant's rounding puts
  // an exact value just below a whole number and truncation takes one off it.
  for (size_t i = 32; i < wave.size(); ++i)
    ASSERT_LE(std::abs(wave[i] - wavePeriod[i % 32]), 1) << i;
  for (size_t i = 32; i < comet.size(); ++i) {
    ASSERT_LE(std::abs(comet[i] - cometPeriod[i % 32]), 1) << i;
  }
  EXPECT_EQ(wave[416], 7);  // 8 × cos(26 × 3.141592654) lies just below 8
}

TEST(SceneTables, OffsetRowsCopyMovesEachRowByItsOwnOffset) {
  std::vector<uint8_t> src(3 * 8);
  for (size_t i = 0; i < src.size(); ++i)
    src[i] = static_cast<uint8_t>(i + 1);
  std::vector<uint8_t> dst(4 + 3 * 8 + 4, 0);
  const int16_t offsets[3] = {2, 0, -3};
  scenes::OffsetRowsCopy(dst.data() + 4, src.data(), 8, 3, offsets);
  // Row 0 lands two bytes right, row 1 in place, row 2 three bytes left;
  // later rows overwrite where they overlap.
  std::vector<uint8_t> want(dst.size(), 0);
  for (int r = 0; r < 3; ++r) {
    for (int i = 0; i < 8; ++i)
      want[4 + r * 8 + offsets[r] + i] = src[r * 8 + i];
  }
  EXPECT_EQ(dst, want);
}

// Writes a data folder in which every picture the scenes read is present but
// unfit: 64×48 16-colour MAG pictures, 8×8 BMPs, small pattern archives.
void WriteUnfitData(const fs::path& data) {
  fs::create_directories(data);
  image::IndexedPicture small;
  small.width = 64;
  small.height = 48;
  small.colors = 16;
  for (int i = 0; i < 16; ++i) {
    small.palette.push_back({static_cast<uint8_t>(i * 16), 0, static_cast<uint8_t>(255 - i * 16)});
  }
  small.pixels.assign(64 * 48, 0);
  for (size_t i = 0; i < small.pixels.size(); ++i)
    small.pixels[i] = static_cast<uint8_t>(i % 16);
  std::string err;
  std::vector<uint8_t> mag = image::EncodeMag(small, &err);
  ASSERT_FALSE(mag.empty()) << err;
  for (const char* name : {"x",      "y",     "fm",     "mn",    "tame",   "v",    "o",    "r",
                           "n",      "a",     "exc",    "title", "2tback", "red",  "back", "pelia",
                           "kaiten", "water", "waters", "yotei", "dousa",  "trush"}) {
    std::ofstream(data / (std::string(name) + ".mag"), std::ios::binary)
        .write(reinterpret_cast<const char*>(mag.data()), static_cast<std::streamsize>(mag.size()));
  }
  image::DarContents dar;
  for (int p = 0; p < 3; ++p) {
    image::DarPattern pattern;
    pattern.width = 40;
    pattern.height = 30;
    pattern.pixels.assign(40 * 30, static_cast<int16_t>(p + 1));
    dar.patterns.push_back(pattern);
  }
  std::vector<uint8_t> darBytes = image::EncodeDar(dar, &err);
  ASSERT_FALSE(darBytes.empty()) << err;
  for (const char* name : {"2title", "nolu", "msg1", "comet"}) {
    std::ofstream(data / (std::string(name) + ".dar"), std::ios::binary)
        .write(reinterpret_cast<const char*>(darBytes.data()),
               static_cast<std::streamsize>(darBytes.size()));
  }
  // An 8×8 true-colour BMP.
  std::vector<uint8_t> bmp(54 + 8 * 8 * 3, 0x40);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, static_cast<uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 8);
  put32(22, 8);
  bmp[26] = 1;
  bmp[28] = 24;
  put32(30, 0);
  for (const char* name :
       {"vennolu", "orine", "dova", "ubeko", "fenari", "tamor", "brakendo", "tobiran", "hovane"}) {
    std::ofstream(data / (std::string(name) + ".bmp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
  }
}

class UnfitData : public ::testing::TestWithParam<bool> {};

TEST_P(UnfitData, ACycleKeepsItsTimesAndWritesNothingOutsideThePictures) {
  const bool present = GetParam();
  fs::path dir = fs::temp_directory_path() /
                 (std::string("zelk-unfit-") + (present ? "small" : "missing") + "-" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(dir);
  fs::create_directories(dir / "data");
  if (present) WriteUnfitData(dir / "data");

  SceneHarness h;
  h.sys.backend().SetModuleFileName((dir / "scenedemo").string());
  auto observer = h.sequencer->onStep;
  uint64_t cycle = UINT64_MAX;
  // During the title hold: the small title at (184, 198) on black (its pixel
  // i has colour i mod 16), or black alone when it is missing.
  size_t titleWrong = SIZE_MAX;
  h.sequencer->onStep = [&](std::string_view step, int result) {
    observer(step, result);
    if (step == "cycle" && cycle == UINT64_MAX) {
      cycle = h.sys.backend().Elapsed();
      h.QuitAt(cycle + 171000 + 500);
      h.sys.backend().At(cycle + 5500, [&] {
        titleWrong = 0;
        for (int y = 0; y < 480; ++y) {
          for (int x = 0; x < 640; ++x) {
            uint32_t want = 0;
            const int c = x - 184, r = y - 198;
            if (present && c >= 0 && c < 64 && r >= 0 && r < 48) {
              const uint32_t i = (r * 64 + c) % 16;
              want = (i * 16) << 16 | (255 - i * 16);
            }
            titleWrong += h.window->screenDC->Pixel(x, y) != want;
          }
        }
      });
    }
  };
  EXPECT_EQ(h.sequencer->Run(), 0);
  EXPECT_GE(h.EndOf("FinaleScene") - cycle, 171000u);
  EXPECT_LE(h.EndOf("FinaleScene") - cycle, 171000u + 5);
  EXPECT_EQ(h.EndOf("RotationScene") - cycle, 109000u);
  EXPECT_FALSE(h.sys.system().boxLog().empty());  // the loaders said what was wrong
  EXPECT_EQ(titleWrong, 0u);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Pictures, UnfitData, ::testing::Values(true, false));

}  // namespace
}  // namespace scene_tests
