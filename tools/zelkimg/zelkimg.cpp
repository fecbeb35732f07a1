#include "tools/zelkimg/zelkimg.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <utility>

#include "image/codecs.h"
#include "image/dar_archive.h"
#include "image/mag_decode.h"
#include "image/mag_image.h"
#include "platform/terminal.h"
#include "platform/virtual/virtual_backend.h"
#include "services/calls.h"
#include "tools/cli/command_line.h"
#include "tools/zelkimg/png_io.h"
#include "tools/zelkimg/quantize.h"
#include "tools/zelkimg/thumbnail.h"

namespace zelkimg {

namespace {

namespace fs = std::filesystem;
using image::Rgb;

// A command's failure: the message for standard error.
struct Failure {
  std::string message;
};

// "-" names standard input or standard output wherever one file is named.
constexpr const char* kStdio = "-";

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Reason(int error) {
  return std::strerror(error);
}

// A file read whole; `name` names it in messages.
struct Input {
  std::string name;
  std::vector<uint8_t> bytes;
};

Input ReadFile(const std::string& path) {
  Input input{path == kStdio ? "standard input" : path, {}};
  File opened(path == kStdio ? nullptr : std::fopen(path.c_str(), "rb"));
  if (path != kStdio && !opened) throw Failure{"cannot open " + path + ": " + Reason(errno)};
  std::FILE* file = path == kStdio ? stdin : opened.get();
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (path != kStdio && fs::is_directory(status))
    throw Failure{"cannot open " + path + ": " + Reason(EISDIR)};
  if (path != kStdio && fs::is_regular_file(status)) {
    input.bytes.resize(fs::file_size(path, ec));  // read in one piece, not grown
    if (ec || std::fread(input.bytes.data(), 1, input.bytes.size(), file) != input.bytes.size())
      throw Failure{"cannot read " + path + ": " +
                    (std::ferror(file) ? Reason(errno) : std::string("it got shorter"))};
    return input;
  }
  char chunk[65536];  // a pipe or standard input: as long as it lasts
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
    input.bytes.insert(input.bytes.end(), chunk, chunk + n);
  if (std::ferror(file)) throw Failure{"cannot read " + input.name + ": " + Reason(errno)};
  return input;
}

// Written whole or not at all: bytes are made before the file is opened.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (path == kStdio) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
        std::fflush(stdout) != 0)
      throw Failure{"cannot write standard output: " + Reason(errno)};
    return;
  }
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) throw Failure{"cannot write " + path + ": " + Reason(errno)};
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
      std::fclose(file.release()) != 0)
    throw Failure{"cannot write " + path + ": " + Reason(errno)};
}

uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The kind of a file, told by its first bytes, never by its name.
enum class Kind { kMag, kBmp, kDar, kPng, kUnknown };

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::kMag:
      return "a MAG picture";
    case Kind::kBmp:
      return "a BMP picture";
    case Kind::kDar:
      return "a DAR pattern archive";
    case Kind::kPng:
      return "a PNG picture";
    case Kind::kUnknown:
      break;
  }
  return "not a MAG, BMP or DAR file";
}

// MAG and PNG by their signatures; BMP by "BM" or, as the demos load BMP
// files without looking at those two bytes, by a size field equal to the
// file's length; DAR by its version byte 1 after five free bytes, in a file
// that holds at least the 1036-byte header.
Kind Detect(const std::vector<uint8_t>& b) {
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (b.size() >= 8 && std::memcmp(b.data(), "MAKI02  ", 8) == 0) return Kind::kMag;
  if (b.size() >= 8 && std::memcmp(b.data(), kPngSignature, 8) == 0) return Kind::kPng;
  const bool bm = b.size() >= 2 && b[0] == 'B' && b[1] == 'M';
  const bool sized = b.size() >= 54 && U32(b.data() + 2) == b.size();
  if (bm && sized) return Kind::kBmp;
  if (b.size() >= 1036 && b[5] == 1) return Kind::kDar;
  if (bm || sized) return Kind::kBmp;
  return Kind::kUnknown;
}

