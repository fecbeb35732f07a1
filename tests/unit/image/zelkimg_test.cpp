// The zelkimg commands, run in-process on files in a temporary folder.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>

#include "image/codecs.h"
#include "tests/unit/image/image_test_support.h"
#include "tools/zelkimg/png_io.h"
#include "tools/zelkimg/zelkimg.h"

// A seam that counts the bytes asked of operator new while `counting` is set:
// what a command sets aside, whatever its time.
namespace {
std::atomic<bool> counting{false};
std::atomic<uint64_t> bytesAsked{0};
}  // namespace
void* operator new(size_t n) {
  if (counting) bytesAsked += n;
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
// Kept out of line: inlined, GCC takes their free() for a mismatch with new.
[[gnu::noinline]] void operator delete(void* p) noexcept {
  std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

namespace zelkimg {
namespace {

uint64_t BytesAsked(const std::function<void()>& run) {
  bytesAsked = 0;
  counting = true;
  run();
  counting = false;
  return bytesAsked;
}

namespace fs = std::filesystem;
using image::DarContents;
using image::Rgb;

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

Outcome Tool(std::vector<std::string> args) {
  args.insert(args.begin(), "zelkimg");
  std::vector<const char*> argv;
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int code = Main(static_cast<int>(argv.size()), argv.data());
  std::string out = testing::internal::GetCapturedStdout();
  return {code, out, testing::internal::GetCapturedStderr()};
}

std::vector<uint8_t> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<Rgb> Palette(int n) {
  std::vector<Rgb> p;
  for (int i = 0; i < n; ++i)
    p.push_back(Rgb{uint8_t(i * 9), uint8_t(i * 5 + 1), uint8_t(255 - i)});
  return p;
}

class ZelkimgTest : public ::testing::Test {
 protected:
  std::string At(const std::string& name) const { return (folder.dir() / name).string(); }
  // An indexed PNG whose pixel (x, y) is f(x, y).
  template <typename F>
  void Png(const std::string& name, int w, int h, const std::vector<Rgb>& palette, F f,
           std::vector<uint8_t> alpha = {}) {
    std::vector<uint8_t> px;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        px.push_back(static_cast<uint8_t>(f(x, y)));
    std::string error;
    ASSERT_TRUE(WriteIndexedPng(At(name), w, h, palette, alpha, px, 8, &error)) << error;
  }
  image_test::ProgramFolder folder;
};

TEST_F(ZelkimgTest, EncodeDecodeKeepsIndicesAndPaletteInBothModes) {
  auto f = [](int x, int y) { return (x / 3 + y / 2) % 16; };
  Png("small.png", 21, 9, Palette(16), f);
  Png("big.png", 21, 9, Palette(200), f);
  for (auto [name, colours] : {std::pair{"small", 16}, std::pair{"big", 256}}) {
    SCOPED_TRACE(name);
    const std::string png = At(std::string(name) + ".png"), mag = At(std::string(name) + ".mag"),
                      back = At(std::string(name) + "-back.png");
    ASSERT_EQ(Tool({"encode", png, mag}).code, 0);
    Outcome info = Tool({"info", mag});
    EXPECT_NE(info.out.find("colours: " + std::to_string(colours)), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("right x: 20, bottom y: 8"), std::string::npos) << info.out;
    ASSERT_EQ(Tool({"decode", mag, back}).code, 0);
    std::string error;
    std::optional<PngPicture> p = ReadPng(back, &error);
    ASSERT_TRUE(p.has_value()) << error;
    EXPECT_TRUE(p->indexed);
    EXPECT_EQ(p->width, 24);  // widened to whole columns of 8 or 4 pixels
    EXPECT_EQ(p->height, 9);
    std::vector<Rgb> want = Palette(colours == 16 ? 16 : 200);
    want.resize(colours);
    EXPECT_EQ(p->palette, want);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 24; ++x)
        ASSERT_EQ(p->pixels[y * 24 + x], x < 21 ? f(x, y) : 0) << x << "," << y;
  }
  // A 16-entry palette written at 256 colours on request.
  ASSERT_EQ(Tool({"encode", At("small.png"), At("forced.mag"), "--colors", "256"}).code, 0);
  EXPECT_NE(Tool({"info", At("forced.mag")}).out.find("colours: 256"), std::string::npos);
}

TEST_F(ZelkimgTest, EncodeRefusesPicturesMagCannotHold) {
  Png("p17.png", 4, 4, Palette(17), [](int, int) { return 16; });
  Outcome r = Tool({"encode", At("p17.png"), At("x.mag"), "--colors", "16"});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("palette of 17 entries"), std::string::npos) << r.err;
  std::string error;
  ASSERT_TRUE(WriteRgbPng(At("rgb.png"), 2, 2, std::vector<uint8_t>(12, 7), &error));
  r = Tool({"dar-pack", At("x.dar"), At("rgb.png")});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("not an indexed PNG"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(At("x.dar")));
  r = Tool({"decode", At("missing.mag"), At("x.png")});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("cannot open"), std::string::npos);
}

// True-colour and grey pictures are reduced to the colours asked for: close
// to the original everywhere, and with dithering (the default) closer in the
// mean of each 8x8 area than plain bands are.
TEST_F(ZelkimgTest, EncodeReducesTrueColourAndGreyPictures) {
  constexpr int kW = 96, kH = 64;
  std::vector<uint8_t> rgb, grey;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      rgb.insert(rgb.end(), {uint8_t(x * 255 / 95), uint8_t(y * 255 / 63), uint8_t(128 + x - y)});
      grey.insert(grey.end(), 3, uint8_t((x + y) * 255 / 158));
    }
  }
  std::string error;
  folder.Write("rgb.png", EncodeTrueColourPng(kW, kH, rgb, 3, &error));
  std::vector<uint8_t> oneChannel;
  for (size_t i = 0; i < grey.size(); i += 3)
    oneChannel.push_back(grey[i]);
  folder.Write("grey.png", EncodeTrueColourPng(kW, kH, oneChannel, 1, &error));
  // Encodes `in` with `options`: {mean error per channel, mean error of 8x8 means}.
  auto reduce = [&](const std::string& in, std::vector<std::string> options,
                    const std::vector<uint8_t>& want, int colours) {
    std::vector<std::string> args{"encode", At(in), At("out.mag")};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(Tool(args).code, 0);
    std::optional<image::IndexedPicture> p = image::DecodeMagBytes(Bytes(At("out.mag")), &error);
    EXPECT_TRUE(p && p->colors == colours && p->palette.size() <= size_t(colours)) << error;
    double pixel = 0, area = 0;
    for (int c = 0; p && c < 3; ++c) {
      for (int by = 0; by < kH; by += 8) {
        for (int bx = 0; bx < kW; bx += 8) {
          double sum = 0;
          for (int i = 0; i < 64; ++i) {
            const int x = bx + i % 8, y = by + i / 8;
            const Rgb got = p->palette.at(p->pixels[y * p->width + x]);
            EXPECT_TRUE(&want != &grey || (got.r == got.g && got.g == got.b));
            const double d = (c == 0 ? got.r : c == 1 ? got.g : got.b) - want[3 * (y * kW + x) + c];
            pixel += std::abs(d);
            sum += d;
          }
          area += std::abs(sum / 64);
        }
      }
    }
    return std::pair{pixel / (kW * kH * 3), area / (kW * kH / 64 * 3)};
  };
  EXPECT_LT(reduce("rgb.png", {}, rgb, 256).first, 6);
  const auto [bandedPixel, bandedArea] =
      reduce("rgb.png", {"--colors", "16", "--no-dither"}, rgb, 16);
  const auto [ditheredPixel, ditheredArea] = reduce("rgb.png", {"--colors", "16"}, rgb, 16);
  EXPECT_LT(bandedPixel, 16);
  EXPECT_LT(ditheredPixel, 20);
  EXPECT_LT(ditheredArea, bandedArea * 0.7) << ditheredArea << " vs " << bandedArea;
  EXPECT_LT(reduce("grey.png", {"--colors", "16"}, grey, 16).first, 12);
}

