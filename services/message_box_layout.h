// What a message box shows and how it answers, without any display: the
// buttons, default and icon a style asks for, the text cut into lines, the
// geometry of the whole box in pixels, and the keyboard and pointer rules of
// the box. Every backend draws from this, so the texts, buttons and keys are
// the same on the desktop and in the browser.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "services/types.h"

namespace services::msgbox {

enum class Icon { kNone, kStop, kQuestion, kExclamation, kInformation };

// The icon of a style (MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION,
// MB_ICONASTERISK); kNone without an icon flag.
Icon IconOf(uint32_t style);

struct Button {
  std::string label;
  int answer = IDOK;
};

struct Buttons {
  std::vector<Button> buttons;  // left to right
  size_t defaultIndex = 0;      // MB_DEFBUTTON*; the first when out of range
  // The answer of Esc and of the close control: IDCANCEL where there is a
  // キャンセル, IDOK in an OK-only box, none in a はい/いいえ box.
  std::optional<int> cancelAnswer;
};

// OK; OK / キャンセル; はい / いいえ; はい / いいえ / キャンセル.
Buttons ButtonsOf(uint32_t style);

// The text's lines as given: "\r\n", "\r" and "\n" each end one line.
std::vector<std::string> SplitLines(std::string_view text);

// Pixel width of a UTF-8 text in some font.
using MeasureText = std::function<int(std::string_view)>;

// `line` cut into lines no wider than `maxWidth`: after a space, a path
// separator or a hyphen, or between two characters of Japanese text (never
// before closing or after opening punctuation); a word that is wider than the
// whole line is cut where it must. Spaces at a cut are dropped. An empty line
// stays one empty line.
std::vector<std::string> WrapLine(std::string_view line, int maxWidth, const MeasureText& measure);

// `text` cut with "..." at its end so that it fits `maxWidth`.
std::string Ellipsize(std::string_view text, int maxWidth, const MeasureText& measure);

// A font as the layout needs it.
struct FontMetrics {
  MeasureText measure;
  int lineHeight = 0;
};

struct PlacedText {
  std::string text;
  int x = 0;  // left of the text
  int y = 0;  // top of its line
};

struct PlacedButton {
  std::string label;
  int answer = IDOK;
  Rect rect;
};

// The box in pixels, its window's top-left at (0, 0). Everything is scaled by
// the presentation scale, so text is laid out at the size it is drawn.
struct Layout {
  int scale = 1;
  int width = 0;
  int height = 0;
  int frame = 0;  // width of the raised window edge
  Rect caption;   // the caption bar
  PlacedText captionText;
  Rect closeControl;
  bool closeEnabled = true;  // greyed in a はい/いいえ box
  Icon icon = Icon::kNone;
  Rect iconRect;  // empty without an icon
  int lineHeight = 0;
  std::vector<PlacedText> lines;
  std::vector<PlacedButton> buttons;
  size_t defaultIndex = 0;
  std::optional<int> cancelAnswer;
};

// Lays out a box with `text` under `caption` in the look of a Windows 95 message
// box: caption bar, icon at the left, text beside it (its own line breaks kept,
// long lines wrapped), buttons sized to their labels centred below.
Layout LayOut(std::string_view caption, std::string_view text, uint32_t style, int scale,
              const FontMetrics& textFont, const FontMetrics& captionFont);

// What a pointer position is over.
constexpr int kNothing = -1;
constexpr int kCloseControl = -2;
// Index of the button at (x, y), kCloseControl, or kNothing.
int HitTest(const Layout& layout, int x, int y);
bool InCaption(const Layout& layout, int x, int y);

// Top-left of a box of `size` centred on `area` (the owner window, or the
// screen without one), kept inside `screen` where it fits.
Rect Centre(Size size, Rect area, Rect screen);

enum class Key { kEnter, kEscape, kTab, kBackTab, kLeft, kRight, kUp, kDown, kSpaceDown, kSpaceUp };

// The keyboard and pointer rules of an open box, as on Windows: the focused
// button starts at the default one; Tab and the arrows move it (round);
// Enter answers with it; Space presses it and answers on release; Esc and the
// close control answer with the cancel answer; a button answers when the
// pointer is pressed and released on it.
class Input {
 public:
  explicit Input(const Layout& layout);

  size_t focus() const { return focus_; }
  // The button shown pushed in, or kNothing.
  int pushed() const;

  std::optional<int> OnKey(Key key);
  std::optional<int> OnCloseControl();
  void OnPointerDown(int target);
  void OnPointerMove(int target);
  std::optional<int> OnPointerUp(int target);

 private:
  std::optional<int> AnswerOf(int target) const;

  std::vector<int> answers_;
  std::optional<int> cancelAnswer_;
  size_t focus_ = 0;
  int pointerTarget_ = kNothing;  // where the pointer went down
  bool pointerOver_ = false;      // and whether it is still there
  bool spaceDown_ = false;
};

}  // namespace services::msgbox
