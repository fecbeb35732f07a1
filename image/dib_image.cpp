#include "image/dib_image.h"

#include <cstring>
#include <new>

#include "image/file_message.h"
#include "image/raw_file.h"

namespace image {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kHeadersSize = kFileHeaderSize + sizeof(services::BitmapInfoHeader);  // 54

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

DibImage::DibImage(services::WindowHandle owner, const char* caption)
    : caption(caption), ownerWindow(owner) {}

int DibImage::Load(const char* name) {
  auto fail = [this](const char* message, const std::string& why) {
    ReportFileFailure(path, why);
    ShowFileMessage(ownerWindow, caption, message, path);
    return 0;
  };
  RawFile file;
  const bool fits = BuildDataPath(path, name ? name : "");
  if (!fits || !file.Open(path))
    return fail("file not open! DIBLoad", OpenFailure(fits, file.why()));
  const uint32_t length = FileLength(file);
  if (length < kHeadersSize) {
    return fail("IlligalFileSize!", std::to_string(length) + " bytes, fewer than the " +
                                        std::to_string(kHeadersSize) + " of a BMP file's headers");
  }
  uint8_t fileHeader[kFileHeaderSize];
  if (file.Read(fileHeader, sizeof fileHeader) < sizeof fileHeader ||
      ReadU32(fileHeader + 2) != length) {
    return fail("IlligalFileSize!", "its size field says " +
                                        std::to_string(ReadU32(fileHeader + 2)) +
                                        " bytes, the file has " + std::to_string(length));
  }

  // From here on the previous picture is being replaced.
  file.Read(&info, sizeof info);
  bits.clear();
  bits.shrink_to_fit();
  loaded = 0;
  try {
    bits.resize(length - kHeadersSize);
  } catch (const std::bad_alloc&) {
    return fail("Dont Memory Alloc",
                "not enough memory for " + std::to_string(length - kHeadersSize) + " bytes");
  }
  file.Read(bits.data(), bits.size());  // a short read leaves zeros, as the count is not tested
  width = info.biWidth;
  height = info.biHeight;
  loaded = 1;
  return 1;
}

int DibImage::Draw(services::Surface* dc, int x, int y) {
  if (!loaded) return 0;
  return DrawPart(dc, x, y, info.biWidth, info.biHeight, 0, 0);
}

int DibImage::DrawPart(services::Surface* dc, int x, int y, int w, int h, int sx, int sy) {
  if (!loaded) return 0;
  if (dc != nullptr) {
    dc->StretchDIBits(x, y, w, h, sx, sy, w, h,
                      services::DibView::FromHeader(info, bits.data(), bits.size()));
  }
  return 1;
}

std::unique_ptr<services::Surface> DibImage::CreateDeviceBitmap(services::Surface* /*dc*/) {
  if (!loaded) return nullptr;
  auto bitmap = std::make_unique<services::Surface>();
  if (!bitmap->Allocate()) return nullptr;
  Draw(bitmap.get(), 0, 0);
  return bitmap;
}

}  // namespace image
