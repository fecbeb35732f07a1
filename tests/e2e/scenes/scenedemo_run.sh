#!/usr/bin/env bash
# scenedemo on the generated data set under a real X server: the screen shows
# a different, non-black picture at 1, 5, 10, 30 and 60 s; the theme plays
# (SDL's disk audio driver captures it); no loader complains; a confirmed close
# ends it with exit code 0.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1024x768

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$ARTIFACTS/audio.raw
export ZELK_MSGBOX_LOG=$ARTIFACTS/boxes.jsonl
start "$BIN/scenedemo"
demo=$LAST_PID
read -r id x y w h < <(wait_window "Vorna! DEMO") || fail "no window"
# Times count from the first picture (the cycle's start, once the theme is open).
for i in $(seq 100); do
  shot "$ARTIFACTS/first.png" "$x" "$y" 640 480
  [ "$(png_uniform "$ARTIFACTS/first.png")" = mixed ] && break
  sleep 0.05
done
t0=$(($(date +%s%N) / 1000000))
for s in 1 5 10 30 60; do
  wait_ms=$((t0 + s * 1000 - $(date +%s%N) / 1000000))
  [ "$wait_ms" -gt 0 ] && sleep "$(printf '%d.%03d' $((wait_ms / 1000)) $((wait_ms % 1000)))"
  shot "$ARTIFACTS/at_${s}s.png" "$x" "$y" 640 480
  [ "$(png_uniform "$ARTIFACTS/at_${s}s.png")" = mixed ] || fail "the screen at ${s} s is one colour"
done
for a in 1 5 10 30 60; do
  for b in 1 5 10 30 60; do
    [ "$a" -lt "$b" ] || continue
    [ "$("$XTOOL" diff "$ARTIFACTS/at_${a}s.png" "$ARTIFACTS/at_${b}s.png")" -gt 10000 ] ||
      fail "the screens at ${a} s and ${b} s are alike"
  done
done
[ ! -s "$ZELK_MSGBOX_LOG" ] || fail "message boxes: $(cat "$ZELK_MSGBOX_LOG")"

close_window "Vorna! DEMO"
box=$(box_id "Vorna! DEMO") || fail "no close question"
press_key "$box" Return
wait_exit "$demo" 10
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"

# The captured sound is not silence: some 16-bit sample well away from zero.
[ -s "$ARTIFACTS/audio.raw" ] || fail "no audio captured"
loud=$(head -c 4000000 "$ARTIFACTS/audio.raw" | od -An -v -t d2 -w2 | awk '$1 > 2000 || $1 < -2000 { n++ } END { print n + 0 }')
[ "$loud" -gt 1000 ] || fail "the theme is silent ($loud loud samples)"
echo PASS
