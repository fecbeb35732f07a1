// MAG pictures opened through gdk-pixbuf itself, as image viewers and file
// managers open them, with GDK_PIXBUF_MODULE_FILE naming a loader cache and
// XDG_DATA_DIRS a MIME database made for the tests: every picture, known by
// its bytes, comes out pixel for pixel as `zelkimg decode` gives it; a
// refusal is a GError carrying the decoder's message; and no damaged file
// crashes the module (the sanitizer build runs the MAG fuzz corpus through it).
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "image/codecs.h"
#include "image/mag_decode.h"
#include "tests/support/test_paths.h"
#include "tools/zelkimg/png_io.h"
#include "tools/zelkimg/zelkimg.h"

namespace {

namespace fs = std::filesystem;

struct Unref {
  void operator()(GdkPixbuf* p) const { g_object_unref(p); }
};
struct FreeError {
  void operator()(GError* e) const { g_error_free(e); }
};

struct Loaded {
  std::unique_ptr<GdkPixbuf, Unref> pixbuf;
  std::unique_ptr<GError, FreeError> error;
  std::string Message() const { return error ? error->message : "(no error)"; }
};

std::vector<uint8_t> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// gdk_pixbuf_new_from_file: gdk-pixbuf picks the module by the file's bytes.
Loaded FromFile(const fs::path& path) {
  GError* error = nullptr;
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &error);
  return {std::unique_ptr<GdkPixbuf, Unref>(pixbuf), std::unique_ptr<GError, FreeError>(error)};
}

// A GdkPixbufLoader fed 1000 bytes at a time, as viewers and thumbnailers
// read files: the module is chosen by content, or named when `type` is given.
Loaded Streamed(const std::vector<uint8_t>& bytes, const char* type = nullptr) {
  GError* error = nullptr;
  GdkPixbufLoader* loader =
      type != nullptr ? gdk_pixbuf_loader_new_with_type(type, &error) : gdk_pixbuf_loader_new();
  if (loader == nullptr) return {nullptr, std::unique_ptr<GError, FreeError>(error)};
  bool ok = true;
  for (size_t at = 0; ok && at < bytes.size(); at += 1000)
    ok = gdk_pixbuf_loader_write(loader, bytes.data() + at,
                                 std::min<size_t>(1000, bytes.size() - at), &error);
  if (ok) ok = gdk_pixbuf_loader_close(loader, &error);
  GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (pixbuf != nullptr) g_object_ref(pixbuf);
  g_object_unref(loader);
  return {std::unique_ptr<GdkPixbuf, Unref>(pixbuf), std::unique_ptr<GError, FreeError>(error)};
}

// Every pixel of `pixbuf` is the palette entry of the PNG's index there.
void ExpectSamePicture(GdkPixbuf* pixbuf, const zelkimg::PngPicture& png) {
  ASSERT_NE(pixbuf, nullptr);
  ASSERT_EQ(gdk_pixbuf_get_width(pixbuf), png.width);
  ASSERT_EQ(gdk_pixbuf_get_height(pixbuf), png.height);
  ASSERT_EQ(gdk_pixbuf_get_n_channels(pixbuf), 3);
  const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  int differing = 0;
  for (int y = 0; y < png.height; ++y) {
    for (int x = 0; x < png.width; ++x) {
      const guchar* p = pixels + y * stride + 3 * x;
      const image::Rgb want = png.palette.at(png.pixels[static_cast<size_t>(y) * png.width + x]);
      if (image::Rgb{p[0], p[1], p[2]} != want && differing++ == 0)
        ADD_FAILURE() << "first differing pixel at " << x << "," << y;
    }
  }
  EXPECT_EQ(differing, 0);
}

class MagLoaderTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_setenv("GDK_PIXBUF_MODULE_FILE", ZELK_MAG_LOADER_CACHE, TRUE);
    g_setenv("XDG_DATA_DIRS", ZELK_MAG_TEST_DATA_DIRS, TRUE);
  }
  MagLoaderTest() {
    dir =
        fs::temp_directory_path() / ("zelk-pixbuf-" + std::to_string(getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~MagLoaderTest() override { fs::remove_all(dir); }
  fs::path dir;
};

std::vector<fs::path> FilesIn(const fs::path& folder, const std::string& extension = "") {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec))
    if (e.is_regular_file() && (extension.empty() || e.path().extension() == extension))
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST_F(MagLoaderTest, EveryMagPictureComesOutAsZelkimgDecodesIt) {
  const fs::path source = testing_support::SourceDir(), bin = testing_support::BinDir();
  std::vector<fs::path> files;
  for (const fs::path& folder :
       {source / "tests/fixtures/image", source / "tests/fuzz/mag/seeds", bin / "data", bin}) {
    for (const fs::path& f : FilesIn(folder, ".mag"))
      files.push_back(f);
  }
  std::set<size_t> paletteSizes;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    const std::string png = (dir / "decoded.png").string();
    const char* argv[] = {"zelkimg", "decode", file.c_str(), png.c_str()};
    ASSERT_EQ(zelkimg::Main(4, argv), 0);
    std::string error;
    const std::optional<zelkimg::PngPicture> want = zelkimg::ReadPng(png, &error);
    ASSERT_TRUE(want.has_value()) << error;
    paletteSizes.insert(want->palette.size());

    const Loaded direct = FromFile(file);
    ExpectSamePicture(direct.pixbuf.get(), *want);
    // Known by its content alone, read in pieces.
    const Loaded streamed = Streamed(Bytes(file));
    ExpectSamePicture(streamed.pixbuf.get(), *want);

    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(file.c_str(), nullptr, nullptr);
    ASSERT_NE(format, nullptr);
    const std::unique_ptr<gchar, decltype(&g_free)> name(gdk_pixbuf_format_get_name(format),
                                                         g_free);
    EXPECT_STREQ(name.get(), "mag");
  }
  EXPECT_GE(files.size(), 20u);  // the fixtures and the generated data set
  EXPECT_EQ(paletteSizes, (std::set<size_t>{16, 256}));
  // The module gives gdk-pixbuf its signature, by which builds without GIO's
  // MIME sniffing tell a MAG file by content.
  std::ifstream cache(ZELK_MAG_LOADER_CACHE);
  const std::string entry{std::istreambuf_iterator<char>(cache), std::istreambuf_iterator<char>()};
  EXPECT_THAT(entry, testing::HasSubstr("\n\"MAKI02  \" \"\" 100\n"));
}

TEST_F(MagLoaderTest, RefusalsCarryTheDecodersMessage) {
  const std::vector<uint8_t> good =
      Bytes(testing_support::SourceDir() + "/tests/fixtures/image/pattern256.mag");
  const size_t header =
      static_cast<size_t>(std::find(good.begin() + 8, good.end(), 0x1A) - good.begin() + 1);
  auto with = [&](auto change) {
    std::vector<uint8_t> b = good;
    change(b);
    return b;
  };
  auto put16 = [&](std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[header + at] = v & 0xFF;
    b[header + at + 1] = (v >> 8) & 0xFF;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"cut after its palette", with([&](auto& b) { b.resize(header + 32 + 3 * 256); }),
       "Error: Can't file read."},
      {"flag A beyond the file", with([&](auto& b) { b[header + 15] = 0x7F; }),
       "Error: Can't file read."},
      {"600 columns", with([&](auto& b) { put16(b, 8, 4 * 600 - 1); }), "Error: Unsupported type."},
      {"no columns", with([&](auto& b) { put16(b, 4, 4), put16(b, 8, 0); }),
       "The MAG picture is empty (0x" + std::to_string(good[header + 10] + 1) + " pixels)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir / "damaged.mag";
    Write(path, c.bytes);
    // gdk_pixbuf_new_from_file names the file before the module's message.
    const Loaded direct = FromFile(path);
    EXPECT_EQ(direct.pixbuf, nullptr);
    EXPECT_THAT(direct.Message(), testing::EndsWith("\xE2\x80\x9D: " + c.message));
    for (const Loaded& r : {Streamed(c.bytes), Streamed(c.bytes, "mag")}) {
      EXPECT_EQ(r.pixbuf, nullptr);
      ASSERT_NE(r.error, nullptr);
      EXPECT_EQ(r.error->domain, GDK_PIXBUF_ERROR);
      EXPECT_EQ(r.Message(), c.message);
    }
  }
  // A program that names the type gets the decoder's word on a wrong signature.
  const Loaded r = Streamed(with([](auto& b) { b[6] = '3'; }), "mag");
  EXPECT_EQ(r.pixbuf, nullptr);
  EXPECT_EQ(r.Message(), "Error: Unsupported type.");
}