TEST_F(ZelkimgTest, DecodeShowsBmpAsTheDemosDo) {
  // 3×2, 24 bits, bottom row first.
  std::vector<uint8_t> px = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0,  // bottom
                             10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 0, 0};
  folder.Write("p.bmp", image_test::BmpFile(3, 2, 24, px));
  ASSERT_EQ(Tool({"decode", At("p.bmp"), At("p.png")}).code, 0);
  std::string error;
  std::optional<PngPicture> p = ReadPng(At("p.png"), &error);
  ASSERT_TRUE(p.has_value()) << error;
  EXPECT_FALSE(p->indexed);
  // RGBA, top row first; BMP stores blue first.
  EXPECT_EQ(std::vector<uint8_t>(p->pixels.begin(), p->pixels.begin() + 8),
            (std::vector<uint8_t>{30, 20, 10, 255, 60, 50, 40, 255}));
  EXPECT_EQ(p->pixels[12], 3);
  folder.Write("bad.bmp", image_test::BmpFile(3, 2, 24, px, 1));
  Outcome r = Tool({"decode", At("bad.bmp"), At("q.png")});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("differs from the file length"), std::string::npos);
  folder.Write("pal.bmp", image_test::BmpFile(4, 1, 8, {1, 2, 3, 4}));
  EXPECT_NE(Tool({"decode", At("pal.bmp"), At("q.png")}).err.find("colour table"),
            std::string::npos);
}

