#!/usr/bin/env bash
# The zelkplay binary as people run it: help that names it, without type
# names; without a display, or while a demo program runs, a clear message and
# exit code 1; with --seconds it never waits for a person: a file it cannot
# play is told in its box, answered at once and echoed on stderr, and exit 1.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
P=$BIN/zelkplay
cd "$WORK"

(cd "$BIN" && ./zelkplay --help) >help.txt || fail "--help"
grep -q '^Usage: zelkplay \[OPTIONS\] file$' help.txt || fail "usage: $(head -n 2 help.txt)"
! grep -E '\b(U?INT|FLOAT|REQUIRED)\b|^  [a-z]+ TEXT|\[[0-9]+ - [0-9]+\]|:\{' help.txt ||
  fail "--help shows type names (above)"

"$ZELK_TEST_DIR/make_test_media" wav tone.wav 300 || fail "no fixture"
code=0
(unset DISPLAY WAYLAND_DISPLAY && "$P" tone.wav --seconds 1 2>err.txt) || code=$?
[ "$code" = 1 ] || fail "without a display: exit code $code"
[ "$(cat err.txt)" = "zelkplay: cannot open a window: no display (set DISPLAY or WAYLAND_DISPLAY)" ] ||
  fail "without a display: $(cat err.txt)"

start_xvfb
printf 'not a video %.0s' {1..300} >garbage.avi
start "$P" garbage.avi --seconds 30 2>err.txt
wait_exit "$LAST_PID" 20
[ "$EXIT_CODE" = 1 ] || fail "garbage.avi with --seconds: exit code $EXIT_CODE"
grep -q '^zelkplay: box "zelkplay ＡＶＩ確保": .* (answered OK)$' err.txt &&
  grep -q "^zelkplay: AVIVideo $WORK/garbage.avi: " err.txt &&
  grep -q "^zelkplay: cannot play garbage.avi: " err.txt || fail "garbage.avi: $(cat err.txt)"

start "$BIN/plasmademo"
demo=$LAST_PID
wait_window "ZELK SYSTEM" >/dev/null || fail "no plasmademo window"
code=0
"$P" tone.wav --seconds 1 2>err.txt || code=$?
[ "$code" = 1 ] && [ "$(cat err.txt)" = "zelkplay: a demo program is running, and only one runs at a time" ] ||
  fail "beside a demo: exit code $code, $(cat err.txt)"
kill "$demo"
echo PASS
