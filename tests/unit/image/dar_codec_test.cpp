// The DAR writer and the tool-side reader: exact bytes of small archives,
// run splitting, row padding, round trips and refusals.
#include <gtest/gtest.h>

#include <random>

#include "image/codecs.h"

namespace image {
namespace {

constexpr int16_t T = -1;  // transparent

DarPattern Pattern(int width, int height, std::vector<int16_t> pixels) {
  return DarPattern{width, height, std::move(pixels)};
}

std::vector<uint8_t> Tail(const std::vector<uint8_t>& file) {
  return {file.begin() + 1036, file.end()};
}

TEST(DarCodec, WritesHeaderColourTableAndExactRecords) {
  DarContents c;
  for (int i = 0; i < 1024; ++i)
    c.colorTable[i] = static_cast<uint8_t>(i * 5);
  // Top row: a b . ; bottom row: . . c
  c.patterns.push_back(Pattern(3, 2, {7, 8, T, T, T, 9}));
  std::string error;
  std::vector<uint8_t> file = EncodeDar(c, &error);
  ASSERT_FALSE(file.empty()) << error;
  EXPECT_EQ(file[5], 1);
  EXPECT_EQ(file[6], 1);
  EXPECT_EQ(file[7], 0);
  EXPECT_TRUE(std::equal(c.colorTable.begin(), c.colorTable.end(), file.begin() + 12));
  EXPECT_EQ(Tail(file), (std::vector<uint8_t>{
                            6, 0, 3, 0, 2, 0, 8, 0,  // L = 6, width 3, height 2, row size 8
                            2, 0, 1, 0, 9, 0, 0, 0,  // bottom row: skip 2, one pixel, 3 fill
                            0, 0, 2, 0, 7, 8, 0, 0,  // top row: two pixels, 2 fill
                        }));
}

TEST(DarCodec, SplitsRunsAt255AndPadsRowsWithEmptyRuns) {
  DarContents c;
  c.headerExtra = 4;
  std::vector<int16_t> pixels(900 * 2, T);
  for (int x = 600; x < 900; ++x)
    pixels[x] = static_cast<int16_t>(x & 0xFF);  // top row
  c.patterns.push_back(Pattern(900, 2, pixels));
  std::string error;
  std::vector<uint8_t> data = Tail(EncodeDar(c, &error));
  ASSERT_FALSE(data.empty()) << error;
  // Header: L = 10, four extra zero bytes.
  const size_t rowSize = 4 + 4 + (4 + 256) + (4 + 48);
  EXPECT_EQ(data[0], 10);
  EXPECT_EQ(data[6] | data[7] << 8, static_cast<int>(rowSize));
  const uint8_t* bottom = data.data() + 12;
  for (size_t q = 0; q < rowSize; ++q)
    ASSERT_EQ(bottom[q], 0) << q;  // empty runs only
  const uint8_t* top = bottom + rowSize;
  EXPECT_EQ(std::vector<uint8_t>(top, top + 8), (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 0, 0}));
  EXPECT_EQ(top[8], 90);
  EXPECT_EQ(top[10], 255);
  EXPECT_EQ(top[12], 600 & 0xFF);
  const uint8_t* last = top + 8 + 4 + 256;
  EXPECT_EQ(last[0], 0);
  EXPECT_EQ(last[2], 45);
  EXPECT_EQ(last[4], (600 + 255) & 0xFF);
  EXPECT_EQ(data.size(), 12 + 2 * rowSize);
}

TEST(DarCodec, RoundTripsRandomPatterns) {
  std::mt19937 random(5);
  for (int extra : {0, 4, 11}) {
    DarContents c;
    c.headerExtra = extra;
    for (int i = 0; i < 1024; ++i)
      c.colorTable[i] = static_cast<uint8_t>(random());
    for (int n = 0; n < 40; ++n) {
      const int w = 1 + static_cast<int>(random() % 700), h = static_cast<int>(random() % 9);
      const int density = static_cast<int>(random() % 100);
      DarPattern p = Pattern(w, h, {});
      for (int i = 0; i < w * h; ++i)
        p.pixels.push_back(
            static_cast<int>(random() % 100) < density ? static_cast<int16_t>(random() % 256) : T);
      c.patterns.push_back(p);
    }
    std::string error;
    std::vector<uint8_t> file = EncodeDar(c, &error);
    ASSERT_FALSE(file.empty()) << error;
    std::optional<DarContents> back = DecodeDarBytes(file, &error);
    ASSERT_TRUE(back.has_value()) << error;
    EXPECT_EQ(back->colorTable, c.colorTable);
    EXPECT_EQ(back->headerExtra, extra);
    ASSERT_EQ(back->patterns.size(), c.patterns.size());
    for (size_t n = 0; n < c.patterns.size(); ++n) {
      EXPECT_EQ(back->patterns[n].width, c.patterns[n].width);
      EXPECT_EQ(back->patterns[n].height, c.patterns[n].height);
      EXPECT_TRUE(back->patterns[n].pixels == c.patterns[n].pixels) << n;
    }
    EXPECT_EQ(EncodeDar(*back, &error), file);
  }
}

TEST(DarCodec, WriterRefusesWhatTheFormatCannotHold) {
  std::string error;
  DarContents many;
  many.patterns.resize(257);
  EXPECT_TRUE(EncodeDar(many, &error).empty());
  EXPECT_FALSE(error.empty());
  DarContents bad;
  bad.patterns.push_back(Pattern(2, 1, {0, 256}));
  EXPECT_TRUE(EncodeDar(bad, &error).empty());
  bad.patterns[0] = Pattern(2, 2, {0, 1, 2});
  EXPECT_TRUE(EncodeDar(bad, &error).empty());
  bad.patterns[0] = Pattern(70000, 0, {});
  EXPECT_TRUE(EncodeDar(bad, &error).empty());
  // 300 alternating pixels need 150 runs of 8 bytes: fine; 20000 need more than 65535.
  std::vector<int16_t> alternate(20000);
  for (size_t i = 0; i < alternate.size(); ++i)
    alternate[i] = (i & 1) ? T : 1;
  bad.patterns[0] = Pattern(20000, 1, alternate);
  EXPECT_TRUE(EncodeDar(bad, &error).empty());
  DarContents extra;
  extra.headerExtra = -1;
  EXPECT_TRUE(EncodeDar(extra, &error).empty());
}

TEST(DarCodec, ReaderRefusesDamagedFiles) {
  DarContents c;
  c.patterns.push_back(Pattern(3, 2, {7, 8, T, T, T, 9}));
  const std::vector<uint8_t> good = EncodeDar(c, nullptr);
  std::string error;
  ASSERT_TRUE(DecodeDarBytes(good, &error).has_value()) << error;

  std::vector<std::vector<uint8_t>> bad;
  bad.push_back({good.begin(), good.begin() + 1035});  // short header
  bad.push_back(good);
  bad.back()[5] = 2;  // version
  bad.push_back(good);
  bad.back()[6] = 1;  // 257 patterns
  bad.back()[7] = 1;
  bad.push_back({good.begin(), good.end() - 3});  // the last pixel byte missing
  bad.push_back(good);
  bad.back()[6] = 2;  // a second record that is not there
  bad.push_back(good);
  bad.back()[1036 + 8 + 8 + 2] = 5;  // the last row's run of 5 passes the end of the data
  bad.push_back(good);
  bad.back()[1036 + 8] = 3;  // skip 3 + 1 pixel passes width 3
  bad.push_back(good);
  bad.back()[1036] = 4;  // header length below 6
  bad.push_back(good);   // 65535 × 65535 transparent pixels from 8 bytes
  std::fill(bad.back().begin() + 1036 + 2, bad.back().begin() + 1036 + 6, 0xFF);
  bad.back()[1036 + 6] = bad.back()[1036 + 7] = 0;
  for (size_t i = 0; i < bad.size(); ++i) {
    error.clear();
    EXPECT_FALSE(DecodeDarBytes(bad[i], &error).has_value()) << i;
    EXPECT_FALSE(error.empty()) << i;
  }
}

}  // namespace
}  // namespace image
