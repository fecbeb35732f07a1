// PNG files of rendered pictures, through libpng.
#pragma once

#include <cstdint>
#include <string>

namespace zelkrender {

// Writes `width` × `height` XRGB pixels (0x00RRGGBB, rows from the top) as an
// 8-bit RGB PNG. `level` is zlib's compression level (1 fastest … 9 smallest).
// False with the reason in *error when the file cannot be written.
[[nodiscard]] bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height,
                            int level, std::string* error);

}  // namespace zelkrender
