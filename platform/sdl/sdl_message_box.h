// Our own message box on SDL: a window of its own, owned by (transient for) the
// owner window, drawn with the box painter and SDL2_ttf in a Japanese font that
// fontconfig finds. It runs on the caller's thread inside the caller's event
// loop: the backend hands it the events of its window and the keyboard.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <memory>
#include <optional>
#include <string>

#include "services/message_box_layout.h"
#include "services/message_box_paint.h"
#include "services/window.h"

namespace platform {

// The boxes' text and caption fonts at one pixel size. Without a usable font
// the boxes still open and answer, with their text left out.
class BoxFonts {
 public:
  explicit BoxFonts(int scale);
  ~BoxFonts();
  BoxFonts(const BoxFonts&) = delete;
  BoxFonts& operator=(const BoxFonts&) = delete;

  // Empty when the fonts are usable; else what is missing, in one line.
  const std::string& problem() const { return problem_; }
  services::msgbox::FontMetrics Metrics(bool caption);
  int Width(std::string_view text, bool caption);
  // Blends `text` into the pixels with the top of its line at (x, y).
  void Draw(services::msgbox::Pixels& into, std::string_view text, int x, int y, uint32_t colour,
            bool caption);

 private:
  TTF_Font* FontFor(bool caption) const { return caption ? caption_ : text_; }

  int scale_;
  bool ttfReady_ = false;
  TTF_Font* text_ = nullptr;
  TTF_Font* caption_ = nullptr;
  std::string problem_;
};

class SdlMessageBox : private services::msgbox::TextPainter {
 public:
  // `owner` may be null (a box of its own, centred on the screen).
  SdlMessageBox(const services::BoxRequest& request, SDL_Window* owner, BoxFonts& fonts, int scale);
  ~SdlMessageBox() override;
  SdlMessageBox(const SdlMessageBox&) = delete;
  SdlMessageBox& operator=(const SdlMessageBox&) = delete;

  // Creates and shows the window. False (with the reason) when it cannot.
  [[nodiscard]] bool Open(std::string* why);
  uint32_t windowId() const;
  // An event of this box's window, or of the keyboard while the box is on top.
  void Handle(const SDL_Event& e);
  // Draws the box again if something it shows has changed.
  void Refresh();
  const std::optional<int>& answer() const { return answer_; }

 private:
  int Width(std::string_view text, bool caption) override;
  void Draw(services::msgbox::Pixels& into, std::string_view text, int x, int y, uint32_t colour,
            bool caption) override;
  void OnKey(const SDL_KeyboardEvent& key);
  void Take(std::optional<int> answer);
  static SDL_HitTestResult HitTest(SDL_Window* window, const SDL_Point* at, void* self);

  std::string caption_;
  SDL_Window* owner_;
  BoxFonts& fonts_;
  services::msgbox::Layout layout_;
  services::msgbox::Input input_;
  SDL_Window* window_ = nullptr;
  std::optional<int> answer_;
  bool dirty_ = true;
};

}  // namespace platform