TEST_F(ZelkimgTest, PackUnpackPackIsByteIdentical) {
  const std::vector<Rgb> pal = Palette(40);
  // Transparency from tRNS (index 3 has alpha 0) …
  Png("a.png", 300, 6, pal, [](int x, int y) { return (x + y) % 11 == 0 ? 3 : (x / 7) % 40; },
      {255, 255, 255, 0});
  Png("b.png", 9, 9, pal, [](int x, int y) { return x == y ? 3 : 30; }, {255, 255, 255, 0});
  for (const char* extra : {"0", "4"}) {
    SCOPED_TRACE(extra);
    ASSERT_EQ(
        Tool({"dar-pack", At("one.dar"), At("a.png"), At("b.png"), "--header-extra", extra}).code,
        0);
    Outcome u = Tool({"dar-unpack", At("one.dar"), At("unpacked")});
    ASSERT_EQ(u.code, 0) << u.err;
    EXPECT_TRUE(fs::exists(At("unpacked/colors.bin")));
    ASSERT_EQ(Tool({"dar-pack", At("two.dar"), At("unpacked/pattern000.png"),
                    At("unpacked/pattern001.png"), "--header-extra", extra})
                  .code,
              0);
    EXPECT_EQ(Bytes(At("one.dar")), Bytes(At("two.dar")));
    std::string error;
    auto c = image::DecodeDarBytes(Bytes(At("one.dar")), &error);
    ASSERT_TRUE(c.has_value()) << error;
    EXPECT_EQ(c->patterns[1].pixels[0], -1);
    EXPECT_EQ(c->patterns[1].pixels[1], 30);
    EXPECT_EQ(c->colorTable[4 * 2 + 2], pal[2].r);
  }
  // … or from --transparent, which gives the same archive.
  Png("a2.png", 300, 6, pal, [](int x, int y) { return (x + y) % 11 == 0 ? 3 : (x / 7) % 40; });
  Png("b2.png", 9, 9, pal, [](int x, int y) { return x == y ? 3 : 30; });
  ASSERT_EQ(Tool({"dar-pack", At("three.dar"), At("a2.png"), At("b2.png"), "--transparent", "3",
                  "--header-extra", "4"})
                .code,
            0);
  EXPECT_EQ(Bytes(At("one.dar")), Bytes(At("three.dar")));
}

TEST_F(ZelkimgTest, PackRefusesPalettesThatDiffer) {
  Png("a.png", 2, 2, Palette(8), [](int, int) { return 1; });
  std::vector<Rgb> other = Palette(8);
  other[5].r ^= 1;
  Png("b.png", 2, 2, other, [](int, int) { return 1; });
  Outcome r = Tool({"dar-pack", At("x.dar"), At("a.png"), At("b.png")});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("palette differs"), std::string::npos) << r.err;
}

