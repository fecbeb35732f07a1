// Files kept in the tree: pictures and an archive written by earlier builds of
// the tools must still read back to the pictures they were made from.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "image/codecs.h"
#include "tools/zelkimg/png_io.h"

namespace image {
namespace {

std::string Fixture(const std::string& name) {
  return std::string(ZELK_FIXTURES) + "/" + name;
}

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

zelkimg::PngPicture Png(const std::string& name) {
  std::string error;
  std::optional<zelkimg::PngPicture> p = zelkimg::ReadPng(Fixture(name), &error);
  EXPECT_TRUE(p.has_value()) << error;
  return p.value_or(zelkimg::PngPicture{});
}

TEST(Fixtures, MagFilesDecodeToTheirSourcePictures) {
  for (const char* stem : {"gradient16", "pattern256"}) {
    SCOPED_TRACE(stem);
    zelkimg::PngPicture source = Png(std::string(stem) + ".png");
    std::string error;
    std::optional<IndexedPicture> p =
        DecodeMagBytes(Bytes(Fixture(std::string(stem) + ".mag")), &error);
    ASSERT_TRUE(p.has_value()) << error;
    EXPECT_EQ(p->height, source.height);
    for (int y = 0; y < source.height; ++y)
      for (int x = 0; x < source.width; ++x)
        ASSERT_EQ(p->pixels[y * p->width + x], source.pixels[y * source.width + x]);
    for (size_t i = 0; i < source.palette.size() && i < p->palette.size(); ++i)
      EXPECT_EQ(p->palette[i], source.palette[i]);
  }
}

TEST(Fixtures, ArchivePatternsMatchTheirSprites) {
  std::string error;
  std::optional<DarContents> c = DecodeDarBytes(Bytes(Fixture("sprites.dar")), &error);
  ASSERT_TRUE(c.has_value()) << error;
  ASSERT_EQ(c->patterns.size(), 2u);
  EXPECT_EQ(c->headerExtra, 4);
  for (int n = 0; n < 2; ++n) {
    zelkimg::PngPicture sprite = Png("sprite" + std::to_string(n) + ".png");
    const DarPattern& p = c->patterns[n];
    ASSERT_EQ(p.width, sprite.width);
    ASSERT_EQ(p.height, sprite.height);
    for (size_t i = 0; i < p.pixels.size(); ++i)
      ASSERT_EQ(p.pixels[i], sprite.pixels[i] == 0 ? -1 : sprite.pixels[i]) << i;
  }
}

}  // namespace
}  // namespace image
