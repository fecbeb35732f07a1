#include "tools/zelkimg/zelkimg.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <utility>

#include "image/codecs.h"
#include "image/dar_archive.h"
#include "image/mag_decode.h"
#include "image/mag_image.h"
#include "platform/system.h"
#include "platform/virtual/virtual_backend.h"
#include "tools/cli/command_line.h"
#include "tools/zelkimg/png_io.h"
#include "tools/zelkimg/thumbnail.h"

namespace zelkimg {

namespace {

namespace fs = std::filesystem;
using image::Rgb;

// A command's failure: the message for standard error.
struct Failure {
  std::string message;
};

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) throw Failure{"cannot open " + path};
  const uintmax_t size = fs::file_size(path, ec);
  if (ec) throw Failure{"cannot read " + path};
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(size);  // read in one piece, not grown
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  if (!in) throw Failure{"cannot read " + path};
  return bytes;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw Failure{"cannot write " + path};
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

std::optional<PngPicture> ReadPngOrFail(const std::string& path) {
  std::string error;
  std::optional<PngPicture> png = ReadPng(path, &error);
  if (!png) throw Failure{error};
  return png;
}

PngPicture ReadIndexedPng(const std::string& path) {
  if (const Kind kind = Detect(ReadFile(path)); kind != Kind::kPng)
    throw WrongKind(path, kind, "a PNG file");
  PngPicture png = *ReadPngOrFail(path);
  if (!png.indexed)
    throw Failure{path + ": not an indexed PNG (colour type " + std::to_string(png.colorType) +
                  "); give a picture with a palette"};
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
  platform::BitmapInfoHeader info;
  std::memcpy(&info, file.data() + 14, sizeof info);
  if (info.biBitCount <= 8)
    throw Failure{path + ": " + std::to_string(info.biBitCount) +
                  "-bit BMP with a colour table; the demos draw only true-colour BMP files"};
  if (info.biCompression != platform::BI_RGB) throw Failure{path + ": compressed BMP"};
  const int64_t w = info.biWidth, h = info.biHeight < 0 ? -int64_t(info.biHeight) : info.biHeight;
  if (w <= 0 || h <= 0 || w * h > (int64_t{1} << 28)) throw Failure{path + ": bad picture size"};
  const uint8_t* bits = file.data() + 54;
  const platform::DibView view = platform::DibView::FromHeader(info, bits, file.size() - 54);
  if (view.RowStride() * static_cast<size_t>(h) > view.bitsSize)
    throw Failure{path + ": pixel rows cut short"};
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  // Tile by tile through the same blit that draws it on screen.
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  platform::Surface tile;
  if (!tile.Allocate()) throw Failure{"out of memory"};
  for (int ty = 0; ty < h; ty += platform::Surface::kHeight) {
    for (int tx = 0; tx < w; tx += platform::Surface::kWidth) {
      const int tw = static_cast<int>(std::min<int64_t>(platform::Surface::kWidth, w - tx));
      const int th = static_cast<int>(std::min<int64_t>(platform::Surface::kHeight, h - ty));
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

void Decode(const std::string& in, const std::string& out) {
  const std::vector<uint8_t> file = ReadFile(in);
  std::string error;
  switch (Detect(file)) {
    case Kind::kMag: {
      image::IndexedPicture p = DecodeMagOrFail(in, file);
      if (p.width == 0 || p.height == 0)
        throw Failure{in + ": an empty picture (" + std::to_string(p.width) + "x" +
                      std::to_string(p.height) + "); a PNG cannot hold it"};
      if (!WriteIndexedPng(out, p.width, p.height, p.palette, {}, p.pixels, p.colors == 16 ? 4 : 8,
                           &error))
        throw Failure{error};
      return;
    }
    case Kind::kBmp: {
      int w = 0, h = 0;
      std::vector<uint8_t> rgb = RenderBmp(in, file, &w, &h);
      if (!WriteRgbPng(out, w, h, rgb, &error)) throw Failure{error};
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

void Encode(const std::string& in, const std::string& out, int colors, const std::string& comment) {
  PngPicture png = ReadIndexedPng(in);
  image::IndexedPicture picture;
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
  std::string error;
  std::vector<uint8_t> file = image::EncodeMag(picture, &error, comment);
  if (file.empty()) throw Failure{in + ": " + error};
  WriteFile(out, file);
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
  platform::BitmapInfoHeader info;
  std::memcpy(&info, file.data() + 14, sizeof info);
  os << "type: BMP\nsize: " << info.biWidth << "x" << info.biHeight << "\n";
  os << "bits per pixel: " << info.biBitCount << ", compression: " << info.biCompression
     << ", colours used: " << info.biClrUsed << "\n";
  os << "size field: " << U32(file.data() + 2)
     << (U32(file.data() + 2) == file.size() ? " (matches the file)" : " (differs from the file)")
     << "\n";
}

void Info(const std::string& path, std::ostream& os) {
  const std::vector<uint8_t> file = ReadFile(path);
  switch (Detect(file)) {
    case Kind::kMag:
      return InfoMag(path, file, os);
    case Kind::kBmp:
      return InfoBmp(path, file, os);
    case Kind::kDar:
      return InfoDar(path, file, os);
    case Kind::kPng: {
      PngPicture png = *ReadPngOrFail(path);
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
  throw WrongKind(path, Kind::kUnknown, "a MAG, BMP or DAR file");
}

// ---- Pattern archives ----

void DarPack(const std::string& out, const std::vector<std::string>& inputs, int transparent,
             int headerExtra, const std::string& colorTablePath) {
  image::DarContents contents;
  contents.headerExtra = headerExtra;
  std::vector<Rgb> palette;
  for (size_t i = 0; i < inputs.size(); ++i) {
    PngPicture png = ReadIndexedPng(inputs[i]);
    if (i == 0) {
      palette = png.palette;
    } else {
      const size_t n = std::min(palette.size(), png.palette.size());
      if (png.palette.size() > palette.size() ||
          !std::equal(png.palette.begin(), png.palette.begin() + n, palette.begin()))
        throw Failure{inputs[i] + ": palette differs from that of " + inputs[0]};
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
    std::vector<uint8_t> table = ReadFile(colorTablePath);
    if (table.size() != contents.colorTable.size())
      throw Failure{colorTablePath + ": a colour table has exactly 1024 bytes"};
    std::copy(table.begin(), table.end(), contents.colorTable.begin());
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
  const std::optional<image::DarContents> c = DecodeDarOrFail(in, ReadFile(in));
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
    if (!WriteIndexedPng(path, p.width, p.height, palette, alpha, indices, 8, &error))
      throw Failure{error};
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

Canvas LoadCanvas(const std::string& path) {
  std::vector<uint8_t> file = ReadFile(path);
  Canvas canvas;
  const Kind kind = Detect(file);
  if (kind != Kind::kMag && kind != Kind::kPng)
    throw WrongKind(path, kind, "a 256-colour MAG or indexed PNG picture");
  if (kind == Kind::kMag) {
    image::MagDecodeResult r = image::DecodeMagToDib(file);
    if (!r.block) throw Failure{path + ": " + r.message};
    const platform::BitmapInfoHeader h = r.block->header();
    if (h.biBitCount != 8) throw Failure{path + ": a 16-colour picture; patterns need 256 colours"};
    canvas.width = h.biWidth;
    canvas.height = h.biHeight;
    const uint8_t* table = std::as_const(*r.block).data() + 40;
    std::copy(table, table + 1024, canvas.table.begin());
    canvas.rows.assign(table + 1024, table - 40 + r.block->size());
    return canvas;
  }
  PngPicture png = ReadIndexedPng(path);
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

void DarDraw(const std::string& darPath, const std::string& background, int n, int x, int y,
             const std::string& out, bool darPalette) {
  // What is no archive at all is told so plainly; an archive is judged by the
  // demos' own loader below.
  if (Detect(ReadFile(darPath)) != Kind::kDar) DecodeDarOrFail(darPath, ReadFile(darPath));
  Canvas canvas = LoadCanvas(background);

  // The demo's own archive object on a headless system; its message boxes
  // become error messages.
  platform::VirtualBackend::Options options;
  const fs::path dar = fs::absolute(darPath);
  options.moduleFileName = (dar.parent_path() / "zelkimg").string();
  platform::System system(std::make_unique<platform::VirtualBackend>(options));
  platform::ScopedSystem installed(system);
  image::DarArchive archive(nullptr);
  archive.Load(dar.filename().string().c_str());
  if (archive.loaded && darPalette) archive.CopyPalette(canvas.table.data());
  archive.SetDisplay(canvas.width, canvas.height, canvas.rows.data(), canvas.rows.size());
  if (archive.loaded) archive.DrawPattern(x, y, n);
  if (!system.boxLog().empty()) {
    std::string text;
    for (const platform::BoxRecord& box : system.boxLog())
      text += (text.empty() ? "" : "; ") + box.text;
    std::replace(text.begin(), text.end(), '\n', ' ');
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
  if (!WriteIndexedPng(out, canvas.width, canvas.height, palette, {}, indices, 8, &error))
    throw Failure{error};
}

// What a file manager shows for a DAR archive (its patterns on one sheet) or
// a MAG picture: an RGBA PNG whose longer side is at most `size`.
void Thumbnail(const std::string& in, const std::string& out, int size) {
  const std::vector<uint8_t> file = ReadFile(in);
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
  if (!WriteRgbaPng(out, thumbnail->width, thumbnail->height, thumbnail->pixels, &error))
    throw Failure{error};
}

}  // namespace

int Main(int argc, const char* const* argv) {
  CLI::App app{"zelkimg: converts and inspects MAG, BMP and DAR files of the demos"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "zelkimg " ZELK_VERSION);

  std::string in, out, comment, dir, background, colorTable;
  std::vector<std::string> inputs;
  int colors = 0, transparent = -1, headerExtra = 0, n = 0, x = 0, y = 0, size = 128;
  bool darPalette = false;

  CLI::App* decode = app.add_subcommand(
      "decode",
      "MAG to indexed PNG (exact indices and palette, full decoded width), or BMP to "
      "true-colour PNG as the demos show it");
  decode->add_option("IN", in, "MAG or BMP file")->required();
  decode->add_option("OUT", out, "PNG file to write")->required();

  CLI::App* encode = app.add_subcommand("encode", "indexed PNG to MAG");
  encode->add_option("IN", in, "indexed PNG (at most 256 palette entries)")->required();
  encode->add_option("OUT", out, "MAG file to write")->required();
  encode
      ->add_option("--colors", colors,
                   "16 or 256 (default: 16 for palettes of up to 16 entries, else 256)")
      ->check(CLI::IsMember({16, 256}));
  encode->add_option("--comment", comment, "comment stored in the file");

  CLI::App* info = app.add_subcommand("info", "type, size, colours and header fields of a file");
  info->add_option("FILE", in, "MAG, BMP, PNG or DAR file")->required();

  CLI::App* pack = app.add_subcommand(
      "dar-pack", "build a pattern archive from indexed PNGs sharing the first one's palette");
  pack->add_option("OUT", out, "DAR file to write")->required();
  pack->add_option("PNG", inputs, "one indexed PNG per pattern, in order")->required();
  pack->add_option("--transparent", transparent,
                   "palette index drawn as transparent (default: entries with alpha 0 in tRNS)")
      ->check(CLI::Range(0, 255));
  pack->add_option("--header-extra", headerExtra, "extra header bytes per record (L = 6 + N)")
      ->check(CLI::Range(0, 0xFFFF - 6));
  pack->add_option("--color-table", colorTable,
                   "1024-byte colour table to store instead of the first palette");

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
                   "longer side in pixels (default 128); a smaller sheet keeps its size")
      ->check(CLI::Range(1, 4096));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    std::cerr << "zelkimg: " << tools::ExplainParseError(app, e) << "\n";
    return 2;
  }
  try {
    if (*decode) Decode(in, out);
    if (*encode) Encode(in, out, colors, comment);
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