// The seeds and, after `make fuzz`, the corpus it grew, and every cut and
// one-byte change of the seeds: the module gives what the decoder gives (a
// picture of its size, or its message), and under the sanitizers nothing is
// read or written out of bounds.
TEST_F(MagLoaderTest, DamagedFilesNeverCrashTheModule) {
  const fs::path source = testing_support::SourceDir();
  const std::vector<fs::path> seeds = FilesIn(source / "tests/fuzz/mag/seeds");
  ASSERT_FALSE(seeds.empty());
  std::vector<std::vector<uint8_t>> inputs;
  for (const fs::path& f : FilesIn(source / "build-fuzz/corpus/fuzz_mag"))
    inputs.push_back(Bytes(f));
  for (const fs::path& f : seeds) {
    const std::vector<uint8_t> seed = Bytes(f);
    for (size_t n = 0; n <= seed.size(); ++n)
      inputs.emplace_back(seed.begin(), seed.begin() + n);
    for (size_t i = 0; i < seed.size(); ++i) {
      for (uint8_t v : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t(seed[i] ^ 0x80)}) {
        inputs.push_back(seed);
        inputs.back()[i] = v;
      }
    }
  }
  int pictures = 0, refusals = 0;
  for (const std::vector<uint8_t>& input : inputs) {
    const image::MagDecodeResult decoded = image::DecodeMagToDib(input);
    const Loaded r = Streamed(input, "mag");
    if (decoded.block && decoded.block->header().biWidth > 0 &&
        decoded.block->header().biHeight > 0) {
      ASSERT_NE(r.pixbuf, nullptr) << r.Message();
      ASSERT_EQ(gdk_pixbuf_get_width(r.pixbuf.get()), decoded.block->header().biWidth);
      ASSERT_EQ(gdk_pixbuf_get_height(r.pixbuf.get()), decoded.block->header().biHeight);
      ++pictures;
    } else {
      ASSERT_EQ(r.pixbuf, nullptr);
      if (!decoded.block) {
        ASSERT_EQ(r.Message(), decoded.message);
      }
      ++refusals;
    }
  }
  std::printf("%zu inputs: %d pictures, %d refused\n", inputs.size(), pictures, refusals);
  EXPECT_GT(pictures, 0);
  EXPECT_GT(refusals, 0);
}

// Asked for a smaller size, as thumbnailers ask through the size callback,
// the module decodes the rows straight into it: gdk-pixbuf signals
// area-prepared only when the module's picture has the size asked for.
TEST_F(MagLoaderTest, ASmallerSizeIsWhatTheRowsAreReducedTo) {
  // Four colours, one to a quarter: the 400 × 200 picture and its 40 × 20 reduction.
  auto quarters = [](int w, int h) {
    zelkimg::PngPicture p{w, h, true, 0, {}, {}, std::vector<uint8_t>(static_cast<size_t>(w) * h)};
    for (int i = 0; i < 256; ++i)
      p.palette.push_back(image::Rgb{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    for (size_t i = 0; i < p.pixels.size(); ++i)
      p.pixels[i] = static_cast<uint8_t>((i / w < h / 2u ? 1 : 3) + (i % w < w / 2u ? 0 : 1));
    return p;
  };
  const zelkimg::PngPicture big = quarters(400, 200);
  const std::vector<uint8_t> file =
      image::EncodeMag(image::IndexedPicture{400, 200, 256, big.palette, big.pixels}, nullptr);
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("mag", nullptr);
  ASSERT_NE(loader, nullptr);
  gdk_pixbuf_loader_set_size(loader, 40, 20);
  GdkPixbuf* prepared = nullptr;
  g_signal_connect(loader, "area-prepared", G_CALLBACK(+[](GdkPixbufLoader* l, GdkPixbuf** out) {
                     *out = gdk_pixbuf_loader_get_pixbuf(l);
                   }),
                   &prepared);
  EXPECT_TRUE(gdk_pixbuf_loader_write(loader, file.data(), file.size(), nullptr));
  EXPECT_TRUE(gdk_pixbuf_loader_close(loader, nullptr));
  ExpectSamePicture(prepared, quarters(40, 20));
  g_object_unref(loader);
}

}  // namespace
