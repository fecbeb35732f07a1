#!/usr/bin/env bash
# The block the library receives: one archive has no base name; a stray text
# file is a record like any archive; "\lzh" and the upper-case settings path
# reach the same folder and file.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
unset DISPLAY WAYLAND_DISPLAY
use_fake_library
export FAKE_QARCH_DUMP=$WORK/block.txt
settings "TitleName=T" "ToDefDirName=Game"
archive full.lzh game.lzh
run_unfold
grep -qx 'archiveCount=1' "$FAKE_QARCH_DUMP" || fail "count: $(cat "$FAKE_QARCH_DUMP")"
grep -qx 'record0=game.lzh||0.00' "$FAKE_QARCH_DUMP" || fail "record: $(cat "$FAKE_QARCH_DUMP")"
grep -qx "destDir=$DRIVE/Game" "$FAKE_QARCH_DUMP" || fail "destination: $(cat "$FAKE_QARCH_DUMP")"
grep -qx 'needsMissing=1' "$FAKE_QARCH_DUMP" || fail "needs"

mv "$CD/LZH" "$CD/lzh"
echo "read me" >"$CD/lzh/readme.txt"
mv "$CD/ini" "$CD/INI"
mv "$CD/INI/q_unfold.ini" "$CD/INI/Q_UNFOLD.INI"
run_unfold
grep -qx 'archiveCount=2' "$FAKE_QARCH_DUMP" || fail "count: $(cat "$FAKE_QARCH_DUMP")"
grep -qx 'record1=readme.txt|readme|0.00' "$FAKE_QARCH_DUMP" || fail "stray file: $(cat "$FAKE_QARCH_DUMP")"
grep -qx "archiveDir=$CD/lzh" "$FAKE_QARCH_DUMP" || fail "folder: $(cat "$FAKE_QARCH_DUMP")"
[ "$(ls "$CD/INI")" = "Q_UNFOLD.INI" ] || fail "settings files: $(ls "$CD/INI")"
iconv -f CP932 -t UTF-8 "$CD/INI/Q_UNFOLD.INI" | tr -d '\r' | grep -qx 'needMByte1=0.00' ||
  fail "needs of the stray file not saved"

# The real library skips the stray file and finishes.
cp "$BIN/libq_arch32.so" "$CD/"
rm -r "$CD/INI"
mkdir "$CD/ini"
settings "ToDefDirName=Game"
run_unfold
expect_boxes "|解凍が終了しました。|8256"
[ -f "$DRIVE/Game/data/pattern.bin" ] || fail "not expanded"
echo PASS
