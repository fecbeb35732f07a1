// Data paths, raw file access and the DibBlock layout.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "image/data_path.h"
#include "image/dib_block.h"
#include "image/raw_file.h"
#include "tests/unit/image/image_test_support.h"

namespace image {
namespace {

using image_test::ProgramFolder;

TEST(DataPath, ResolvesBelowProgramFolderWithoutRegardToCase) {
  ProgramFolder folder;
  folder.Write("Data/Title.MAG", {1});
  char path[kMaxPath];
  ASSERT_TRUE(BuildDataPath(path, "data\\title.mag"));
  EXPECT_EQ(std::string(path), folder.Full("Data/Title.MAG"));
  // A second name in the same buffer leaves nothing of the first.
  ASSERT_TRUE(BuildDataPath(path, "x.bmp"));
  EXPECT_EQ(std::string(path), folder.Full("x.bmp"));
}

TEST(DataPath, RefusesResultsThatDoNotFitTheBuffer) {
  ProgramFolder folder;
  char path[kMaxPath];
  std::string name(kMaxPath, 'a');
  EXPECT_FALSE(BuildDataPath(path, name));
  EXPECT_LT(std::strlen(path), kMaxPath);
  RawFile file;
  EXPECT_FALSE(file.Open(path));
}

TEST(RawFile, LengthKeepsThePositionAndChunkedReadsStopAtTheEnd) {
  ProgramFolder folder;
  std::vector<uint8_t> bytes(70000);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(i * 7);
  folder.Write("f.bin", bytes);
  RawFile file;
  ASSERT_TRUE(file.Open(folder.Full("f.bin").c_str()));
  uint8_t head[10];
  ASSERT_EQ(file.Read(head, 10), 10u);
  EXPECT_EQ(FileLength(file), 70000u);
  EXPECT_EQ(file.Seek(0, SEEK_CUR), 10);

  std::vector<uint8_t> rest(bytes.size() - 10);
  EXPECT_EQ(ReadLarge(file, rest.data(), static_cast<uint32_t>(rest.size())), 1);
  EXPECT_TRUE(std::equal(rest.begin(), rest.end(), bytes.begin() + 10));
  EXPECT_EQ(ReadLarge(file, rest.data(), 0), 1);
  EXPECT_EQ(ReadLarge(file, rest.data(), 1), 0);

  EXPECT_FALSE(RawFile().Open(folder.Full("missing").c_str()));
  EXPECT_FALSE(RawFile().Open(folder.dir().c_str()));  // folders are not files
}

TEST(DibBlock, PackedLayoutAndStrides) {
  struct Case {
    int width, height, bits;
    size_t stride, entries;
  };
  for (Case c :
       {Case{320, 240, 8, 320, 256}, Case{322, 2, 8, 324, 256}, Case{16, 3, 4, 8, 16},
        Case{5, 2, 24, 16, 0}, Case{1, 1, 4, 4, 16}, Case{0, 3, 8, 0, 256}, Case{7, 0, 4, 4, 16}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.bits));
    auto block = CreateDibBlock(c.width, c.height, c.bits);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(DibRowStride(*block), c.stride);
    EXPECT_EQ(block->size(), 40 + 4 * c.entries + c.stride * c.height);
    services::BitmapInfoHeader h = block->header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, c.width);
    EXPECT_EQ(h.biHeight, c.height);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, c.bits);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, c.stride * c.height);
    EXPECT_EQ(h.biClrUsed, 0u);
    for (size_t i = 40; i < block->size(); ++i)
      ASSERT_EQ(block->data()[i], 0) << i;
    services::DibView view = block->View();
    EXPECT_EQ(view.colorCount, c.entries);
    EXPECT_EQ(view.bitsSize, c.stride * c.height);
  }
  EXPECT_EQ(CreateDibBlock(320, 240, 8)->header().biSizeImage, 76800u);
}

TEST(DibBlock, RefusesSizesItCannotHold) {
  EXPECT_EQ(CreateDibBlock(-1, 1, 8), nullptr);
  EXPECT_EQ(CreateDibBlock(1, -1, 8), nullptr);
  EXPECT_EQ(CreateDibBlock(4, 4, 7), nullptr);
  EXPECT_EQ(CreateDibBlock(1 << 30, 1 << 30, 24), nullptr);
}

}  // namespace
}  // namespace image
