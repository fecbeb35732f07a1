#include "platform/sdl/sdl_message_box.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace platform {

using namespace services;

namespace {

constexpr int kFontPixels = 12;  // the system font's size in a Windows 95 box
constexpr int kLinePixels = 14;  // and the height of one of its lines

struct FontFile {
  std::string path;
  int index = 0;
};

// The font for Japanese text as fontconfig chooses it: IPA Gothic, or failing
// that whatever sans-serif face the machine has for Japanese. A match that
// cannot draw kana is no match.
std::optional<FontFile> FindJapaneseFont() {
  std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)> config(FcInitLoadConfigAndFonts(),
                                                               FcConfigDestroy);
  if (!config) return std::nullopt;
  for (const char* name : {"IPAGothic", "sans-serif:lang=ja"}) {
    std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(
        FcNameParse(reinterpret_cast<const FcChar8*>(name)), FcPatternDestroy);
    if (!pattern) continue;
    FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> match(
        FcFontMatch(config.get(), pattern.get(), &result), FcPatternDestroy);
    if (!match) continue;
    FcCharSet* chars = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetCharSet(match.get(), FC_CHARSET, 0, &chars) != FcResultMatch ||
        !FcCharSetHasChar(chars, U'あ') || !FcCharSetHasChar(chars, U'キ') ||
        FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) {
      continue;
    }
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    return FontFile{reinterpret_cast<const char*>(file), index};
  }
  return std::nullopt;
}

// Width of text in a font that is not there: enough room for the box to keep
// its shape.
int GuessWidth(std::string_view text, int scale) {
  int w = 0;
  for (unsigned char c : text) {
    if (c < 0x80) w += 6 * scale;
    if (c >= 0xE0) w += 12 * scale;  // lead byte of a three- or four-byte character
  }
  return w;
}

void Unpack(uint32_t rgb, SDL_Color* c) {
  *c = SDL_Color{static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8),
                 static_cast<Uint8>(rgb), 255};
}

}  // namespace

BoxFonts::BoxFonts(int scale) : scale_(scale) {
  if (TTF_Init() != 0) {
    problem_ = std::string("the font library does not start: ") + TTF_GetError();
    return;
  }
  ttfReady_ = true;
  std::optional<FontFile> file = FindJapaneseFont();
  if (!file) {
    problem_ = "fontconfig finds no Japanese font (IPAGothic, Debian package fonts-ipafont-gothic)";
    return;
  }
  text_ = TTF_OpenFontIndex(file->path.c_str(), kFontPixels * scale, file->index);
  caption_ = TTF_OpenFontIndex(file->path.c_str(), kFontPixels * scale, file->index);
  if (text_ == nullptr || caption_ == nullptr) {
    problem_ = "cannot open the font " + file->path + ": " + TTF_GetError();
    return;
  }
  TTF_SetFontStyle(caption_, TTF_STYLE_BOLD);
  // Full hinting moves low strokes (the underscore) below the line the font
  // library draws into, and they are lost; light hinting keeps them.
  TTF_SetFontHinting(text_, TTF_HINTING_LIGHT);
  TTF_SetFontHinting(caption_, TTF_HINTING_LIGHT);
}

BoxFonts::~BoxFonts() {
  if (text_) TTF_CloseFont(text_);
  if (caption_) TTF_CloseFont(caption_);
  if (ttfReady_) TTF_Quit();
}

msgbox::FontMetrics BoxFonts::Metrics(bool caption) {
  TTF_Font* font = FontFor(caption);
  const int height = std::max(kLinePixels * scale_, font ? TTF_FontHeight(font) : 0);
  return msgbox::FontMetrics{[this, caption](std::string_view t) { return Width(t, caption); },
                             height};
}

int BoxFonts::Width(std::string_view text, bool caption) {
  TTF_Font* font = FontFor(caption);
  if (font == nullptr) return GuessWidth(text, scale_);
  if (text.empty()) return 0;
  int w = 0, h = 0;
  if (TTF_SizeUTF8(font, std::string(text).c_str(), &w, &h) != 0) return GuessWidth(text, scale_);
  return w;
}

void BoxFonts::Draw(msgbox::Pixels& into, std::string_view text, int x, int y, uint32_t colour,
                    bool caption) {
  TTF_Font* font = FontFor(caption);
  if (font == nullptr || text.empty()) return;
  SDL_Color c;
  Unpack(colour, &c);
  SDL_Surface* drawn = TTF_RenderUTF8_Blended(font, std::string(text).c_str(), c);
  if (drawn == nullptr) return;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(drawn, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(drawn);
  if (argb == nullptr) return;
  // The glyphs sit in the middle of their line.
  y += std::max(0, kLinePixels * scale_ - TTF_FontHeight(font)) / 2;
  SDL_LockSurface(argb);
  for (int j = 0; j < argb->h; ++j) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                                        j * argb->pitch);
    for (int i = 0; i < argb->w; ++i)
      into.Blend(x + i, y + j, colour, static_cast<int>(row[i] >> 24));
  }
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
}

SdlMessageBox::SdlMessageBox(const BoxRequest& request, SDL_Window* owner, BoxFonts& fonts,
                             int scale)
    : caption_(request.caption),
      owner_(owner),
      fonts_(fonts),
      layout_(msgbox::LayOut(request.caption, request.text, request.style, scale,
                             fonts.Metrics(false), fonts.Metrics(true))),
      input_(layout_) {}

SdlMessageBox::~SdlMessageBox() {
  if (window_ == nullptr) return;
  SDL_DestroyWindow(window_);
  // Back to the owner, as when a dialog closes.
  if (owner_ != nullptr) {
    SDL_RaiseWindow(owner_);
    SDL_SetWindowInputFocus(owner_);
  }
}

