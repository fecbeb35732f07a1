#!/usr/bin/env bash
# An effect program whose pictures are missing shows the loader's message
# (full path as caption), then keeps a black window that closes as usual with
# exit code 0. plasmademo's box is a real one, answered with Return.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1024x768

# black_and_closable PROGRAM BOXES: after BOXES boxes (a close during one is lost) the
# client area is black, a confirmed close ends it with 0.
black_and_closable() {
  local id x y w h
  read -r id x y w h < <(wait_window "ZELK SYSTEM") || fail "$1: no window"
  wait_until 30 answered "$2" || fail "$1: $2 boxes not answered"
  shot "$ARTIFACTS/$1.png" "$x" "$y" 640 480
  [ "$(png_uniform "$ARTIFACTS/$1.png")" = 000000 ] || fail "$1: the window is not black"
  close_window "ZELK SYSTEM"
}

# Logged boxes: every missing picture is reported, then the close question.
declare -A missing=(
  [lensdemo]="pelia.mag pelia.mag"
  [spindemo]="kaiten.mag"
  [ripdemo]="waters.mag waters.mag"
)
declare -A present=([lensdemo]="" [spindemo]="red.mag" [ripdemo]="water.mag")
for p in lensdemo spindemo ripdemo; do
  dir=$WORK/$p
  mkdir -p "$dir"
  cp "$BIN/$p" "$dir/"
  if [ -n "${present[$p]}" ]; then
    "$ZELK_TEST_DIR/effect_pictures" "$dir" ${present[$p]} || fail "$p: pictures not written"
  fi
  export ZELK_MSGBOX_LOG=$ARTIFACTS/$p.jsonl ZELK_MSGBOX_ANSWERS=ok
  start "$dir/$p"
  pid=$LAST_PID
  black_and_closable "$p" "$(wc -w <<<"${missing[$p]}")"
  wait_exit "$pid" 30
  [ "$EXIT_CODE" = 0 ] || fail "$p: exit code $EXIT_CODE"
  expected=""
  for name in ${missing[$p]}; do
    expected+="{\"answer\":1,\"caption\":\"$dir/$name\",\"style\":16,\"text\":\"Error: Can't file open.\"}"$'\n'
  done
  expected+='{"answer":1,"caption":"ZELK SYSTEM","style":33,"text":"ZELK SYSTEMを終了します。よろしいですか？"}'
  [ "$(cat "$ZELK_MSGBOX_LOG")" = "$expected" ] || fail "$p: boxes: $(cat "$ZELK_MSGBOX_LOG")"
done

# A real box, on screen until answered.
unset ZELK_MSGBOX_ANSWERS
export ZELK_MSGBOX_LOG=$ARTIFACTS/plasmademo.jsonl
dir=$WORK/plasmademo
mkdir -p "$dir"
cp "$BIN/plasmademo" "$dir/"
start "$dir/plasmademo"
pid=$LAST_PID
box=$(box_id "$dir/red.mag") || fail "plasmademo: no message about red.mag"
sleep 0.3
shot "$ARTIFACTS/plasmademo-box.png"
press_key "$box" Return
black_and_closable plasmademo 1
box=$(box_id "ZELK SYSTEM") || fail "plasmademo: no close question"
sleep 0.3
press_key "$box" Return
wait_exit "$pid" 30
[ "$EXIT_CODE" = 0 ] || fail "plasmademo: exit code $EXIT_CODE"
echo PASS
