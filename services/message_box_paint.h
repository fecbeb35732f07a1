// Draws a laid-out message box into 32-bit XRGB pixels: window edge, caption
// bar with its close control, the icon, the buttons in their states. Text is
// drawn by the caller's font through TextPainter.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "services/message_box_layout.h"

namespace services::msgbox {

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> data;  // rows top-down, XRGB

  Pixels(int w, int h) : width(w), height(h), data(static_cast<size_t>(w) * h) {}
  void Fill(Rect r, uint32_t colour);
  void Blend(int x, int y, uint32_t colour, int alpha);  // alpha 0…255
};

class TextPainter {
 public:
  virtual ~TextPainter() = default;
  virtual int Width(std::string_view text, bool caption) = 0;
  // Draws `text` with the top of its line at y.
  virtual void Draw(Pixels& into, std::string_view text, int x, int y, uint32_t colour,
                    bool caption) = 0;
};

// The box as it looks with the keyboard focus on button `focus` and button
// `pushed` (or kNothing) held down.
void Paint(Pixels& into, const Layout& layout, size_t focus, int pushed, TextPainter& text);

// Just the icon, `size` pixels square, at (x, y).
void PaintIcon(Pixels& into, Icon icon, int x, int y, int size);

}  // namespace services::msgbox