TEST_F(ZelkimgTest, DrawUsesTheDemoChecksAndClipping) {
  const std::vector<Rgb> pal = Palette(16);
  Png("s.png", 4, 2, pal, [](int x, int) { return x == 0 ? 0 : 9; }, {0});
  ASSERT_EQ(Tool({"dar-pack", At("s.dar"), At("s.png")}).code, 0);
  Png("bg.png", 8, 4, pal, [](int, int) { return 2; });
  ASSERT_EQ(Tool({"dar-draw", At("s.dar"), At("bg.png"), "0", "-2", "-1", At("out.png")}).code, 0);
  std::string error;
  std::optional<PngPicture> p = ReadPng(At("out.png"), &error);
  ASSERT_TRUE(p.has_value()) << error;
  // Row 0 takes the pattern's bottom row (its top row falls above the
  // picture): columns -2 (transparent), -1 (clipped), 0 and 1.
  EXPECT_EQ(std::vector<uint8_t>(p->pixels.begin(), p->pixels.begin() + 8),
            (std::vector<uint8_t>{9, 9, 2, 2, 2, 2, 2, 2}));
  EXPECT_EQ(std::count(p->pixels.begin(), p->pixels.end(), 9), 2);

  Outcome r = Tool({"dar-draw", At("s.dar"), At("bg.png"), "1", "0", "0", At("out.png")});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("パターンの最大値超え 1"), std::string::npos) << r.err;
  r = Tool({"dar-draw", At("s.dar"), At("bg.png"), "0", "5", "0", At("out.png")});
  EXPECT_NE(r.err.find("ディスプレイ範囲横超え"), std::string::npos) << r.err;
  r = Tool({"dar-draw", At("s.dar"), At("bg.png"), "0", "0", "3", At("out.png")});
  EXPECT_NE(r.err.find("ディスプレイ範囲縦超え"), std::string::npos) << r.err;
}

TEST_F(ZelkimgTest, BadCommandLinesSayWhatIsWrong) {
  const std::string commands = "decode, encode, info, dar-pack, dar-unpack, dar-draw, thumbnail";
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{}, "zelkimg: say which command to run: " + commands + "\n"},
           {{"frobnicate"},
            "zelkimg: unknown command \"frobnicate\" (commands: " + commands + ")\n"},
           {{"--frob"},
            "zelkimg: unknown option --frob (options: --help, --version; commands: " + commands +
                ")\n"},
           {{"encode", "a", "b", "--colours=16"},
            "zelkimg: encode: unknown option --colours (options: --help, --colors, --no-dither, "
            "--comment)\n"},
           {{"decode", "a", "b", "c"},
            "zelkimg: decode: unexpected argument \"c\" (takes IN, OUT)\n"},
           {{"decode", "only-one"}, "zelkimg: decode: OUT is required\n"},
       }) {
    Outcome r = Tool(c.args);
    EXPECT_EQ(r.code, 2) << c.message;
    EXPECT_EQ(r.err, c.message);
  }
  EXPECT_NE(Tool({"encode", "a", "b", "--colors", "17"}).code, 0);
  EXPECT_NE(Tool({"thumbnail", "a", "b", "--size", "0"}).code, 0);
}

