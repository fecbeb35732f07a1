// A picture decoded from a MAG file ("MAKI02  ", 16 or 256 colours) into a
// DibBlock. Its pixel rows and colour table are written in place by the
// effects and the pattern drawer: a 256-colour picture has one byte per pixel,
// a row stride equal to its width (a multiple of 4), and memory row r is
// picture row height − 1 − r.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "image/data_path.h"
#include "image/dib_block.h"
#include "image/mag_decode.h"
#include "services/calls.h"
#include "services/surface.h"

namespace image {

class MagImage {
 public:
  MagImage(services::WindowHandle owner, const char* caption);
  MagImage(const MagImage&) = delete;
  MagImage& operator=(const MagImage&) = delete;

  // Releases the current picture, then decodes the file. 1 on success; on
  // failure the decoder has shown its message and the object is not loaded.
  int Load(const char* name);
  // The decoder. Shows one of "Error: Can't file open.", "Error: Unsupported
  // type.", "Error: Not enough memory for file buffer.", "Error: Can't file
  // read.", "Error: Not enough memory for create DIB." under the full path as
  // caption (MB_ICONERROR) and returns null on failure; damaged files are
  // refused with one of them, never read or written out of bounds.
  std::unique_ptr<DibBlock> DecodeMag(services::WindowHandle owner, const char* name);
  // Sets every pixel byte to 0.
  void Clear();
  // The whole picture 1:1 at (x, y). 0 when not loaded.
  int Draw(services::Surface* dc, int x, int y);
  // Source rectangle (bottom-up picture coordinates) scaled onto the
  // destination rectangle. 0 when not loaded.
  int DrawStretched(services::Surface* dc, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                    int sh);

  // Bytes per pixel row and bytes of all rows (0 when not loaded), for callers
  // that copy pixel memory and must stay inside it.
  size_t Stride() const;
  size_t PixelBytes() const;

  int loaded = 0;
  services::WindowHandle ownerWindow = nullptr;
  const char* caption = nullptr;
  std::unique_ptr<DibBlock> dibHandle;
  char path[kMaxPath] = {};
  uint8_t* info = nullptr;
  uint8_t* colorTable = nullptr;
  uint8_t* bits = nullptr;
  int32_t width = 0;
  int32_t height = 0;
};

}  // namespace image
