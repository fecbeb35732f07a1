// A picture read from a BMP file below the program directory: the 40-byte info
// header kept in the object and every byte after the first 54 of the file kept
// unchanged, drawn without a colour table (true-colour pictures).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/data_path.h"
#include "services/calls.h"
#include "services/surface.h"

namespace image {

class DibImage {
 public:
  DibImage(services::WindowHandle owner, const char* caption);
  DibImage(const DibImage&) = delete;
  DibImage& operator=(const DibImage&) = delete;

  // 1 on success. On failure shows "file not open! DIBLoad", "IlligalFileSize!"
  // or "Dont Memory Alloc", a line break and the full path, under the caption,
  // and returns 0 (a failure before the header is read keeps the old picture).
  int Load(const char* name);
  // The whole picture 1:1 at (x, y). 0 when not loaded.
  int Draw(services::Surface* dc, int x, int y);
  // A width × height part at (sx, sy) (bottom-up picture coordinates) 1:1 at (x, y).
  int DrawPart(services::Surface* dc, int x, int y, int w, int h, int sx, int sy);
  // A new surface holding the picture drawn at (0, 0); null when not loaded.
  std::unique_ptr<services::Surface> CreateDeviceBitmap(services::Surface* dc);

  std::vector<uint8_t> bits;  // everything after the first 54 bytes of the file
  int32_t width = 0;
  int32_t height = 0;
  services::BitmapInfoHeader info;
  int loaded = 0;
  const char* caption = nullptr;
  services::WindowHandle ownerWindow = nullptr;
  char path[kMaxPath] = {};
};

}  // namespace image
