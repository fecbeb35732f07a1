#include "platform/process/progress_window.h"
#include "platform/sdl/sdl_quit.h"

#include <SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 190;
constexpr int kTextSize = 14;
constexpr uint32_t kBackground = 0xD4D0C8;  // the classic dialog grey
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kBarFill = 0x0A246A;
constexpr uint32_t kBarEmpty = 0xFFFFFF;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kLight = 0xFFFFFF;

struct ButtonRect {
  int x = kWidth - 110, y = kHeight - 40, w = 96, h = 26;
  bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

const char* const kFonts[] = {
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
};

// Next code point of UTF-8 text (invalid bytes come out as '?').
char32_t NextCodePoint(const std::string& s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i++]);
  if (c < 0x80) return c;
  int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
  if (extra < 0) return U'?';
  char32_t cp = c & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return U'?';
    cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return cp;
}

}  // namespace

struct ProgressWindow::Impl {
  SDL_Window* window = nullptr;
  FT_Library fonts = nullptr;
  FT_Face face = nullptr;
  std::vector<uint32_t> pixels = std::vector<uint32_t>(kWidth * kHeight);
  ButtonRect button;

  ~Impl() {
    if (face) FT_Done_Face(face);
    if (fonts) FT_Done_FreeType(fonts);
    if (window) {
      SDL_DestroyWindow(window);
      // Only our part of SDL: SDL_Quit would also forget the host program's
      // hints, and its next start of SDL would then take SIGTERM and SIGINT
      // for itself, so they would no longer end the program.
      QuitSdlSubSystem(SDL_INIT_VIDEO);
    }
  }

  void Fill(int x, int y, int w, int h, uint32_t colour) {
    for (int r = std::max(0, y); r < std::min(kHeight, y + h); ++r) {
      for (int c = std::max(0, x); c < std::min(kWidth, x + w); ++c)
        pixels[r * kWidth + c] = colour;
    }
  }

  // Sunken (or raised) 3-D frame.
  void Frame(int x, int y, int w, int h, bool sunken) {
    uint32_t topLeft = sunken ? kShadow : kLight;
    uint32_t bottomRight = sunken ? kLight : kShadow;
    Fill(x, y, w, 1, topLeft);
    Fill(x, y, 1, h, topLeft);
    Fill(x, y + h - 1, w, 1, bottomRight);
    Fill(x + w - 1, y, 1, h, bottomRight);
  }

  int Text(int x, int baseline, const std::string& text, int maxWidth) {
    if (!face) return x;
    int pen = x;
    for (size_t i = 0; i < text.size();) {
      char32_t cp = NextCodePoint(text, i);
      if (FT_Load_Char(face, cp, FT_LOAD_RENDER) != 0) continue;
      FT_GlyphSlot g = face->glyph;
      int advance = static_cast<int>(g->advance.x >> 6);
      if (pen + advance > x + maxWidth) break;
      for (unsigned row = 0; row < g->bitmap.rows; ++row) {
        int py = baseline - g->bitmap_top + static_cast<int>(row);
        if (py < 0 || py >= kHeight) continue;
        for (unsigned col = 0; col < g->bitmap.width; ++col) {
          int px = pen + g->bitmap_left + static_cast<int>(col);
          if (px < 0 || px >= kWidth) continue;
          unsigned a = g->bitmap.buffer[row * static_cast<unsigned>(g->bitmap.pitch) + col];
          uint32_t& d = pixels[py * kWidth + px];
          auto blend = [a](uint32_t bg, uint32_t fg, int shift) {
            unsigned b = (bg >> shift) & 0xFF, f = (fg >> shift) & 0xFF;
            return ((f * a + b * (255 - a)) / 255) << shift;
          };
          d = blend(d, kText, 16) | blend(d, kText, 8) | blend(d, kText, 0);
        }
      }
      pen += advance;
    }
    return pen;
  }

  void Bar(int y, uint64_t done, uint64_t total) {
    const int x = 14, w = kWidth - 28, h = 18;
    Fill(x, y, w, h, kBarEmpty);
    Frame(x, y, w, h, true);
    int filled = total == 0 ? 0 : static_cast<int>((w - 4) * std::min(done, total) / total);
    Fill(x + 2, y + 2, filled, h - 4, kBarFill);
  }

  void Present() {
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (!target) return;
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), kWidth, kHeight, 32,
                                                             kWidth * 4, SDL_PIXELFORMAT_RGB888);
    if (!source) return;
    SDL_BlitSurface(source, nullptr, target, nullptr);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurface(window);
  }
};

ProgressWindow::ProgressWindow() = default;
ProgressWindow::~ProgressWindow() = default;

bool ProgressWindow::Open(const std::string& title) {
  if (impl_) return true;
  // Without a desktop there is nothing to show a window on (SDL would fall
  // back to its invisible off-screen driver).
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return false;
  // The expansion watches the stop signals itself; SDL must not take them.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || std::strcmp(driver, "offscreen") == 0 ||
      std::strcmp(driver, "dummy") == 0) {
    QuitSdlSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  auto impl = std::make_unique<Impl>();
  impl->window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  kWidth, kHeight, SDL_WINDOW_SHOWN);
  if (!impl->window) {
    QuitSdlSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  if (FT_Init_FreeType(&impl->fonts) == 0) {
    for (const char* path : kFonts) {
      if (FT_New_Face(impl->fonts, path, 0, &impl->face) == 0) {
        FT_Set_Pixel_Sizes(impl->face, 0, kTextSize);
        break;
      }
      impl->face = nullptr;
    }
  }
  impl_ = std::move(impl);
  return true;
}

void ProgressWindow::Poll() {
  if (!impl_) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (e.type == SDL_QUIT ||
        (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) ||
        (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) ||
        (e.type == SDL_MOUSEBUTTONUP && e.button.button == SDL_BUTTON_LEFT &&
         impl_->button.Contains(e.button.x, e.button.y))) {
      cancelled_ = true;
    }
  }
}

void ProgressWindow::Show(const ProgressView& view) {
  if (!impl_) return;
  Poll();
  Impl& w = *impl_;
  const int textWidth = kWidth - 28;
  w.Fill(0, 0, kWidth, kHeight, kBackground);
  w.Text(14, 24, view.heading, textWidth);
  w.Text(14, 52, view.partLabel, textWidth);
  w.Bar(58, view.partDone, view.partTotal);
  w.Text(14, 100, view.allLabel, textWidth);
  w.Bar(106, view.allDone, view.allTotal);
  const ButtonRect& b = w.button;
  w.Fill(b.x, b.y, b.w, b.h, kBackground);
  w.Frame(b.x, b.y, b.w, b.h, false);
  w.Text(b.x + 20, b.y + 18, "キャンセル", b.w - 20);
  w.Present();
}

}  // namespace platform
