#!/usr/bin/env bash
# Cancelling the expansion: the abandoned message, nothing started, no partly
# written file, and the conditions saved all the same.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
unset DISPLAY WAYLAND_DISPLAY
settings "TitleName=T" "ToDefDirName=Game" "ExeName=bin\\start.sh"
archive stored.lzh
export ZELK_TEST_MARKER=$WORK/started
ZELK_QARCH_CANCEL_AFTER=5000 run_unfold
expect_boxes "T|解凍を中止しました。|8256"
[ -f "$DRIVE/Game/readme.txt" ] || fail "first member missing"
[ ! -e "$DRIVE/Game/data/pattern.bin" ] || fail "cancelled member left behind"
[ -z "$(find "$DRIVE" -name '*.tmp')" ] || fail "temporary file left behind"
sleep 0.5
[ ! -e "$ZELK_TEST_MARKER" ] || fail "program started after cancel"
settings_text | grep -qx 'needMByte0=0.02' || fail "conditions not saved"
echo PASS
