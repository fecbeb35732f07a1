// The message box without a display: buttons, default and cancel answer per
// style, the text's own line breaks and its wrapping, the geometry, and the
// keys and pointer rules that answer it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/message_box_layout.h"

namespace {

using namespace services;
using namespace services::msgbox;

// A font whose ASCII characters are 6 pixels wide and every other character 12,
// times the scale.
FontMetrics Font(int scale = 1) {
  return FontMetrics{[scale](std::string_view t) {
                       int w = 0;
                       for (unsigned char c : t) {
                         if (c < 0x80) w += 6;
                         if (c >= 0xC0) w += 12;
                       }
                       return w * scale;
                     },
                     14 * scale};
}

int Width(std::string_view t) {
  return Font().measure(t);
}

std::vector<std::string> Labels(const Layout& l) {
  std::vector<std::string> out;
  for (const auto& b : l.buttons)
    out.push_back(b.label);
  return out;
}

std::vector<int> Answers(const Layout& l) {
  std::vector<int> out;
  for (const auto& b : l.buttons)
    out.push_back(b.answer);
  return out;
}

Layout Box(uint32_t style, std::string_view text = "text", std::string_view caption = "Caption",
           int scale = 1) {
  return LayOut(caption, text, style, scale, Font(scale), Font(scale));
}

TEST(MessageBoxButtons, EachStyleHasItsButtonsDefaultAndCancel) {
  struct Case {
    uint32_t style;
    std::vector<std::string> labels;
    std::vector<int> answers;
    size_t defaultIndex;
    std::optional<int> cancel;
  };
  const std::vector<Case> cases = {
      {MB_OK, {"OK"}, {IDOK}, 0, IDOK},
      {MB_OK | MB_DEFBUTTON2, {"OK"}, {IDOK}, 0, IDOK},  // no second button: the first
      {MB_OKCANCEL, {"OK", "キャンセル"}, {IDOK, IDCANCEL}, 0, IDCANCEL},
      {MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | MB_TASKMODAL,
       {"OK", "キャンセル"},
       {IDOK, IDCANCEL},
       1,
       IDCANCEL},
      {MB_YESNO, {"はい", "いいえ"}, {IDYES, IDNO}, 0, std::nullopt},
      {MB_YESNO | MB_DEFBUTTON2, {"はい", "いいえ"}, {IDYES, IDNO}, 1, std::nullopt},
      {MB_YESNOCANCEL | MB_DEFBUTTON3,
       {"はい", "いいえ", "キャンセル"},
       {IDYES, IDNO, IDCANCEL},
       2,
       IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    const Layout l = Box(c.style);
    EXPECT_EQ(Labels(l), c.labels);
    EXPECT_EQ(Answers(l), c.answers);
    EXPECT_EQ(l.defaultIndex, c.defaultIndex);
    EXPECT_EQ(l.cancelAnswer, c.cancel);
    EXPECT_EQ(l.closeEnabled, c.cancel.has_value());
  }
  EXPECT_EQ(IconOf(MB_OK), Icon::kNone);
  EXPECT_EQ(IconOf(MB_ICONERROR), Icon::kStop);
  EXPECT_EQ(IconOf(MB_OKCANCEL | MB_ICONQUESTION), Icon::kQuestion);
  EXPECT_EQ(IconOf(0x2131), Icon::kExclamation);
  EXPECT_EQ(IconOf(0x2040), Icon::kInformation);
}

TEST(MessageBoxText, LineBreaksAsGiven) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb\n"), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(SplitLines("\n\r"), (std::vector<std::string>{"", "", ""}));
  // The installer's question, broken by carriage returns alone.
  const Layout l = Box(0x2131, "あなたがお使いのQ_ARCH32.DLLはVer 0.12です。\rVer0.13以前\r現在の");
  ASSERT_EQ(l.lines.size(), 3u);
  EXPECT_EQ(l.lines[1].text, "Ver0.13以前");
  EXPECT_EQ(l.lines[2].y - l.lines[1].y, l.lineHeight);
  EXPECT_EQ(l.lines[0].x, l.lines[2].x);
}

TEST(MessageBoxText, LongLinesWrapAtAllowedPlacesWithinTheWidth) {
  auto wrap = [](std::string_view s, int w) { return WrapLine(s, w, Font().measure); };
  // Words break at spaces; the spaces at a break go.
  EXPECT_EQ(wrap("File Exist Error here", 66),
            (std::vector<std::string>{"File Exist", "Error here"}));
  // Japanese breaks between characters, but no line starts with 。 or 、 and
  // none ends with 「.
  EXPECT_EQ(wrap("あいうえ。かき", 48), (std::vector<std::string>{"あいう", "え。かき"}));
  EXPECT_EQ(wrap("あい「うえ」", 36), (std::vector<std::string>{"あい", "「う", "え」"}));
  // Paths break after a separator; a word wider than the line is cut.
  EXPECT_EQ(wrap("/usr/share/zelk/data/fm.mag", 96),
            (std::vector<std::string>{"/usr/share/zelk/", "data/fm.mag"}));
  EXPECT_EQ(wrap("abcdefghij", 30), (std::vector<std::string>{"abcde", "fghij"}));
  // An empty line stays, and nothing is cut inside a character even when one
  // character is wider than the line.
  EXPECT_EQ(wrap("", 30), (std::vector<std::string>{""}));
  EXPECT_EQ(wrap("終了", 5), (std::vector<std::string>{"終", "了"}));

  // In a box every line fits and together they are the whole text.
  std::string text;
  for (int i = 0; i < 12; ++i)
    text += "の画面ＤＣが確保できません。他の大きなプログラムを終了してから起動し直してください ";
  const Layout l = Box(MB_ICONEXCLAMATION, text);
  ASSERT_GT(l.lines.size(), 10u);
  auto withoutSpaces = [](std::string_view t) {
    std::string out;
    for (char c : t)
      if (c != ' ') out += c;
    return out;
  };
  std::string joined;
  for (const auto& line : l.lines) {
    EXPECT_LE(line.x + Width(line.text), l.width - l.frame - 12) << line.text;
    joined += line.text;
  }
  EXPECT_EQ(withoutSpaces(joined), withoutSpaces(text));
  EXPECT_LE(l.width, 500);
}

TEST(MessageBoxLayout, ButtonsSizedToLabelsAndCentredBelowTheText) {
  const Layout l = Box(MB_YESNOCANCEL | MB_ICONQUESTION, "一行目\n二行目\n三行目\n四行目");
  ASSERT_EQ(l.buttons.size(), 3u);
  int right = 0;
  for (const auto& b : l.buttons) {
    EXPECT_EQ(b.rect.w, std::max(75, Width(b.label) + 16));
    EXPECT_EQ(b.rect.h, 23);
    EXPECT_GE(b.rect.x, right) << "buttons overlap or are out of order";
    right = b.rect.x + b.rect.w;
    EXPECT_EQ(b.rect.y, l.buttons[0].rect.y);
    EXPECT_GT(b.rect.y, l.lines.back().y + l.lineHeight);
  }
  const int leftRoom = l.buttons.front().rect.x, rightRoom = l.width - right;
  EXPECT_LE(std::abs(leftRoom - rightRoom), 1);
  EXPECT_LE(l.buttons[0].rect.y + 23 + l.frame + 12, l.height);

  // The icon sits left of the text; a line shorter than the icon is centred on
  // it; without an icon the text takes the icon's place.
  const Layout one = Box(MB_OKCANCEL | MB_ICONQUESTION, "終了します");
  EXPECT_EQ(one.iconRect.w, 32);
  EXPECT_GE(one.lines[0].x, one.iconRect.x + one.iconRect.w + 8);
  EXPECT_EQ(one.lines[0].y + one.lineHeight / 2, one.iconRect.y + 16);
  const Layout plain = Box(MB_OK, "終了します");
  EXPECT_EQ(plain.icon, Icon::kNone);
  EXPECT_EQ(plain.iconRect.w, 0);
  EXPECT_EQ(plain.lines[0].x, one.iconRect.x);
}

TEST(MessageBoxLayout, CaptionFitsBeforeTheCloseControl) {
  const std::string path =
      "/home/somebody/projects/zelk/build/bin/data/" + std::string(60, 'x') + "/Fm.mag";
  const Layout l = Box(MB_ICONERROR, "Not MAG", path);
  EXPECT_EQ(l.captionText.text.substr(l.captionText.text.size() - 3), "...");
  EXPECT_LE(l.captionText.x + Width(l.captionText.text), l.closeControl.x);
  EXPECT_EQ(l.closeControl.x + l.closeControl.w + 2, l.caption.x + l.caption.w);
  // A short caption is kept whole.
  EXPECT_EQ(Box(MB_OK, "x", "Vorna! DEMO").captionText.text, "Vorna! DEMO");
}

TEST(MessageBoxLayout, ScaleEnlargesEveryPartAlike) {
  const std::string text = "Vorna! DEMOを終了します。よろしいですか？\n二行目";
  const Layout a = Box(MB_OKCANCEL | MB_ICONQUESTION, text, "Vorna! DEMO", 1);
  const Layout b = Box(MB_OKCANCEL | MB_ICONQUESTION, text, "Vorna! DEMO", 3);
  EXPECT_EQ(b.width, 3 * a.width);
  EXPECT_EQ(b.height, 3 * a.height);
  EXPECT_EQ(b.iconRect.x, 3 * a.iconRect.x);
  EXPECT_EQ(b.closeControl.w, 3 * a.closeControl.w);
  ASSERT_EQ(a.lines.size(), b.lines.size());
  // Centring may round differently by a pixel or two.
  EXPECT_NEAR(b.lines[1].y, 3 * a.lines[1].y, 2);
  EXPECT_NEAR(b.buttons[1].rect.x, 3 * a.buttons[1].rect.x, 2);
  EXPECT_EQ(b.buttons[1].rect.w, 3 * a.buttons[1].rect.w);
}

TEST(MessageBoxLayout, PointsFindTheirControlsAndBoxesAreCentred) {
  const Layout l = Box(MB_OKCANCEL | MB_ICONQUESTION);
  for (size_t i = 0; i < l.buttons.size(); ++i) {
    const Rect& r = l.buttons[i].rect;
    EXPECT_EQ(HitTest(l, r.x + r.w / 2, r.y + r.h / 2), static_cast<int>(i));
    EXPECT_EQ(HitTest(l, r.x + r.w, r.y), kNothing);
  }
  EXPECT_EQ(HitTest(l, l.closeControl.x + 1, l.closeControl.y + 1), kCloseControl);
  EXPECT_EQ(HitTest(l, l.width / 2, l.height / 2 - 20), kNothing);
  EXPECT_TRUE(InCaption(l, l.caption.x + 5, l.caption.y + 5));
  EXPECT_FALSE(InCaption(l, l.closeControl.x + 1, l.closeControl.y + 1));

  const Rect screen{0, 0, 1024, 768};
  // On the owner's window (192, 153, 640×480) ...
  const Rect onOwner = Centre(Size{300, 120}, Rect{192, 153, 640, 480}, screen);
  EXPECT_EQ(onOwner.x, 192 + 170);
  EXPECT_EQ(onOwner.y, 153 + 180);
  // ... kept on the screen when the owner hangs off it, at its origin when it
  // is larger than the screen.
  EXPECT_EQ(Centre(Size{300, 120}, Rect{900, -200, 640, 480}, screen).x, 1024 - 300);
  EXPECT_EQ(Centre(Size{300, 120}, Rect{900, -200, 640, 480}, screen).y, 0);
  EXPECT_EQ(Centre(Size{2000, 120}, screen, screen).x, 0);
}

TEST(MessageBoxInput, KeysMoveTheFocusAndAnswer) {
  const Layout okCancel = Box(MB_OKCANCEL);
  {
    Input in(okCancel);
    EXPECT_EQ(in.OnKey(Key::kEnter), IDOK);
    EXPECT_EQ(in.OnKey(Key::kEscape), IDCANCEL);
  }
  {
    Input in(okCancel);
    EXPECT_EQ(in.OnKey(Key::kTab), std::nullopt);
    EXPECT_EQ(in.focus(), 1u);
    EXPECT_EQ(in.OnKey(Key::kEnter), IDCANCEL);  // Enter takes the focused button
    in.OnKey(Key::kRight);                       // round to the first
    EXPECT_EQ(in.focus(), 0u);
    in.OnKey(Key::kBackTab);
    EXPECT_EQ(in.focus(), 1u);
    in.OnKey(Key::kUp);
    in.OnKey(Key::kLeft);
    EXPECT_EQ(in.focus(), 1u);
  }
  {
    // The installer's question: Cancel is the default.
    Input in(Box(MB_OKCANCEL | MB_DEFBUTTON2));
    EXPECT_EQ(in.focus(), 1u);
    EXPECT_EQ(in.OnKey(Key::kEnter), IDCANCEL);
  }
  {
    // Space presses the focused button and answers when released.
    Input in(Box(MB_YESNOCANCEL));
    EXPECT_EQ(in.OnKey(Key::kSpaceUp), std::nullopt);  // a release without a press
    in.OnKey(Key::kDown);
    EXPECT_EQ(in.OnKey(Key::kSpaceDown), std::nullopt);
    EXPECT_EQ(in.pushed(), 1);
    EXPECT_EQ(in.OnKey(Key::kSpaceUp), IDNO);
  }
  // Esc and the close control: OK alone, nothing in a はい/いいえ box.
  EXPECT_EQ(Input(Box(MB_OK)).OnKey(Key::kEscape), IDOK);
  EXPECT_EQ(Input(Box(MB_OK)).OnCloseControl(), IDOK);
  EXPECT_EQ(Input(Box(MB_YESNO)).OnKey(Key::kEscape), std::nullopt);
  EXPECT_EQ(Input(Box(MB_YESNO)).OnCloseControl(), std::nullopt);
  EXPECT_EQ(Input(Box(MB_YESNOCANCEL)).OnCloseControl(), IDCANCEL);
}

TEST(MessageBoxInput, APointerAnswersWhenPressedAndReleasedOnOneButton) {
  const Layout l = Box(MB_YESNOCANCEL);
  Input in(l);
  in.OnPointerDown(2);
  EXPECT_EQ(in.focus(), 2u);
  EXPECT_EQ(in.pushed(), 2);
  in.OnPointerMove(kNothing);
  EXPECT_EQ(in.pushed(), kNothing);  // dragged off: shown released
  in.OnPointerMove(2);
  EXPECT_EQ(in.pushed(), 2);
  EXPECT_EQ(in.OnPointerUp(1), std::nullopt);  // released elsewhere: nothing
  EXPECT_EQ(in.pushed(), kNothing);
  EXPECT_EQ(in.OnPointerUp(1), std::nullopt);  // a release without a press
  in.OnPointerDown(1);
  EXPECT_EQ(in.OnPointerUp(1), IDNO);
  in.OnPointerDown(kCloseControl);
  EXPECT_EQ(in.OnPointerUp(kCloseControl), IDCANCEL);
  Input yesNo(Box(MB_YESNO));
  yesNo.OnPointerDown(kCloseControl);
  EXPECT_EQ(yesNo.OnPointerUp(kCloseControl), std::nullopt);
}

}  // namespace