// The kind of a file comes from its first bytes: a name says nothing.
TEST_F(ZelkimgTest, KindComesFromTheBytesNotTheName) {
  std::vector<uint8_t> noise(3000);
  for (size_t i = 0; i < noise.size(); ++i)
    noise[i] = static_cast<uint8_t>(i * 7919 >> 3);
  noise[5] = 7;  // no DAR version
  folder.Write("garbage.png", noise);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"info", At("garbage.png")},
        std::vector<std::string>{"decode", At("garbage.png"), At("out.png")}}) {
    Outcome r = Tool(args);
    EXPECT_EQ(r.code, 1) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_EQ(r.err, "zelkimg: not a MAG, BMP or DAR file: " + At("garbage.png") + "\n") << args[0];
  }
  EXPECT_FALSE(fs::exists(At("out.png")));

  // A MAG whose signature lost a byte is no MAG and no BMP either.
  image_test::MagFile mag;
  mag.flagA = {0};
  mag.pixels = {1, 2, 3, 4, 5, 6, 7, 8};
  std::vector<uint8_t> broken = mag.Bytes();
  broken[5] = '3';
  folder.Write("x.mag", broken);
  EXPECT_EQ(Tool({"decode", At("x.mag"), At("x.png")}).err,
            "zelkimg: not a MAG, BMP or DAR file: " + At("x.mag") + "\n");

  // Each kind under another kind's name; a BMP without "BM" but with its own
  // length in the size field, as the demos take it.
  folder.Write("picture.dar", mag.Bytes());
  std::vector<uint8_t> bmp = image_test::BmpFile(1, 1, 24, {1, 2, 3, 0});
  bmp[0] = bmp[1] = 'X';
  folder.Write("picture.mag", bmp);
  DarContents none;
  folder.Write("archive.bmp", image::EncodeDar(none, nullptr));
  EXPECT_NE(Tool({"info", At("picture.dar")}).out.find("type: MAG"), std::string::npos);
  EXPECT_NE(Tool({"info", At("picture.mag")}).out.find("type: BMP"), std::string::npos);
  EXPECT_NE(Tool({"info", At("archive.bmp")}).out.find("type: DAR"), std::string::npos);
  EXPECT_EQ(Tool({"decode", At("picture.dar"), At("a.png")}).code, 0);
  EXPECT_EQ(Tool({"decode", At("picture.mag"), At("b.png")}).code, 0);
  Outcome r = Tool({"decode", At("archive.bmp"), At("c.png")});
  EXPECT_EQ(r.err, "zelkimg: " + At("archive.bmp") +
                       ": a DAR pattern archive; dar-unpack writes its patterns as PNG files\n");
  r = Tool({"dar-unpack", At("picture.dar"), At("out")});
  EXPECT_EQ(r.err,
            "zelkimg: " + At("picture.dar") + ": a MAG picture, not a DAR pattern archive\n");
  EXPECT_EQ(Tool({"dar-unpack", At("archive.bmp"), At("out")}).code, 0);
}

