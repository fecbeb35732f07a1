#!/usr/bin/env bash
# A whole installation from archives made by jlha: the files arrive byte for
# byte (Japanese names included), the finished message comes, the installed
# program (ExeName is a command line: program, then arguments) starts in its
# own folder, and the measured needs are saved once.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
start_xvfb
settings "TitleName=ゼルク" "ToDefDirName=Zelk\\Game" "ExeName=bin\\start.sh --flag \"two words\""
archive full.lzh
archive lv0.lzh
archive lv1lh6.lzh
export ZELK_TEST_MARKER=$WORK/started
run_unfold
expect_boxes "ゼルク|解凍が終了しました。|8256"
diff -r "$FIXTURES/content" "$DRIVE/Zelk/Game" >"$ARTIFACTS/diff.txt" || fail "files differ"
wait_file "$ZELK_TEST_MARKER"
[ "$(cat "$ZELK_TEST_MARKER")" = "$DRIVE/Zelk/Game/bin" ] || fail "started in $(cat "$ZELK_TEST_MARKER")"
settings_text >"$ARTIFACTS/settings.txt"
grep -qx 'maxFileCountInLzh=5' "$ARTIFACTS/settings.txt" || fail "no maxFileCountInLzh"
for i in 0 1 2; do
  grep -qx "needMByte$i=0.02" "$ARTIFACTS/settings.txt" || fail "no needMByte$i"
done

# The second run reads the needs and writes nothing.
cp "$CD/ini/q_unfold.ini" "$WORK/before.ini"
rm -f "$ZELK_TEST_MARKER"
run_unfold
cmp -s "$WORK/before.ini" "$CD/ini/q_unfold.ini" || fail "settings written again"
wait_file "$ZELK_TEST_MARKER"

# Without ExeName the desktop's file manager opens the destination.
mkdir -p "$WORK/fakebin"
printf '#!/bin/sh\nprintf "%%s" "$1" > "%s"\n' "$WORK/opened" >"$WORK/fakebin/xdg-open"
chmod +x "$WORK/fakebin/xdg-open"
settings "TitleName=ゼルク" "ToDefDirName=Zelk\\Game"
PATH=$WORK/fakebin:$PATH run_unfold
wait_file "$WORK/opened"
[ "$(cat "$WORK/opened")" = "$DRIVE/Zelk/Game/" ] || fail "opened $(cat "$WORK/opened")"
echo PASS