// `path` holds a file of kind `got` where `wanted` ("a PNG picture") was asked for.
Failure WrongKind(const std::string& path, Kind got, const std::string& wanted) {
  if (got == Kind::kUnknown) return Failure{"not " + wanted + ": " + path};
  return Failure{path + ": " + KindName(got) + ", not " + wanted};
}

image::IndexedPicture DecodeMagOrFail(const std::string& path, const std::vector<uint8_t>& file) {
  std::string error;
  std::optional<image::IndexedPicture> picture = image::DecodeMagBytes(file, &error);
  if (!picture) throw Failure{path + ": " + error};
  return *picture;
}

// The archive in `file` read in place, or a failure that says why it is none.
void OpenDarOrFail(const std::string& path, const std::vector<uint8_t>& file,
                   image::DarReader* reader) {
  const Kind kind = Detect(file);
  if (kind != Kind::kDar && kind != Kind::kUnknown)
    throw WrongKind(path, kind, "a DAR pattern archive");
  std::string error;
  if (!reader->Open(file, &error)) {
    if (kind == Kind::kUnknown) throw Failure{"not a DAR file: " + path + " (" + error + ")"};
    throw Failure{path + ": " + error};
  }
}

// The archive in `file` unpacked, or a failure that says why it is none.
image::DarContents DecodeDarOrFail(const std::string& path, const std::vector<uint8_t>& file) {
  image::DarReader checked;  // says what makes it no archive, as listings do
  OpenDarOrFail(path, file, &checked);
  std::string error;
  std::optional<image::DarContents> contents = image::DecodeDarBytes(file, &error);
  if (!contents) throw Failure{path + ": " + error};
  return *contents;
}

PngPicture ReadPngOrFail(const Input& file) {
  if (const Kind kind = Detect(file.bytes); kind != Kind::kPng)
    throw WrongKind(file.name, kind, "a PNG file");
  std::string error;
  std::optional<PngPicture> png = DecodePng(file.bytes, file.name, &error);
  if (!png) throw Failure{error};
  return std::move(*png);
}

PngPicture ReadIndexedPng(const Input& file) {
  PngPicture png = ReadPngOrFail(file);
  if (!png.indexed)
    throw Failure{file.name + ": not an indexed PNG (colour type " + std::to_string(png.colorType) +
                  "); give a picture with a palette"};
  return png;
}

// The encoded PNG, or the failure that kept it from being made.
std::vector<uint8_t> PngOrFail(std::vector<uint8_t> png, const std::string& error) {
  if (png.empty()) throw Failure{"cannot make the PNG picture: " + error};
  return png;
}

// ---- BMP, drawn as the demos draw it ----

// The picture a BMP file shows in the demos: the info header at 14, pixels
// from byte 54 on, no colour table. RGB bytes, top row first.
std::vector<uint8_t> RenderBmp(const std::string& path, const std::vector<uint8_t>& file,
                               int* width, int* height) {
  if (file.size() < 54) throw Failure{path + ": shorter than the 54 bytes of BMP headers"};
  if (U32(file.data() + 2) != file.size())
    throw Failure{path + ": size field " + std::to_string(U32(file.data() + 2)) +
                  " differs from the file length " + std::to_string(file.size())};
  services::BitmapInfoHeader info;
  std::memcpy(&info, file.data() + 14, sizeof info);
  if (info.biBitCount <= 8)
    throw Failure{path + ": " + std::to_string(info.biBitCount) +
                  "-bit BMP with a colour table; the demos draw only true-colour BMP files"};
  if (info.biCompression != services::BI_RGB) throw Failure{path + ": compressed BMP"};
  const int64_t w = info.biWidth, h = info.biHeight < 0 ? -int64_t(info.biHeight) : info.biHeight;
  if (w <= 0 || h <= 0 || w * h > (int64_t{1} << 28)) throw Failure{path + ": bad picture size"};
  const uint8_t* bits = file.data() + 54;
  const services::DibView view = services::DibView::FromHeader(info, bits, file.size() - 54);
  if (view.RowStride() * static_cast<size_t>(h) > view.bitsSize)
    throw Failure{path + ": pixel rows cut short"};
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  // Tile by tile through the same blit that draws it on screen.
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  services::Surface tile;
  if (!tile.Allocate()) throw Failure{"out of memory"};
  for (int ty = 0; ty < h; ty += services::Surface::kHeight) {
    for (int tx = 0; tx < w; tx += services::Surface::kWidth) {
      const int tw = static_cast<int>(std::min<int64_t>(services::Surface::kWidth, w - tx));
      const int th = static_cast<int>(std::min<int64_t>(services::Surface::kHeight, h - ty));
      tile.StretchDIBits(0, 0, tw, th, tx, static_cast<int>(h - ty - th), tw, th, view);
      for (int y = 0; y < th; ++y) {
        for (int x = 0; x < tw; ++x) {
          const uint32_t c = tile.Pixel(x, y);
          uint8_t* out = &rgb[((static_cast<size_t>(ty) + y) * w + tx + x) * 3];
          out[0] = static_cast<uint8_t>(c >> 16);
          out[1] = static_cast<uint8_t>(c >> 8);
          out[2] = static_cast<uint8_t>(c);
        }
      }
    }
  }
  return rgb;
}

