#!/usr/bin/env bash
# Boxes of every button set answered as on Windows, with the real keyboard and
# pointer: Return takes the focused button (the default at first), Tab and the
# arrows move the focus round, Space presses it, Escape and the close control
# answer Cancel (OK in an OK box, nothing in a はい/いいえ box), a click answers
# with the button clicked. A box without an owner is centred on the screen;
# ZELK_SCALE enlarges it with its text drawn at that size.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1024x768
SHOW=$ZELK_TEST_DIR/show_box

# open STYLE [TEXT]: shows a box captioned "Q"; its pid in $PID, "x y w h" in $GEO.
open() {
  start "$SHOW" "$1" Q "${2:-続けますか？}"
  PID=$LAST_PID
  local id
  id=$(box_id Q) || fail "no box of style $1"
  GEO=$(geometry "$id")
  wait_until 30 focused "$id" || fail "the box of style $1 has no focus"
}
# answer STYLE EXPECTED KEY…: the box of that style, given the keys, answers EXPECTED.
answer() {
  local style=$1 expected=$2
  shift 2
  open "$style"
  for k in "$@"; do
    xdotool key "$k"
    sleep 0.1
  done
  wait_exit "$PID" 30
  [ "$EXIT_CODE" = "$expected" ] || fail "style $style, keys $*: answer $EXIT_CODE, not $expected"
}

answer 0 1 Escape                        # OK alone
answer 1 1 Return                        # OK / キャンセル
answer 1 2 Escape
answer 0x101 2 Return                    # キャンセル the default
answer 1 2 Tab Return
answer 0x101 1 Right Return              # round from the last to the first
answer 3 2 Right Right Return            # はい / いいえ / キャンセル
answer 3 2 shift+Tab Return
answer 3 6 Down Down Down Return
answer 3 7 Right space
answer 4 6 Escape Return                 # はい / いいえ: Escape does nothing
answer 0x203 2 Return                    # a third default where there is one
answer 0x204 6 Return                    # and the first where there is none

# The pointer: いいえ, the middle of three, sits on the box's middle line, 26
# pixels above its lower edge; the close control 13 from the right, 12 down.
open 3
read -r x y w h <<<"$GEO"
xdotool mousemove $((x + w / 2)) $((y + h - 26)) click 1
wait_exit "$PID" 30
[ "$EXIT_CODE" = 7 ] || fail "click on いいえ answered $EXIT_CODE"
open 1
read -r x y w h <<<"$GEO"
xdotool mousemove $((x + w - 13)) $((y + 12)) click 1
wait_exit "$PID" 30
[ "$EXIT_CODE" = 2 ] || fail "the close control answered $EXIT_CODE"
open 4
read -r x y w h <<<"$GEO"
xdotool mousemove $((x + w - 13)) $((y + 12)) click 1
sleep 0.3
kill -0 "$PID" || fail "the close control answered a はい/いいえ box"
# Pressed on いいえ but released off it: no answer.
xdotool mousemove $((x + w / 2 + 20)) $((y + h - 26)) mousedown 1 mousemove $((x + 5)) $((y + 40)) mouseup 1
sleep 0.3
kill -0 "$PID" || fail "a press released off the button answered"
xdotool key Return
wait_exit "$PID" 30
[ "$EXIT_CODE" = 7 ] || fail "the press did not move the focus to いいえ: $EXIT_CODE"

# Centred on the screen without an owner; twice the size at ZELK_SCALE=2,
# text and all.
text='解凍が終了しました。'
open 0x40 "$text"
read -r x y w h <<<"$GEO"
[ $((x + w / 2)) -ge 511 ] && [ $((x + w / 2)) -le 513 ] && [ $((y + h / 2)) -ge 383 ] &&
  [ $((y + h / 2)) -le 385 ] || fail "not centred on the screen: $GEO"
shot "$ARTIFACTS/scale1.png" "$x" "$y" "$w" "$h"
xdotool key Return
wait_exit "$PID" 30
ZELK_SCALE=2 open 0x40 "$text"
read -r x2 y2 w2 h2 <<<"$GEO"
[ $((w2 - 2 * w)) -ge -6 ] && [ $((w2 - 2 * w)) -le 6 ] && [ "$h2" = $((2 * h)) ] ||
  fail "at scale 2 the box is ${w2}x$h2, at scale 1 ${w}x$h"
expect_text "$ARTIFACTS/scale2.png" "$x2" "$y2" "$w2" "$h2" "解凍が終了しました"
xdotool key Return
wait_exit "$PID" 30

# Without a font: one line on stderr says what is missing, and the box answers.
echo '<fontconfig></fontconfig>' >"$WORK/no-fonts.conf"
FONTCONFIG_FILE=$WORK/no-fonts.conf start "$SHOW" 1 Q "$text" 2>"$ARTIFACTS/no-font.err"
PID=$LAST_PID
id=$(box_id Q) || fail "no box without a font"
wait_until 30 focused "$id" || fail "the box without a font has no focus"
xdotool key Escape
wait_exit "$PID" 30
[ "$EXIT_CODE" = 2 ] || fail "without a font Escape answered $EXIT_CODE"
[ "$(wc -l <"$ARTIFACTS/no-font.err")" = 1 ] && grep -q 'fonts-ipafont-gothic' "$ARTIFACTS/no-font.err" ||
  fail "without a font the program said: $(cat "$ARTIFACTS/no-font.err")"
echo PASS