// A MAG of 0 columns is a picture the demos load; it has nothing a PNG can hold.
TEST_F(ZelkimgTest, EmptyMagPicturesAreToldNotWritten) {
  image_test::MagFile empty;
  empty.leftX = 4;
  empty.rightX = 0;
  empty.pixels = {0};
  folder.Write("empty.mag", empty.Bytes());
  Outcome r = Tool({"info", At("empty.mag")});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("size: 0x2 (0 columns of 4 pixels), empty\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("damaged"), std::string::npos) << r.out;
  r = Tool({"decode", At("empty.mag"), At("e.png")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "zelkimg: " + At("empty.mag") + ": an empty picture (0x2); a PNG cannot hold it\n");
  EXPECT_FALSE(fs::exists(At("e.png")));
}

// What a file manager shows of an archive: every pattern whole, in its own
// colours and apart from the others on a transparent sheet; reduced to the
// size asked for, colours and transparency stay where they were.
TEST_F(ZelkimgTest, ThumbnailsLayEveryPatternApartOnATransparentSheet) {
  DarContents dar;
  for (int i = 0; i < 256; ++i) {
    dar.colorTable[4 * i] = static_cast<uint8_t>(i);  // blue, green, red
    dar.colorTable[4 * i + 1] = static_cast<uint8_t>(2 * i);
    dar.colorTable[4 * i + 2] = static_cast<uint8_t>(3 * i);
  }
  auto solid = [](int w, int h, int16_t v) {
    return image::DarPattern{w, h, std::vector<int16_t>(static_cast<size_t>(w) * h, v)};
  };
  dar.patterns = {solid(30, 20, 10), solid(12, 12, 20), solid(0, 0, 0), solid(8, 40, 30)};
  dar.patterns[0].pixels[5 * 30 + 5] = -1;
  folder.Write("a.dar", image::EncodeDar(dar, nullptr));
  auto read = [&](const std::string& name) {
    std::string error;
    std::optional<PngPicture> p = ReadPng(At(name), &error);
    EXPECT_TRUE(p.has_value() && !p->indexed) << error;
    return p.value_or(PngPicture{});
  };
  auto isColour = [](const PngPicture& p, size_t i, int v) {
    return p.pixels[4 * i] == 3 * v && p.pixels[4 * i + 1] == 2 * v && p.pixels[4 * i + 2] == v &&
           p.pixels[4 * i + 3] == 255;
  };

  ASSERT_EQ(Tool({"thumbnail", At("a.dar"), At("sheet.png"), "--size", "512"}).code, 0);
  const PngPicture sheet = read("sheet.png");
  struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1, count = 0;
  };
  std::vector<Box> boxes;
  int opaque = 0;
  for (auto [v, w, h, holes] : {std::array{10, 30, 20, 1}, {20, 12, 12, 0}, {30, 8, 40, 0}}) {
    Box b;
    for (int y = 0; y < sheet.height; ++y) {
      for (int x = 0; x < sheet.width; ++x) {
        if (!isColour(sheet, static_cast<size_t>(y) * sheet.width + x, v)) continue;
        b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x), std::max(b.bottom, y),
             b.count + 1};
      }
    }
    EXPECT_EQ(b.right - b.left + 1, w) << v;
    EXPECT_EQ(b.bottom - b.top + 1, h) << v;
    EXPECT_EQ(b.count, w * h - holes) << v;
    for (const Box& other : boxes)
      EXPECT_TRUE(b.left > other.right + 1 || other.left > b.right + 1 ||
                  b.top > other.bottom + 1 || other.top > b.bottom + 1)
          << v << " touches another pattern";
    boxes.push_back(b);
    opaque += b.count;
  }
  int clear = 0;
  for (size_t i = 0; i < sheet.pixels.size(); i += 4)
    clear += sheet.pixels[i + 3] == 0;
  EXPECT_EQ(clear + opaque, sheet.width * sheet.height);

  // Reduced: a 500×100 pattern drawn in columns 100–199 and 400–499 takes
  // the 400×100 box around them, its middle clear.
  dar.patterns = {solid(500, 100, 10)};
  for (int y = 0; y < 100; ++y) {
    std::fill_n(&dar.patterns[0].pixels[y * 500], 100, int16_t{-1});
    std::fill_n(&dar.patterns[0].pixels[y * 500 + 200], 200, int16_t{-1});
  }
  folder.Write("half.dar", image::EncodeDar(dar, nullptr));
  ASSERT_EQ(Tool({"thumbnail", At("half.dar"), At("half.png"), "--size", "64"}).code, 0);
  const PngPicture half = read("half.png");
  ASSERT_EQ(half.width, 64);
  ASSERT_EQ(half.height, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 64; ++x) {
      const size_t i = static_cast<size_t>(y) * 64 + x;
      if (x < 16 || x >= 48) {
        EXPECT_TRUE(isColour(half, i, 10)) << x << "," << y;
      } else {
        EXPECT_EQ(half.pixels[4 * i + 3], 0) << x << "," << y;
      }
    }
  }

  // A MAG picture the same way; no patterns, or another kind of file, is told.
  image::IndexedPicture mag{100, 50, 256, Palette(256), std::vector<uint8_t>(5000, 7)};
  folder.Write("p.mag", image::EncodeMag(mag, nullptr));
  ASSERT_EQ(Tool({"thumbnail", At("p.mag"), At("p.png"), "--size", "20"}).code, 0);
  const PngPicture small = read("p.png");
  EXPECT_EQ(small.width, 20);
  EXPECT_EQ(small.height, 10);
  const Rgb c = Palette(256)[7];
  EXPECT_EQ(std::vector<uint8_t>(small.pixels.begin(), small.pixels.begin() + 4),
            (std::vector<uint8_t>{c.r, c.g, c.b, 255}));
  folder.Write("none.dar", image::EncodeDar(DarContents{}, nullptr));
  EXPECT_EQ(Tool({"thumbnail", At("none.dar"), At("n.png")}).err,
            "zelkimg: " + At("none.dar") + ": no pattern has pixels to show\n");
  folder.Write("p.bmp", image_test::BmpFile(1, 1, 24, {1, 2, 3, 0}));
  EXPECT_EQ(Tool({"thumbnail", At("p.bmp"), At("n.png")}).err,
            "zelkimg: " + At("p.bmp") + ": a BMP picture, not a DAR or MAG file\n");
  EXPECT_FALSE(fs::exists(At("n.png")));
}