// ---- Commands ----

void Decode(const std::string& path, const std::string& out) {
  const Input file = ReadFile(path);
  const std::string& in = file.name;
  std::string error;
  switch (Detect(file.bytes)) {
    case Kind::kMag: {
      image::IndexedPicture p = DecodeMagOrFail(in, file.bytes);
      if (p.width == 0 || p.height == 0)
        throw Failure{in + ": an empty picture (" + std::to_string(p.width) + "x" +
                      std::to_string(p.height) + "); a PNG cannot hold it"};
      WriteFile(out, PngOrFail(EncodeIndexedPng(p.width, p.height, p.palette, {}, p.pixels,
                                                p.colors == 16 ? 4 : 8, &error),
                               error));
      return;
    }
    case Kind::kBmp: {
      int w = 0, h = 0;
      std::vector<uint8_t> rgb = RenderBmp(in, file.bytes, &w, &h);
      WriteFile(out, PngOrFail(EncodeTrueColourPng(w, h, rgb, 3, &error), error));
      return;
    }
    case Kind::kDar:
      throw Failure{in + ": a DAR pattern archive; dar-unpack writes its patterns as PNG files"};
    case Kind::kPng:
      throw Failure{in + ": a PNG picture already; encode makes a MAG file of it"};
    case Kind::kUnknown:
      break;
  }
  throw WrongKind(in, Kind::kUnknown, "a MAG, BMP or DAR file");
}

// An indexed PNG keeps its indices and palette; a true-colour or grey one is
// reduced to `colors` (256 unless asked) by libimagequant.
void Encode(const std::string& path, const std::string& out, int colors, bool dither,
            const std::string& comment) {
  const Input file = ReadFile(path);
  const std::string& in = file.name;
  PngPicture png = ReadPngOrFail(file);
  std::string error;
  image::IndexedPicture picture;
  if (png.indexed) {
    picture.width = png.width;
    picture.height = png.height;
    picture.palette = png.palette;
    picture.pixels = png.pixels;
    if (colors == 0) colors = png.palette.size() <= 16 ? 16 : 256;
    picture.colors = colors;
    if (png.palette.size() > static_cast<size_t>(colors))
      throw Failure{in + ": palette of " + std::to_string(png.palette.size()) +
                    " entries does not fit " + std::to_string(colors) +
                    " colours (MAG takes at most 16 or 256)"};
  } else {
    std::optional<image::IndexedPicture> reduced = Quantize(
        png.width, png.height, std::move(png.pixels), colors == 0 ? 256 : colors, dither, &error);
    if (!reduced) throw Failure{in + ": " + error};
    picture = std::move(*reduced);
  }
  const std::vector<uint8_t> mag = image::EncodeMag(picture, &error, comment);
  if (mag.empty()) throw Failure{in + ": " + error};
  WriteFile(out, mag);
}