bool SdlMessageBox::Open(std::string* why) {
  // Centred on the owner's window, or on the screen without one.
  const int display = owner_ != nullptr ? std::max(SDL_GetWindowDisplayIndex(owner_), 0) : 0;
  SDL_Rect screen{0, 0, 640, 480};
  if (SDL_GetDisplayUsableBounds(display, &screen) != 0) SDL_GetDisplayBounds(display, &screen);
  Rect area{screen.x, screen.y, screen.w, screen.h};
  if (owner_ != nullptr) {
    SDL_GetWindowPosition(owner_, &area.x, &area.y);
    SDL_GetWindowSize(owner_, &area.w, &area.h);
  }
  const Rect at = msgbox::Centre(Size{layout_.width, layout_.height}, area,
                                 Rect{screen.x, screen.y, screen.w, screen.h});

  // A dialog to the window manager; the caption bar and edge are our own.
  SDL_SetHint(SDL_HINT_X11_WINDOW_TYPE, "_NET_WM_WINDOW_TYPE_DIALOG");
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
  if (owner_ != nullptr) flags |= SDL_WINDOW_SKIP_TASKBAR;
  window_ = SDL_CreateWindow(caption_.c_str(), at.x, at.y, at.w, at.h, flags);
  SDL_SetHint(SDL_HINT_X11_WINDOW_TYPE, "_NET_WM_WINDOW_TYPE_NORMAL");
  if (window_ == nullptr) {
    if (why) *why = SDL_GetError();
    return false;
  }
  if (owner_ != nullptr) SDL_SetWindowModalFor(window_, owner_);
  SDL_SetWindowHitTest(window_, &SdlMessageBox::HitTest, this);
  Refresh();
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  SDL_SetWindowInputFocus(window_);
  dirty_ = true;
  Refresh();
  return true;
}

uint32_t SdlMessageBox::windowId() const {
  return window_ ? SDL_GetWindowID(window_) : 0;
}

void SdlMessageBox::Handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) Take(input_.OnCloseControl());
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SHOWN)
        dirty_ = true;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      OnKey(e.key);
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.button == SDL_BUTTON_LEFT && e.button.windowID == windowId()) {
        input_.OnPointerDown(msgbox::HitTest(layout_, e.button.x, e.button.y));
        dirty_ = true;
      }
      break;
    case SDL_MOUSEMOTION:
      if (e.motion.windowID == windowId()) {
        const int before = input_.pushed();
        input_.OnPointerMove(msgbox::HitTest(layout_, e.motion.x, e.motion.y));
        dirty_ = dirty_ || before != input_.pushed();
      }
      break;
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_LEFT) {
        const int target = e.button.windowID == windowId()
                               ? msgbox::HitTest(layout_, e.button.x, e.button.y)
                               : msgbox::kNothing;
        Take(input_.OnPointerUp(target));
        dirty_ = true;
      }
      break;
    default:
      break;
  }
}

void SdlMessageBox::OnKey(const SDL_KeyboardEvent& key) {
  using msgbox::Key;
  const bool down = key.type == SDL_KEYDOWN;
  std::optional<Key> k;
  switch (key.keysym.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      if (down) k = Key::kEnter;
      break;
    case SDLK_ESCAPE:
      if (down) k = Key::kEscape;
      break;
    case SDLK_TAB:
      if (down) k = (key.keysym.mod & KMOD_SHIFT) ? Key::kBackTab : Key::kTab;
      break;
    case SDLK_LEFT:
      if (down) k = Key::kLeft;
      break;
    case SDLK_RIGHT:
      if (down) k = Key::kRight;
      break;
    case SDLK_UP:
      if (down) k = Key::kUp;
      break;
    case SDLK_DOWN:
      if (down) k = Key::kDown;
      break;
    case SDLK_SPACE:
      if (!key.repeat) k = down ? Key::kSpaceDown : Key::kSpaceUp;
      break;
    case SDLK_F4:
      // Alt+F4 closes the box as its close control does.
      if (down && (key.keysym.mod & KMOD_ALT)) Take(input_.OnCloseControl());
      break;
    default:
      break;
  }
  if (!k) return;
  Take(input_.OnKey(*k));
  dirty_ = true;
}

void SdlMessageBox::Take(std::optional<int> answer) {
  if (answer && !answer_) answer_ = answer;
}

void SdlMessageBox::Refresh() {
  if (!dirty_ || window_ == nullptr) return;
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (target == nullptr) return;
  dirty_ = false;
  msgbox::Pixels pixels(layout_.width, layout_.height);
  msgbox::Paint(pixels, layout_, input_.focus(), input_.pushed(), *this);
  const int w = std::min(pixels.width, target->w);
  const int h = std::min(pixels.height, target->h);
  if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
  SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, pixels.data.data(), pixels.width * 4,
                    target->format->format, target->pixels, target->pitch);
  if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
  SDL_UpdateWindowSurface(window_);
}

int SdlMessageBox::Width(std::string_view text, bool caption) {
  return fonts_.Width(text, caption);
}

void SdlMessageBox::Draw(msgbox::Pixels& into, std::string_view text, int x, int y, uint32_t colour,
                         bool caption) {
  fonts_.Draw(into, text, x, y, colour, caption);
}

SDL_HitTestResult SdlMessageBox::HitTest(SDL_Window* /*window*/, const SDL_Point* at, void* self) {
  const auto* box = static_cast<const SdlMessageBox*>(self);
  // The caption bar moves the box where a window manager lets it.
  return msgbox::InCaption(box->layout_, at->x, at->y) ? SDL_HITTEST_DRAGGABLE : SDL_HITTEST_NORMAL;
}

}  // namespace platform
