// The MAG writer against the reader: round trips over sizes and content in
// both colour modes, the compression of plain content, and refusals.
#include <gtest/gtest.h>

#include <random>

#include "image/codecs.h"
#include "image/mag_image.h"

namespace image {
namespace {

enum class Content { kNoise, kGradient, kDither, kBlocks, kFlat };

IndexedPicture Make(int width, int height, int colors, Content content, uint32_t seed = 1) {
  IndexedPicture p;
  p.width = width;
  p.height = height;
  p.colors = colors;
  for (int i = 0; i < colors; ++i)
    p.palette.push_back(Rgb{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 13 + seed)});
  std::mt19937 random(seed);
  p.pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int v = 0;
      switch (content) {
        case Content::kNoise:
          v = static_cast<int>(random() % 256);
          break;
        case Content::kGradient:
          v = (x / 5 + y / 3);
          break;
        case Content::kDither:
          v = ((x ^ y) & 1) ? 3 : 9 + (y / 40);
          break;
        case Content::kBlocks:
          v = (x / 24) * 5 + (y / 16) * 11;
          break;
        case Content::kFlat:
          v = 6;
          break;
      }
      p.pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(v % colors);
    }
  }
  return p;
}

// The picture as the reader gives it back: widened to whole columns with
// index 0, the palette filled to all entries.
IndexedPicture Widened(const IndexedPicture& p) {
  const int unit = p.colors == 256 ? 4 : 8;
  IndexedPicture w = p;
  w.width = (p.width + unit - 1) / unit * unit;
  w.pixels.assign(static_cast<size_t>(w.width) * p.height, 0);
  for (int y = 0; y < p.height; ++y)
    std::copy_n(&p.pixels[static_cast<size_t>(y) * p.width], p.width,
                &w.pixels[static_cast<size_t>(y) * w.width]);
  w.palette.resize(p.colors);
  return w;
}

void ExpectRoundTrip(const IndexedPicture& p) {
  std::string error;
  std::vector<uint8_t> file = EncodeMag(p, &error);
  ASSERT_FALSE(file.empty()) << error;
  std::optional<IndexedPicture> back = DecodeMagBytes(file, &error);
  ASSERT_TRUE(back.has_value()) << error;
  IndexedPicture want = Widened(p);
  EXPECT_EQ(back->width, want.width);
  EXPECT_EQ(back->height, want.height);
  EXPECT_EQ(back->colors, want.colors);
  EXPECT_EQ(back->palette, want.palette);
  ASSERT_EQ(back->pixels.size(), want.pixels.size());
  EXPECT_TRUE(back->pixels == want.pixels);
}

TEST(MagCodec, RoundTripsOverSizesAndContent) {
  for (int colors : {16, 256}) {
    const int widest = colors == 256 ? 2048 : 4096;
    for (int width : {1, 3, 4, 5, 8, 9, 17, 63, 640, widest}) {
      for (int height : {1, 2, 17, 33}) {
        for (Content c :
             {Content::kNoise, Content::kGradient, Content::kDither, Content::kBlocks}) {
          SCOPED_TRACE(std::to_string(colors) + " colours " + std::to_string(width) + "x" +
                       std::to_string(height) + " content " + std::to_string(int(c)));
          ExpectRoundTrip(Make(width, height, colors, c, width * 31 + height));
        }
      }
    }
  }
}

TEST(MagCodec, RoundTripsLargePictures) {
  for (Content c : {Content::kNoise, Content::kGradient, Content::kBlocks}) {
    ExpectRoundTrip(Make(840, 840, 256, c));
    ExpectRoundTrip(Make(640, 400, 16, c));
  }
  ExpectRoundTrip(Make(2, 32768, 16, Content::kDither));
}