void InfoMag(const std::string& path, const std::vector<uint8_t>& file, std::ostream& os) {
  std::string error;
  std::optional<image::MagHeaderInfo> h = image::ReadMagHeader(file, &error);
  if (!h) throw Failure{path + ": " + error};
  const int unit = h->colors == 256 ? 4 : 8;
  const int columns = h->rightX / unit - h->leftX / unit + 1;
  const int rows = h->bottomY - h->topY + 1;
  os << "type: MAG\n";
  os << "size: " << columns * unit << "x" << rows << " (" << columns << " columns of " << unit
     << " pixels)" << (error.empty() && columns * rows == 0 ? ", empty" : "") << "\n";
  os << "colours: " << h->colors << "\n";
  os << "comment: \"" << h->comment << "\"\n";
  os << "machine code: " << int(h->machineCode) << ", machine flags: " << int(h->machineFlags)
     << ", screen mode: 0x" << std::hex << int(h->screenMode) << std::dec << "\n";
  os << "left x: " << h->leftX << ", top y: " << h->topY << ", right x: " << h->rightX
     << ", bottom y: " << h->bottomY << "\n";
  os << "flag A offset: " << h->flagAOffset << ", flag B offset: " << h->flagBOffset
     << ", flag B size: " << h->flagBSize << "\n";
  os << "pixel offset: " << h->pixelOffset << ", pixel size: " << h->pixelSize << "\n";
  // The rows are decoded one at a time and let go.
  const char* why = error.empty() ? nullptr : error.c_str();
  if (why == nullptr)
    image::DecodeMagRows(
        file, [](const image::IndexedPicture&) { return true; }, [](int, const uint8_t*) {}, &why);
  if (why != nullptr) os << "damaged: " << why << "\n";
}

void InfoDar(const std::string& path, const std::vector<uint8_t>& file, std::ostream& os) {
  image::DarReader reader;
  OpenDarOrFail(path, file, &reader);
  os << "type: DAR\npatterns: " << reader.Patterns().size()
     << "\nheader extra: " << reader.HeaderExtra() << "\n";
  for (size_t n = 0; n < reader.Patterns().size(); ++n) {
    const image::DarReader::Pattern& p = reader.Patterns()[n];
    os << "pattern " << n << ": " << p.width << "x" << p.height << ", " << p.opaque
       << " opaque pixels\n";
  }
}

void InfoBmp(const std::string& path, const std::vector<uint8_t>& file, std::ostream& os) {
  if (file.size() < 54) throw Failure{path + ": shorter than the 54 bytes of BMP headers"};
  services::BitmapInfoHeader info;
  std::memcpy(&info, file.data() + 14, sizeof info);
  os << "type: BMP\nsize: " << info.biWidth << "x" << info.biHeight << "\n";
  os << "bits per pixel: " << info.biBitCount << ", compression: " << info.biCompression
     << ", colours used: " << info.biClrUsed << "\n";
  os << "size field: " << U32(file.data() + 2)
     << (U32(file.data() + 2) == file.size() ? " (matches the file)" : " (differs from the file)")
     << "\n";
}

void Info(const std::string& path, std::ostream& os) {
  const Input input = ReadFile(path);
  const std::vector<uint8_t>& file = input.bytes;
  switch (Detect(file)) {
    case Kind::kMag:
      return InfoMag(input.name, file, os);
    case Kind::kBmp:
      return InfoBmp(input.name, file, os);
    case Kind::kDar:
      return InfoDar(input.name, file, os);
    case Kind::kPng: {
      PngPicture png = ReadPngOrFail(input);
      os << "type: PNG\nsize: " << png.width << "x" << png.height << "\n";
      if (png.indexed) {
        os << "colours: indexed, " << png.palette.size() << " palette entries\n";
        os << "transparency entries: " << png.alpha.size() << "\n";
      } else {
        os << "colours: true colour (colour type " << png.colorType << ")\n";
      }
      return;
    }
    case Kind::kUnknown:
      break;
  }
  throw WrongKind(input.name, Kind::kUnknown, "a MAG, BMP or DAR file");
}

// ---- Pattern archives ----

