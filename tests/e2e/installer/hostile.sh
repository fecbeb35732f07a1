#!/usr/bin/env bash
# Hostile and damaged archives: nothing lands outside the destination, every
# refusal is reported, the run is not reported as finished, and no partly
# written or damaged file stays.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
unset DISPLAY WAYLAND_DISPLAY
"$ZELK_TEST_DIR/forge_archives" "$CD/LZH" || fail "forge"
mkdir -p "$DRIVE/inner/outer"
settings "TitleName=T" "ToDefDirName=inner\\outer\\dest"
export ZELK_TEST_MARKER=$WORK/started
run_unfold
boxes >"$ARTIFACTS/boxes.txt"
[ "$(wc -l <"$ARTIFACTS/boxes.txt")" = 1 ] || fail "boxes: $(cat "$ARTIFACTS/boxes.txt")"
report=$(cat "$ARTIFACTS/boxes.txt")
for name in "escaped.txt" "zelk-escaped.txt" "out" "crc.txt" "huge.bin" "cut.lzh"; do
  [[ $report == *"$name"* ]] || fail "$name not reported: $report"
done
[[ $report == *"|8208" ]] || fail "not an error box: $report"
(cd "$DRIVE" && find . | sort) >"$ARTIFACTS/tree.txt"
expected=$(printf '%s\n' . ./inner ./inner/outer ./inner/outer/dest ./inner/outer/dest/ok.txt \
  ./inner/outer/dest/out ./inner/outer/dest/out/planted.txt)
[ "$(cat "$ARTIFACTS/tree.txt")" = "$expected" ] || fail "files: $(cat "$ARTIFACTS/tree.txt")"
[ ! -e /tmp/zelk-escaped.txt ] || fail "absolute path written"
settings_text | grep -qx 'needMByte2=0.00' || fail "conditions not saved"
echo PASS
