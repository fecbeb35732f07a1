#!/usr/bin/env bash
# Two installers at once: while the first is inside its expansion (here held
# by the library's real free-space question on screen), the second finds the
# library in use and stops with "Version Error"; the first then goes on.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
start_xvfb
# Needs far beyond any disc, so the library asks before expanding.
settings "TitleName=一台目" "ToDefDirName=Game" "needMByte0=1000000000"
archive small.lzh
cd "$CD"
start env -u ZELK_MSGBOX_ANSWERS ZELK_MSGBOX_LOG="$WORK/first.jsonl" ./q_unfold
first=$LAST_PID
box=$(box_id "一台目" 15) || fail "the first installer asked nothing"
sleep 0.5
shot "$ARTIFACTS/question.png"

run_unfold
expect_boxes '一台目|UNLHA32.DLLがほかのアプリケーションで使\rわれています。処理が終了するまでお待ちく\rださい。|8240' \
  "一台目|Version Error|8208"

# Return takes the default button (Cancel): the first installer reports it.
press_key "$box" Return
while geometry "$box" >/dev/null 2>&1; do sleep 0.05; done  # the question gone
box=$(box_id "一台目" 15) || fail "no result box"
sleep 0.3
press_key "$box" Return
wait_exit "$first" 30
[ "$EXIT_CODE" = 0 ] || fail "first installer: $EXIT_CODE"
grep -q '"text":"解凍を中止しました。"' "$WORK/first.jsonl" || fail "first: $(cat "$WORK/first.jsonl")"
[ ! -e "$DRIVE/Game" ] || fail "expanded after Cancel"

# Now the library is free again.
settings "TitleName=一台目" "ToDefDirName=Game"
run_unfold
expect_boxes "一台目|解凍が終了しました。|8256"
echo PASS