void DarPack(const std::string& out, const std::vector<std::string>& inputs, int transparent,
             int headerExtra, const std::string& colorTablePath) {
  image::DarContents contents;
  contents.headerExtra = headerExtra;
  std::vector<Rgb> palette;
  std::string first;
  for (size_t i = 0; i < inputs.size(); ++i) {
    const Input file = ReadFile(inputs[i]);
    PngPicture png = ReadIndexedPng(file);
    if (i == 0) {
      palette = png.palette;
      first = file.name;
    } else {
      const size_t n = std::min(palette.size(), png.palette.size());
      if (png.palette.size() > palette.size() ||
          !std::equal(png.palette.begin(), png.palette.begin() + n, palette.begin()))
        throw Failure{file.name + ": palette differs from that of " + first};
    }
    std::vector<bool> clear(256, false);
    if (transparent >= 0) {
      clear[transparent] = true;
    } else {
      for (size_t k = 0; k < png.alpha.size(); ++k)
        clear[k] = png.alpha[k] == 0;
    }
    image::DarPattern p;
    p.width = png.width;
    p.height = png.height;
    for (uint8_t v : png.pixels)
      p.pixels.push_back(clear[v] ? int16_t{-1} : int16_t{v});
    contents.patterns.push_back(std::move(p));
  }
  for (size_t i = 0; i < palette.size(); ++i) {
    contents.colorTable[4 * i + 0] = palette[i].b;
    contents.colorTable[4 * i + 1] = palette[i].g;
    contents.colorTable[4 * i + 2] = palette[i].r;
  }
  if (!colorTablePath.empty()) {
    const Input table = ReadFile(colorTablePath);
    if (table.bytes.size() != contents.colorTable.size())
      throw Failure{table.name + ": a colour table has exactly 1024 bytes"};
    std::copy(table.bytes.begin(), table.bytes.end(), contents.colorTable.begin());
  }
  std::string error;
  std::vector<uint8_t> file = image::EncodeDar(contents, &error);
  if (file.empty()) throw Failure{error};
  WriteFile(out, file);
}

std::vector<Rgb> TablePalette(const std::array<uint8_t, 1024>& table) {
  std::vector<Rgb> palette;
  for (int i = 0; i < 256; ++i)
    palette.push_back(Rgb{table[4 * i + 2], table[4 * i + 1], table[4 * i]});
  return palette;
}

void DarUnpack(const std::string& in, const std::string& outDir, std::ostream& os) {
  const Input file = ReadFile(in);
  const std::optional<image::DarContents> c = DecodeDarOrFail(file.name, file.bytes);
  std::string error;
  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (!fs::is_directory(outDir, ec)) throw Failure{"cannot make the folder " + outDir};
  WriteFile((fs::path(outDir) / "colors.bin").string(),
            std::vector<uint8_t>(c->colorTable.begin(), c->colorTable.end()));
  const std::vector<Rgb> palette = TablePalette(c->colorTable);
  for (size_t n = 0; n < c->patterns.size(); ++n) {
    const image::DarPattern& p = c->patterns[n];
    char name[32];
    std::snprintf(name, sizeof name, "pattern%03zu.png", n);
    const std::string path = (fs::path(outDir) / name).string();
    if (p.width == 0 || p.height == 0) {
      std::cerr << "zelkimg: pattern " << n << " is empty (" << p.width << "x" << p.height
                << "); no picture written\n";
      continue;
    }
    // Transparent pixels take the highest index the pattern does not use.
    std::vector<bool> used(256, false);
    bool anyClear = false;
    for (int16_t v : p.pixels) {
      if (v < 0) {
        anyClear = true;
      } else {
        used[v] = true;
      }
    }
    int clearIndex = 255;
    while (clearIndex >= 0 && used[clearIndex])
      --clearIndex;
    std::vector<uint8_t> alpha;
    if (anyClear) {
      if (clearIndex < 0)
        throw Failure{"pattern " + std::to_string(n) +
                      " uses all 256 colours and has transparent pixels; an indexed PNG cannot "
                      "hold it"};
      alpha.assign(clearIndex + 1, 255);
      alpha[clearIndex] = 0;
    }
    std::vector<uint8_t> indices;
    for (int16_t v : p.pixels)
      indices.push_back(v < 0 ? static_cast<uint8_t>(clearIndex) : v);
    WriteFile(
        path,
        PngOrFail(EncodeIndexedPng(p.width, p.height, palette, alpha, indices, 8, &error), error));
  }
  os << c->patterns.size() << " patterns, header extra " << c->headerExtra << ", colour table in "
     << (fs::path(outDir) / "colors.bin").string() << "\n";
}

