// Reduction of a palette picture that arrives row by row, for thumbnails:
// the picture is never held whole, so what a reduction takes follows the
// size asked for, and its time the pixels given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/codecs.h"

namespace zelkimg {

// Each target pixel is the mean of the source area it covers (area
// averaging, as gdk-pixbuf reduces), pixels never given counting as
// transparent. The target is at most as large as the source in each
// direction. Only two target rows are summed at a time.
class Reducer {
 public:
  // `palette` has 256 entries. Target rows go to `out`, `stride` bytes
  // apart, as red, green, blue and, when `alpha`, alpha. A target of the
  // source's own size takes the pixels as they come and leaves the others
  // as they were, so `out` starts transparent where pixels may be missing.
  Reducer(int sourceWidth, int sourceHeight, int width, int height, const image::Rgb* palette,
          uint8_t* out, size_t stride, bool alpha);
  // Pixels x … x + count − 1 of the current source row, as palette indices.
  void Add(int x, const uint8_t* indices, int count);
  // Ends the current source row; after the last one, writes the last target row.
  void EndRow();

 private:
  struct Span {  // where source column x lands: target column `to` and the one after it
    int to;
    uint32_t weight, next;
    int wholeEnd;  // when x lies wholly in `to`: the first column after it that does not
  };
  struct Sum {
    uint64_t r, g, b, n;  // colours weighted by the area they cover, and that area
  };
  void Put(int row, const std::vector<Sum>& sums);

  int sourceHeight_, width_, height_;
  const image::Rgb* palette_;
  uint8_t* out_;
  size_t stride_;
  bool alpha_;
  bool copy_;  // the target has the source's size
  std::vector<Span> spans_;
  std::vector<Sum> row_, current_, below_;  // the source row; target rows r and r + 1
  int from_, to_;                           // target columns the source row touched
  int y_ = 0, r_ = 0;                       // source row, target row under way
};

}  // namespace zelkimg
