#!/usr/bin/env bash
# Hostile and damaged archives: nothing lands outside the destination, no link
# leads out of it, every refusal is reported, the run is not reported as
# finished, the program named by a refused link is not started, and no partly
# written or damaged file stays.
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
echo PASS