// The background as a 256-colour picture: bottom-up rows of `width` bytes,
// as a MagImage holds it.
struct Canvas {
  int width = 0;
  int height = 0;
  std::array<uint8_t, 1024> table{};  // (blue, green, red, 0)
  std::vector<uint8_t> rows;
};

Canvas LoadCanvas(const Input& input) {
  const std::string& path = input.name;
  const std::vector<uint8_t>& file = input.bytes;
  Canvas canvas;
  const Kind kind = Detect(file);
  if (kind != Kind::kMag && kind != Kind::kPng)
    throw WrongKind(path, kind, "a 256-colour MAG or indexed PNG picture");
  if (kind == Kind::kMag) {
    image::MagDecodeResult r = image::DecodeMagToDib(file);
    if (!r.block) throw Failure{path + ": " + r.message};
    const services::BitmapInfoHeader h = r.block->header();
    if (h.biBitCount != 8) throw Failure{path + ": a 16-colour picture; patterns need 256 colours"};
    canvas.width = h.biWidth;
    canvas.height = h.biHeight;
    const uint8_t* table = std::as_const(*r.block).data() + 40;
    std::copy(table, table + 1024, canvas.table.begin());
    canvas.rows.assign(table + 1024, table - 40 + r.block->size());
    return canvas;
  }
  PngPicture png = ReadIndexedPng(input);
  canvas.width = png.width;
  canvas.height = png.height;
  for (size_t i = 0; i < png.palette.size(); ++i) {
    canvas.table[4 * i] = png.palette[i].b;
    canvas.table[4 * i + 1] = png.palette[i].g;
    canvas.table[4 * i + 2] = png.palette[i].r;
  }
  canvas.rows.resize(png.pixels.size());
  for (int y = 0; y < png.height; ++y)
    std::copy_n(&png.pixels[static_cast<size_t>(y) * png.width], png.width,
                &canvas.rows[static_cast<size_t>(png.height - 1 - y) * png.width]);
  return canvas;
}

// A folder of the user's own in the temporary folder, removed with what it holds.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    std::error_code ec;
    const fs::path temp = fs::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const fs::path p = temp / ("zelkimg-" + std::to_string(random()));
      if (fs::create_directory(p, ec)) {
        fs::permissions(p, fs::perms::owner_all, ec);
        path_ = p;
      }
    }
    if (path_.empty()) throw Failure{"cannot make a folder in " + temp.string()};
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void DarDraw(const std::string& darPath, const std::string& background, int n, int x, int y,
             const std::string& out, bool darPalette) {
  // What is no archive at all is told so plainly; an archive is judged by the
  // demos' own loader below, which reads a file: standard input is put in one.
  const Input archiveFile = ReadFile(darPath);
  if (Detect(archiveFile.bytes) != Kind::kDar) DecodeDarOrFail(archiveFile.name, archiveFile.bytes);
  Canvas canvas = LoadCanvas(ReadFile(background));
  std::optional<ScratchFolder> scratch;
  fs::path dar = fs::absolute(darPath);
  if (darPath == kStdio) {
    scratch.emplace();
    dar = scratch->path() / "archive.dar";
    WriteFile(dar.string(), archiveFile.bytes);
  }

  // The demo's own archive object on a headless system; its message boxes
  // become error messages.
  platform::VirtualBackend::Options options;
  options.moduleFileName = (dar.parent_path() / "zelkimg").string();
  services::System system(
      [&](services::System& s) { return std::make_unique<platform::VirtualBackend>(s, options); });
  services::ScopedSystem installed(system);
  image::DarArchive archive(nullptr);
  archive.Load(dar.filename().string().c_str());
  if (archive.loaded && darPalette) archive.CopyPalette(canvas.table.data());
  archive.SetDisplay(canvas.width, canvas.height, canvas.rows.data(), canvas.rows.size());
  if (archive.loaded) archive.DrawPattern(x, y, n);
  if (!system.boxLog().empty()) {
    std::string text;
    for (const services::BoxRecord& box : system.boxLog())
      text += (text.empty() ? "" : "; ") + box.text;
    std::replace(text.begin(), text.end(), '\n', ' ');
    if (scratch) {
      for (size_t at; (at = text.find(dar.string())) != std::string::npos;)
        text.replace(at, dar.string().size(), archiveFile.name);
    }
    throw Failure{text};
  }

  std::vector<Rgb> palette;
  for (int i = 0; i < 256; ++i)
    palette.push_back(Rgb{canvas.table[4 * i + 2], canvas.table[4 * i + 1], canvas.table[4 * i]});
  std::vector<uint8_t> indices(canvas.rows.size());
  for (int r = 0; r < canvas.height; ++r)
    std::copy_n(&canvas.rows[static_cast<size_t>(r) * canvas.width], canvas.width,
                &indices[static_cast<size_t>(canvas.height - 1 - r) * canvas.width]);
  std::string error;
  WriteFile(
      out, PngOrFail(EncodeIndexedPng(canvas.width, canvas.height, palette, {}, indices, 8, &error),
                     error));
}

