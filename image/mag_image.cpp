#include "image/mag_image.h"

#include <cstring>
#include <new>
#include <vector>

#include "image/file_message.h"
#include "image/raw_file.h"

namespace image {

namespace {

constexpr const char* kCantOpen = "Error: Can't file open.";
constexpr const char* kNoFileBuffer = "Error: Not enough memory for file buffer.";

}  // namespace

MagImage::MagImage(services::WindowHandle owner, const char* caption)
    : ownerWindow(owner), caption(caption) {}

std::unique_ptr<DibBlock> MagImage::DecodeMag(services::WindowHandle owner, const char* name) {
  auto fail = [&](const char* message, const std::string& why) {
    ReportFileFailure(path, why);
    services::MessageBox(owner, message, path, services::MB_ICONERROR);
    return nullptr;
  };
  RawFile file;
  const bool fits = BuildDataPath(path, name ? name : "");
  if (!fits || !file.Open(path)) return fail(kCantOpen, OpenFailure(fits, file.why()));
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(FileLength(file));
  } catch (const std::bad_alloc&) {
    return fail(kNoFileBuffer, "not enough memory to read it whole");
  }
  if (!ReadLarge(file, bytes.data(), static_cast<uint32_t>(bytes.size())))
    return fail(kMagCantRead, "the file could not be read whole");
  file.Close();
  MagDecodeResult result = DecodeMagToDib(bytes);
  if (!result.block) return fail(result.message, result.why);
  return std::move(result.block);
}

int MagImage::Load(const char* name) {
  if (loaded) {
    dibHandle.reset();
    info = colorTable = bits = nullptr;
    width = height = 0;
    loaded = 0;
  }
  dibHandle = DecodeMag(ownerWindow, name);
  if (!dibHandle) return 0;
  services::BitmapInfoHeader h = dibHandle->header();
  size_t entries = h.biClrUsed != 0 ? h.biClrUsed : size_t{1} << h.biBitCount;
  info = dibHandle->data();
  colorTable = info + sizeof h;
  bits = colorTable + 4 * entries;
  width = h.biWidth;
  height = h.biHeight;
  loaded = 1;
  return 1;
}

size_t MagImage::Stride() const {
  return loaded ? DibRowStride(*dibHandle) : 0;
}

size_t MagImage::PixelBytes() const {
  return Stride() * static_cast<size_t>(loaded ? height : 0);
}

void MagImage::Clear() {
  if (loaded) std::memset(bits, 0, PixelBytes());
}

int MagImage::Draw(services::Surface* dc, int x, int y) {
  if (!loaded) return 0;
  services::BitmapInfoHeader h = dibHandle->header();
  return DrawStretched(dc, x, y, h.biWidth, h.biHeight, 0, 0, h.biWidth, h.biHeight);
}

int MagImage::DrawStretched(services::Surface* dc, int dx, int dy, int dw, int dh, int sx, int sy,
                            int sw, int sh) {
  if (!loaded) return 0;
  if (dc != nullptr) dc->StretchDIBits(dx, dy, dw, dh, sx, sy, sw, sh, dibHandle->View());
  return 1;
}

}  // namespace image
