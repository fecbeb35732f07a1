#include "services/message_box_layout.h"

#include <algorithm>

namespace services::msgbox {

namespace {

// Sizes at scale 1, in pixels, after the Windows 95 message box.
constexpr int kFrame = 3;           // raised window edge
constexpr int kCaptionHeight = 18;  // caption bar
constexpr int kCaptionGap = 1;      // face line under the caption bar
constexpr int kCaptionPad = 3;      // caption text from the bar's left end
constexpr int kCloseWidth = 16;
constexpr int kCloseHeight = 14;
constexpr int kCloseInset = 2;  // from the bar's right end and top
constexpr int kMargin = 12;     // around the content
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;      // between icon and text
constexpr int kButtonsGap = 12;   // between content and buttons
constexpr int kButtonWidth = 75;  // at least
constexpr int kButtonHeight = 23;
constexpr int kButtonPad = 8;    // label from the button's ends, at least
constexpr int kButtonSpace = 6;  // between buttons
constexpr int kMaxTextWidth = 400;

struct CodePoint {
  char32_t value;
  size_t begin;  // byte offset
  size_t end;
};

// Code points of UTF-8 text; a byte that starts no valid sequence is one code
// point of its own.
std::vector<CodePoint> Decode(std::string_view s) {
  std::vector<CodePoint> out;
  size_t i = 0;
  while (i < s.size()) {
    const size_t begin = i;
    const auto c = static_cast<unsigned char>(s[i++]);
    int extra = c < 0x80             ? 0
                : (c & 0xE0) == 0xC0 ? 1
                : (c & 0xF0) == 0xE0 ? 2
                : (c & 0xF8) == 0xF0 ? 3
                                     : -1;
    char32_t cp = extra <= 0 ? c : c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
      if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
        extra = -1;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    if (extra < 0) {
      i = begin + 1;
      cp = c;
    }
    out.push_back({cp, begin, i});
  }
  return out;
}

// Characters of East Asian text, between which a line may break.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) || c >= 0x20000;
}

bool In(char32_t c, std::u32string_view set) {
  return set.find(c) != std::u32string_view::npos;
}

// Japanese line-breaking rules: these never start a line ...
bool NoLineStart(char32_t c) {
  return In(
      c,
      U"、。，．・：；？！ー）］｝」』】〉》〕ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ々゛゜"
      U",.!?:;)]}%");
}
// ... and these never end one.
bool NoLineEnd(char32_t c) {
  return In(c, U"（［｛「『【〈《〔([{");
}

// May a line end between cps[i - 1] and cps[i]?
bool CanBreakBefore(const std::vector<CodePoint>& cps, size_t i) {
  const char32_t a = cps[i - 1].value;
  const char32_t b = cps[i].value;
  if (a == ' ' || b == ' ') return true;
  if (NoLineStart(b) || NoLineEnd(a)) return false;
  if (a == '/' || a == '\\' || a == '-') return true;
  return IsWide(a) || IsWide(b);
}

std::string_view Slice(std::string_view s, const std::vector<CodePoint>& cps, size_t from,
                       size_t to) {
  if (from >= to) return {};
  return s.substr(cps[from].begin, cps[to - 1].end - cps[from].begin);
}

// `to` moved back over spaces, but not past `from`.
size_t TrimEnd(const std::vector<CodePoint>& cps, size_t from, size_t to) {
  while (to > from && cps[to - 1].value == ' ')
    --to;
  return to;
}

Rect Offset(Rect r, int dx, int dy) {
  return Rect{r.x + dx, r.y + dy, r.w, r.h};
}

bool Contains(const Rect& r, int x, int y) {
  return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

}  // namespace

Icon IconOf(uint32_t style) {
  switch (style & 0xF0) {
    case MB_ICONHAND:
      return Icon::kStop;
    case MB_ICONQUESTION:
      return Icon::kQuestion;
    case MB_ICONEXCLAMATION:
      return Icon::kExclamation;
    case MB_ICONASTERISK:
      return Icon::kInformation;
    default:
      return Icon::kNone;
  }
}

Buttons ButtonsOf(uint32_t style) {
  Buttons b;
  switch (style & 0x0F) {
    case MB_OKCANCEL:
      b.buttons = {{"OK", IDOK}, {"キャンセル", IDCANCEL}};
      b.cancelAnswer = IDCANCEL;
      break;
    case MB_YESNOCANCEL:
      b.buttons = {{"はい", IDYES}, {"いいえ", IDNO}, {"キャンセル", IDCANCEL}};
      b.cancelAnswer = IDCANCEL;
      break;
    case MB_YESNO:
      b.buttons = {{"はい", IDYES}, {"いいえ", IDNO}};
      break;
    default:
      b.buttons = {{"OK", IDOK}};
      b.cancelAnswer = IDOK;
      break;
  }
  const size_t wanted = (style & 0x0F00) >> 8;
  b.defaultIndex = wanted < b.buttons.size() ? wanted : 0;
  return b;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

std::vector<std::string> WrapLine(std::string_view line, int maxWidth, const MeasureText& measure) {
  const std::vector<CodePoint> cps = Decode(line);
  std::vector<std::string> out;
  size_t start = 0;
  do {
    size_t lastBreak = 0;  // 0: none found yet
    size_t lastFit = start;
    for (size_t end = start + 1; end <= cps.size(); ++end) {
      if (measure(Slice(line, cps, start, TrimEnd(cps, start, end))) > maxWidth) break;
      lastFit = end;
      if (end == cps.size() || CanBreakBefore(cps, end)) lastBreak = end;
    }
    size_t end = lastBreak != 0 ? lastBreak : std::max(lastFit, start + 1);
    end = std::min(end, cps.size());
    out.emplace_back(Slice(line, cps, start, TrimEnd(cps, start, end)));
    start = end;
    while (start < cps.size() && cps[start].value == ' ')
      ++start;
  } while (start < cps.size());
  return out;
}

std::string Ellipsize(std::string_view text, int maxWidth, const MeasureText& measure) {
  if (measure(text) <= maxWidth) return std::string(text);
  const std::vector<CodePoint> cps = Decode(text);
  size_t keep = cps.size();
  while (keep > 0 && measure(std::string(Slice(text, cps, 0, keep)) + "...") > maxWidth)
    --keep;
  return std::string(Slice(text, cps, 0, keep)) + "...";
}

Layout LayOut(std::string_view caption, std::string_view text, uint32_t style, int scale,
              const FontMetrics& textFont, const FontMetrics& captionFont) {
  const int s = std::max(scale, 1);
  Layout l;
  l.scale = s;
  l.frame = kFrame * s;
  l.icon = IconOf(style);
  l.lineHeight = textFont.lineHeight;

  // The client area's content, with (0, 0) at its top-left.
  const int margin = kMargin * s;
  const int iconSize = l.icon == Icon::kNone ? 0 : kIconSize * s;
  const int textLeft = margin + (iconSize > 0 ? iconSize + kIconGap * s : 0);
  std::vector<std::string> lines;
  for (const std::string& given : SplitLines(text)) {
    for (std::string& part : WrapLine(given, kMaxTextWidth * s, textFont.measure))
      lines.push_back(std::move(part));
  }
  int textWidth = 0;
  for (const std::string& line : lines)
    textWidth = std::max(textWidth, textFont.measure(line));
  const int textHeight = static_cast<int>(lines.size()) * l.lineHeight;
  const int contentHeight = std::max(textHeight, iconSize);
  const int textTop = margin + (iconSize > textHeight ? (iconSize - textHeight) / 2 : 0);

  const Buttons set = ButtonsOf(style);
  std::vector<int> widths;
  int buttonsWidth = 0;
  for (const Button& b : set.buttons) {
    widths.push_back(std::max(kButtonWidth * s, textFont.measure(b.label) + 2 * kButtonPad * s));
    buttonsWidth += widths.back();
  }
  buttonsWidth += kButtonSpace * s * static_cast<int>(widths.size() - 1);
  const int buttonsTop = margin + contentHeight + kButtonsGap * s;

  // Wide enough for the text, the buttons and, up to the widest a text can
  // make the box, the caption.
  const int closeRoom = (kCloseWidth + 2 * kCloseInset) * s;
  const int captionRoom = kCaptionPad * s + captionFont.measure(caption) + closeRoom;
  const int widestContent = textLeft + kMaxTextWidth * s + margin;
  int clientWidth = std::max(textLeft + textWidth + margin, buttonsWidth + 2 * margin);
  clientWidth = std::max(clientWidth, std::min(captionRoom, widestContent));
  const int clientHeight = buttonsTop + kButtonHeight * s + margin;

  const int clientX = l.frame;
  const int clientY = l.frame + (kCaptionHeight + kCaptionGap) * s;
  l.width = clientWidth + 2 * l.frame;
  l.height = clientY + clientHeight + l.frame;

  l.caption = Rect{l.frame, l.frame, clientWidth, kCaptionHeight * s};
  l.closeControl = Rect{l.caption.x + l.caption.w - (kCloseWidth + kCloseInset) * s,
                        l.caption.y + kCloseInset * s, kCloseWidth * s, kCloseHeight * s};
  l.closeEnabled = set.cancelAnswer.has_value();
  const int captionTextWidth = clientWidth - kCaptionPad * s - closeRoom;
  l.captionText.text = Ellipsize(caption, captionTextWidth, captionFont.measure);
  l.captionText.x = l.caption.x + kCaptionPad * s;
  l.captionText.y = l.caption.y + (l.caption.h - captionFont.lineHeight) / 2;

  if (iconSize > 0) l.iconRect = Rect{clientX + margin, clientY + margin, iconSize, iconSize};
  for (size_t i = 0; i < lines.size(); ++i) {
    l.lines.push_back({std::move(lines[i]), clientX + textLeft,
                       clientY + textTop + static_cast<int>(i) * l.lineHeight});
  }
  int x = clientX + (clientWidth - buttonsWidth) / 2;
  for (size_t i = 0; i < set.buttons.size(); ++i) {
    l.buttons.push_back({set.buttons[i].label, set.buttons[i].answer,
                         Offset(Rect{0, buttonsTop, widths[i], kButtonHeight * s}, x, clientY)});
    x += widths[i] + kButtonSpace * s;
  }
  l.defaultIndex = set.defaultIndex;
  l.cancelAnswer = set.cancelAnswer;
  return l;
}

int HitTest(const Layout& layout, int x, int y) {
  for (size_t i = 0; i < layout.buttons.size(); ++i) {
    if (Contains(layout.buttons[i].rect, x, y)) return static_cast<int>(i);
  }
  if (Contains(layout.closeControl, x, y)) return kCloseControl;
  return kNothing;
}

bool InCaption(const Layout& layout, int x, int y) {
  return Contains(layout.caption, x, y) && !Contains(layout.closeControl, x, y);
}

Rect Centre(Size size, Rect area, Rect screen) {
  auto place = [](int want, int length, int from, int room) {
    if (length >= room) return from;
    return std::clamp(want, from, from + room - length);
  };
  return Rect{place(area.x + (area.w - size.width) / 2, size.width, screen.x, screen.w),
              place(area.y + (area.h - size.height) / 2, size.height, screen.y, screen.h),
              size.width, size.height};
}

Input::Input(const Layout& layout)
    : cancelAnswer_(layout.cancelAnswer), focus_(layout.defaultIndex) {
  for (const PlacedButton& b : layout.buttons)
    answers_.push_back(b.answer);
  if (answers_.empty()) answers_.push_back(IDOK);
  if (focus_ >= answers_.size()) focus_ = 0;
}

int Input::pushed() const {
  if (spaceDown_) return static_cast<int>(focus_);
  if (pointerTarget_ >= 0 && pointerOver_) return pointerTarget_;
  return kNothing;
}

std::optional<int> Input::OnKey(Key key) {
  const size_t n = answers_.size();
  switch (key) {
    case Key::kEnter:
      return answers_[focus_];
    case Key::kEscape:
      return cancelAnswer_;
    case Key::kTab:
    case Key::kRight:
    case Key::kDown:
      focus_ = (focus_ + 1) % n;
      spaceDown_ = false;
      return std::nullopt;
    case Key::kBackTab:
    case Key::kLeft:
    case Key::kUp:
      focus_ = (focus_ + n - 1) % n;
      spaceDown_ = false;
      return std::nullopt;
    case Key::kSpaceDown:
      spaceDown_ = true;
      return std::nullopt;
    case Key::kSpaceUp:
      if (!spaceDown_) return std::nullopt;
      spaceDown_ = false;
      return answers_[focus_];
  }
  return std::nullopt;
}

std::optional<int> Input::OnCloseControl() {
  return cancelAnswer_;
}

void Input::OnPointerDown(int target) {
  pointerTarget_ = target;
  pointerOver_ = true;
  if (target >= 0) focus_ = static_cast<size_t>(target);
}

void Input::OnPointerMove(int target) {
  if (pointerTarget_ != kNothing) pointerOver_ = target == pointerTarget_;
}

std::optional<int> Input::OnPointerUp(int target) {
  const int down = pointerTarget_;
  pointerTarget_ = kNothing;
  pointerOver_ = false;
  if (down == kNothing || down != target) return std::nullopt;
  return AnswerOf(down);
}

std::optional<int> Input::AnswerOf(int target) const {
  if (target >= 0 && static_cast<size_t>(target) < answers_.size()) return answers_[target];
  if (target == kCloseControl) return cancelAnswer_;
  return std::nullopt;
}

}  // namespace services::msgbox