// What a file manager shows for a DAR archive (its patterns on one sheet) or
// a MAG picture: an RGBA PNG whose longer side is at most `size`.
void Thumbnail(const std::string& path, const std::string& out, int size) {
  const Input input = ReadFile(path);
  const std::string& in = input.name;
  const std::vector<uint8_t>& file = input.bytes;
  const Kind kind = Detect(file);
  std::string error;
  std::optional<RgbaPicture> thumbnail;
  if (kind == Kind::kMag) {
    thumbnail = MagThumbnail(file, size, &error);
  } else if (kind == Kind::kDar || kind == Kind::kUnknown) {
    image::DarReader reader;
    OpenDarOrFail(in, file, &reader);
    thumbnail = DarThumbnail(reader, size, &error);
  } else {
    throw WrongKind(in, kind, "a DAR or MAG file");
  }
  if (!thumbnail) throw Failure{in + ": " + error};
  WriteFile(out, PngOrFail(EncodeTrueColourPng(thumbnail->width, thumbnail->height,
                                               thumbnail->pixels, 4, &error),
                           error));
}

// What stands in the way of a command line whose files are all named: "-"
// taken for more than one input, or for a folder; or a picture for a
// terminal. Empty when nothing does.
std::string CheckStdio(const std::vector<std::string>& inputs, const std::string& out,
                       const std::string& folder) {
  if (std::count(inputs.begin(), inputs.end(), kStdio) > 1)
    return "standard input can be read once: give - for one input only";
  if (folder == kStdio) return "- names one file, not a folder: name the folder to write into";
  if (out == kStdio && platform::StdoutIsTerminal())
    return "standard output is a terminal: send it to a file or a pipe, or name the file to "
           "write";
  return "";
}

}  // namespace

