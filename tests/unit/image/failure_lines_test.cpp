// Every loader box is also one line on standard error: the program, the full
// path and why, in the order of the boxes, whose texts stay as they were.
#include <gtest/gtest.h>

#include "image/codecs.h"
#include "image/dar_archive.h"
#include "image/dib_image.h"
#include "image/mag_image.h"
#include "tests/unit/image/image_test_support.h"

namespace image {
namespace {

TEST(FailureLinesTest, EachLoaderBoxHasItsLineWithPathAndReason) {
  image_test::ProgramFolder folder;
  auto window = folder.vs().OpenMainWindow("Title");
  std::vector<uint8_t> bmp = image_test::BmpFile(2, 2, 24, std::vector<uint8_t>(16, 9));
  bmp.push_back(0);  // one byte more than its size field says
  folder.Write("data/long.bmp", bmp);
  image_test::MagFile mag;
  mag.flagA = {0};
  mag.pixels = {1, 2, 3, 4, 5, 6, 7, 8};
  std::vector<uint8_t> cut = mag.Bytes();
  cut.resize(40);
  folder.Write("data/cut.mag", cut);
  DarContents contents;
  contents.patterns.push_back(DarPattern{4, 2, std::vector<int16_t>(8, 1)});
  std::vector<uint8_t> dar = EncodeDar(contents, nullptr);
  folder.Write("data/one.dar", dar);
  dar[5] = 2;
  folder.Write("data/v2.dar", dar);
  std::filesystem::create_directories(folder.dir() / "data/folder.mag");

  DibImage dib(window->hwnd, window->title);
  MagImage pic(window->hwnd, window->title);
  DarArchive archive(window.get());
  std::vector<uint8_t> display(8 * 4);
  auto draw = [&] {
    (void)archive.Load("data\\one.dar");
    archive.SetDisplay(8, 4, display.data(), display.size());
    archive.DrawPattern(5, 0, 0);
  };
  struct Case {
    std::function<void()> run;
    std::string file, why, box;
  };
  const std::vector<Case> cases = {
      {[&] { (void)dib.Load("data\\none.bmp"); }, "none.bmp", "No such file or directory",
       "file not open! DIBLoad"},
      {[&] { (void)dib.Load("data\\long.bmp"); }, "long.bmp",
       "its size field says 70 bytes, the file has 71", "IlligalFileSize!"},
      {[&] { (void)pic.Load("data\\folder.mag"); }, "folder.mag", "Is a directory", "Error: Can't"},
      {[&] { (void)pic.Load("data\\cut.mag"); }, "cut.mag", "header cut short", "Error: Can't"},
      {[&] { (void)archive.Load("data\\v2.dar"); }, "v2.dar", "version byte 2, not 1",
       "Dar Illigal"},
      {draw, "one.dar", "pattern 0 (4x2) at (5, 0) passes the display's width of 8",
       "ディスプレイ範囲横超え"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const size_t boxes = folder.boxes().size();
    testing::internal::CaptureStderr();
    c.run();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "prog: " + folder.Full("data/" + c.file) + ": " + c.why + "\n");
    ASSERT_EQ(folder.boxes().size(), boxes + 1);
    EXPECT_EQ(folder.boxes().back().text.substr(0, c.box.size()), c.box);
  }
}

}  // namespace
}  // namespace image