// What a file claims but does not draw costs nothing: an 8-byte record
// claiming 65535 × 2048 pixels is listed but takes no place and no memory,
// and a pattern's cell is the box around what it draws.
TEST_F(ZelkimgTest, ThumbnailsAndListingsCostWhatTheFileDraws) {
  DarContents dar;
  for (int i = 0; i < 256; ++i)
    dar.colorTable[4 * i + 2] = static_cast<uint8_t>(i);  // red
  dar.patterns = {image::DarPattern{40, 30, std::vector<int16_t>(40 * 30, -1)}};
  for (int y = 10; y < 12; ++y)
    std::fill_n(&dar.patterns[0].pixels[y * 40 + 20], 3, int16_t{10});
  std::vector<uint8_t> file = image::EncodeDar(dar, nullptr);
  file[6] = 2;
  const std::vector<uint8_t> claim = {6, 0, 0xFF, 0xFF, 0x00, 0x08, 0, 0};  // 65535 × 2048, no rows
  file.insert(file.begin() + 1036, claim.begin(), claim.end());
  folder.Write("claim.dar", file);
  Outcome info;
  EXPECT_LT(BytesAsked([&] { info = Tool({"info", At("claim.dar")}); }), 1u << 18);
  EXPECT_NE(info.out.find("pattern 0: 65535x2048, 0 opaque pixels\npattern 1: 40x30, 6 opaque "
                          "pixels\n"),
            std::string::npos)
      << info.out;
  EXPECT_LT(BytesAsked([&] { Tool({"thumbnail", At("claim.dar"), At("c.png")}); }), 1u << 18);
  std::string error;
  const std::optional<PngPicture> sheet = ReadPng(At("c.png"), &error);
  ASSERT_TRUE(sheet.has_value()) << error;
  EXPECT_EQ(std::pair(sheet->width, sheet->height), std::pair(3, 2));
  std::vector<uint8_t> want;
  for (int i = 0; i < 6; ++i)
    want.insert(want.end(), {10, 0, 0, 255});
  EXPECT_EQ(sheet->pixels, want);

  // A tall MAG picture in four colours, one to a quarter, is reduced as its
  // rows are decoded, never held whole.
  auto quarters = [](int w, int h) {
    std::vector<uint8_t> v(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < v.size(); ++i)
      v[i] = static_cast<uint8_t>((i / w < h / 2u ? 1 : 3) + (i % w < w / 2u ? 0 : 1));
    return v;
  };
  const int w = 2048, h = 8192;
  folder.Write("tall.mag", image::EncodeMag({w, h, 256, Palette(256), quarters(w, h)}, nullptr));
  EXPECT_LT(BytesAsked([&] { info = Tool({"info", At("tall.mag")}); }), w * h / 4);
  EXPECT_NE(info.out.find("size: 2048x8192 (512 columns of 4 pixels)\n"), std::string::npos);
  EXPECT_EQ(info.out.find("damaged"), std::string::npos) << info.out;
  EXPECT_LT(BytesAsked([&] {
              Tool({"thumbnail", At("tall.mag"), At("t.png"), "--size", "64"});
            }),
            w * h / 4);
  const std::optional<PngPicture> small = ReadPng(At("t.png"), &error);
  ASSERT_TRUE(small.has_value()) << error;
  EXPECT_EQ(std::pair(small->width, small->height), std::pair(16, 64));
  want.clear();
  for (uint8_t v : quarters(16, 64))
    want.insert(want.end(), {Palette(256)[v].r, Palette(256)[v].g, Palette(256)[v].b, 255});
  EXPECT_EQ(small->pixels, want);
}

}  // namespace
}  // namespace zelkimg