int Main(int argc, const char* const* argv) {
  CLI::App app{
      "zelkimg: converts and inspects MAG, BMP and DAR files of the demos. - names "
      "standard input or output in place of a file.",
      "zelkimg"};
  tools::UsePlainHelp(app);
  app.require_subcommand(1);
  app.set_version_flag("--version", "zelkimg " ZELK_VERSION);

  std::string in, out, comment, dir, background, colorTable;
  std::vector<std::string> inputs;
  int colors = 0, transparent = -1, headerExtra = 0, n = 0, x = 0, y = 0, size = 128;
  bool darPalette = false, noDither = false;

  CLI::App* decode = app.add_subcommand(
      "decode",
      "MAG to indexed PNG (exact indices and palette, full decoded width), or BMP to "
      "true-colour PNG as the demos show it");
  decode->add_option("IN", in, "MAG or BMP file")->required();
  decode->add_option("OUT", out, "PNG file to write")->required();

  CLI::App* encode = app.add_subcommand(
      "encode",
      "PNG to MAG: an indexed PNG keeps its indices and palette, a true-colour or grey one is "
      "reduced to 16 or 256 colours");
  encode->add_option("IN", in, "PNG picture")->required();
  encode->add_option("OUT", out, "MAG file to write")->required();
  encode
      ->add_option("--colors", colors,
                   "16 or 256 (default: 16 for palettes of up to 16 entries, else 256)")
      ->check(CLI::IsMember({16, 256}))
      ->option_text("16|256");
  encode->add_flag("--no-dither", noDither,
                   "reduce colours without dithering (plain bands instead of mixed pixels)");
  encode->add_option("--comment", comment, "comment stored in the file")->option_text("TEXT");

  CLI::App* info = app.add_subcommand("info", "type, size, colours and header fields of a file");
  info->add_option("FILE", in, "MAG, BMP, PNG or DAR file")->required();

  CLI::App* pack = app.add_subcommand(
      "dar-pack", "build a pattern archive from indexed PNGs sharing the first one's palette");
  pack->add_option("OUT", out, "DAR file to write")->required();
  pack->add_option("PNG", inputs, "one indexed PNG per pattern, in order")->required();
  pack->add_option("--transparent", transparent,
                   "palette index drawn as transparent (default: entries with alpha 0 in tRNS)")
      ->check(CLI::Range(0, 255))
      ->option_text("INDEX");
  pack->add_option("--header-extra", headerExtra, "extra header bytes per record (L = 6 + N)")
      ->check(CLI::Range(0, 0xFFFF - 6))
      ->option_text("N");
  pack->add_option("--color-table", colorTable,
                   "1024-byte colour table to store instead of the first palette")
      ->option_text("FILE");

  CLI::App* unpack =
      app.add_subcommand("dar-unpack",
                         "one indexed PNG per pattern (transparent pixels marked in tRNS), and the "
                         "colour table as colors.bin");
  unpack->add_option("IN", in, "DAR file")->required();
  unpack->add_option("OUTDIR", dir, "folder to write into")->required();

  CLI::App* draw = app.add_subcommand(
      "dar-draw", "draw pattern N at (X, Y) into a 256-colour picture as the demos do");
  draw->add_option("IN", in, "DAR file")->required();
  draw->add_option("BACKGROUND", background, "256-colour MAG or indexed PNG")->required();
  draw->add_option("N", n, "pattern number")->required();
  draw->add_option("X", x, "left column")->required();
  draw->add_option("Y", y, "top row, counted downward")->required();
  draw->add_option("OUT", out, "PNG file to write")->required();
  draw->add_flag("--dar-palette", darPalette,
                 "give the picture the archive's colour table first (as CopyPalette does)");

  CLI::App* thumbnail = app.add_subcommand(
      "thumbnail",
      "a DAR archive's patterns laid out on one sheet, or a MAG picture, as an RGBA PNG of at most "
      "SIZE x SIZE pixels (for file managers)");
  thumbnail->add_option("IN", in, "DAR or MAG file")->required();
  thumbnail->add_option("OUT", out, "PNG file to write")->required();
  thumbnail
      ->add_option("--size", size,
                   "longer side in pixels (1 to 4096, default 128); a smaller sheet keeps its size")
      ->check(CLI::Range(1, 4096))
      ->option_text("SIZE");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    std::cerr << "zelkimg: " << tools::ExplainParseError(app, e) << "\n";
    return 2;
  }
  std::vector<std::string> named = inputs;
  named.insert(named.end(), {in, background, colorTable});
  if (const std::string problem = CheckStdio(named, out, dir); !problem.empty()) {
    std::cerr << "zelkimg: " << problem << "\n";
    return 2;
  }
  try {
    if (*decode) Decode(in, out);
    if (*encode) Encode(in, out, colors, !noDither, comment);
    if (*info) Info(in, std::cout);
    if (*pack) DarPack(out, inputs, transparent, headerExtra, colorTable);
    if (*unpack) DarUnpack(in, dir, std::cout);
    if (*draw) DarDraw(in, background, n, x, y, out, darPalette);
    if (*thumbnail) Thumbnail(in, out, size);
  } catch (const Failure& f) {
    std::cerr << "zelkimg: " << f.message << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "zelkimg: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace zelkimg
