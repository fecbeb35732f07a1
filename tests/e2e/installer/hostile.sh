#!/usr/bin/env bash
# Hostile and damaged archives: nothing lands outside the destination, no link
# leads out of it, every refusal is reported, the run is not reported as
# finished, the program named by a refused link is not started, and no partly
# written or damaged file stays; a report of many long names fits the screen.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
unset DISPLAY WAYLAND_DISPLAY
"$ZELK_TEST_DIR/forge_archives" "$CD/LZH" || fail "forge"
mkdir -p "$DRIVE/inner/outer"
printf '#!/bin/sh\ntouch "%s"\n' "$WORK/evil-ran" >"$DRIVE/inner/evil.sh"
chmod +x "$DRIVE/inner/evil.sh"
settings "TitleName=T" "ToDefDirName=inner\\outer\\dest" "ExeName=runit"
run_unfold
boxes >"$ARTIFACTS/boxes.txt"
[ "$(wc -l <"$ARTIFACTS/boxes.txt")" = 1 ] || fail "boxes: $(cat "$ARTIFACTS/boxes.txt")"
report=$(cat "$ARTIFACTS/boxes.txt")
for name in "escaped.txt" "/tmp/zelk-escaped.txt" "out" "link2" "runit" "crc.txt" "huge.bin" "cut.lzh"; do
  [[ $report == *"$name"* ]] || fail "$name not reported: $report"
done
[[ $report == *"|8208" ]] || fail "not an error box: $report"
(cd "$DRIVE" && find . | sort) >"$ARTIFACTS/tree.txt"
expected=$(printf '%s\n' . ./inner ./inner/evil.sh ./inner/outer ./inner/outer/dest \
  ./inner/outer/dest/link1 ./inner/outer/dest/ok.txt ./inner/outer/dest/out \
  ./inner/outer/dest/out/planted.txt)
[ "$(cat "$ARTIFACTS/tree.txt")" = "$expected" ] || fail "files: $(cat "$ARTIFACTS/tree.txt")"
[ "$(readlink -f "$DRIVE/inner/outer/dest/link1")" = "$DRIVE/inner/outer/dest" ] || fail "link1"
[ ! -e /tmp/zelk-escaped.txt ] || fail "absolute path written"
sleep 0.5
[ ! -e "$WORK/evil-ran" ] || fail "a program outside the destination was started"
settings_text | grep -qx 'needMByte3=0.00' || fail "conditions not saved"

# Forty refused members with names of 3,000 characters: the report box (not
# the progress window, of the same caption) fits a 640×480 screen, with the
# names cut and the rest counted; standard error has them whole.
rm "$CD"/LZH/*
"$ZELK_TEST_DIR/forge_archives" "$CD/LZH" long || fail "forge"
start_xvfb 640x480
start bash -c 'cd "$0" && exec ./q_unfold 2>"$1"' "$CD" "$ARTIFACTS/long-stderr.txt"
until box=$(box_id T 1) && read -r bx by bw bh < <(geometry "$box" 2>/dev/null) &&
  [ "$bw $bh" != "440 190" ]; do
  kill -0 "$LAST_PID" 2>/dev/null || fail "no report box: $(tail -3 "$ARTIFACTS/long-stderr.txt")"
done
[ $((bx + bw)) -le 640 ] && [ $((by + bh)) -le 480 ] || fail "the box ($bx,$by ${bw}x$bh) leaves the screen"
expect_text "$ARTIFACTS/long-end.png" "$bx" $((by + bh - 70)) "$bw" 70 "ほか30件"
grep -q 'z\{3000\}' "$ARTIFACTS/long-stderr.txt" || fail "names not whole on standard error"
press_key "$box" Return
echo PASS