TEST(MagCodec, DemoLoaderReadsWhatTheWriterWrites) {
  IndexedPicture p = Make(37, 21, 16, Content::kGradient);
  MagDecodeResult r = DecodeMagToDib(EncodeMag(p, nullptr, "a comment"));
  ASSERT_NE(r.block, nullptr) << r.message;
  const services::BitmapInfoHeader h = r.block->header();
  EXPECT_EQ(h.biWidth, 40);
  EXPECT_EQ(h.biHeight, 21);
  EXPECT_EQ(h.biBitCount, 4);
  // Bottom row first in the block; the left pixel in the high nibble.
  const uint8_t* bits = r.block->data() + 40 + 64;
  EXPECT_EQ(bits[0] >> 4, p.pixels[20 * 37]);
  EXPECT_EQ(bits[0] & 15, p.pixels[20 * 37 + 1]);
}

TEST(MagCodec, PlainContentTakesFewBytes) {
  std::string error;
  // A flat picture: one literal unit, then copies whose flags repeat row to row.
  std::vector<uint8_t> flat = EncodeMag(Make(640, 400, 256, Content::kFlat), &error);
  std::optional<MagHeaderInfo> h = ReadMagHeader(flat, &error);
  ASSERT_TRUE(h.has_value()) << error;
  EXPECT_EQ(h->pixelSize, 2u);
  EXPECT_LT(h->flagBSize, 200u);
  EXPECT_LT(flat.size(), 36 + 800 + 640u * 400 / 4 / 8 + 200);  // flag A: one bit per column
  // Dither and blocks shrink to a small part of their raw size.
  for (Content c : {Content::kDither, Content::kBlocks}) {
    std::vector<uint8_t> file = EncodeMag(Make(640, 400, 256, c), &error);
    EXPECT_LT(file.size(), 640u * 400 / 8) << int(c);
  }
}

TEST(MagCodec, HeaderDescribesThePicture) {
  std::string error;
  std::vector<uint8_t> file = EncodeMag(Make(21, 5, 16, Content::kNoise), &error, "hello");
  std::optional<MagHeaderInfo> h = ReadMagHeader(file, &error);
  ASSERT_TRUE(h.has_value()) << error;
  EXPECT_EQ(h->colors, 16);
  EXPECT_EQ(h->screenMode & 0x80, 0);
  EXPECT_EQ(h->leftX, 0);
  EXPECT_EQ(h->rightX, 20);
  EXPECT_EQ(h->topY, 0);
  EXPECT_EQ(h->bottomY, 4);
  EXPECT_NE(h->comment.find("hello"), std::string::npos);
  EXPECT_EQ(h->flagAOffset, 32u + 48u);
  // The areas follow each other to the end of the file, after a header that
  // starts behind the signature, the 22 bytes of machine code and user name,
  // the comment and 0x1A.
  EXPECT_EQ(h->flagBOffset + h->flagBSize, h->pixelOffset);
  EXPECT_EQ(8 + 22 + 5 + 1 + h->pixelOffset + h->pixelSize, file.size());
}

TEST(MagCodec, RefusesWhatItCannotWrite) {
  struct Case {
    const char* what;
    IndexedPicture picture;
    std::string comment;
  };
  IndexedPicture big16 = Make(4, 4, 16, Content::kFlat);
  big16.palette.resize(17);
  IndexedPicture index = Make(4, 4, 16, Content::kFlat);
  index.pixels[5] = 16;
  IndexedPicture count = Make(4, 4, 256, Content::kFlat);
  count.pixels.pop_back();
  IndexedPicture odd = Make(4, 4, 256, Content::kFlat);
  odd.colors = 64;
  std::vector<Case> cases = {
      {"17 palette entries at 16 colours", big16, ""},
      {"index 16 at 16 colours", index, ""},
      {"missing pixel", count, ""},
      {"64 colours", odd, ""},
      {"too wide", Make(2049, 1, 256, Content::kFlat), ""},
      {"too wide at 16", Make(4097, 1, 16, Content::kFlat), ""},
      {"too tall", Make(1, 32769, 16, Content::kFlat), ""},
      {"empty", Make(0, 0, 16, Content::kFlat), ""},
      {"comment with 0x1A", Make(4, 4, 16, Content::kFlat), "a\x1A"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_TRUE(EncodeMag(c.picture, &error, c.comment).empty()) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

}  // namespace
}  // namespace image
