#!/usr/bin/env bash
# scenedemo on the generated data set under a real X server shows, within the
# stretch of the cycle in which each stands still, exactly the picture that
# the headless renderer draws for that moment: the held picture, the title,
# the faded-in figure, the first portrait and Orine. The theme plays (SDL's
# disk audio driver captures it); no loader complains; a confirmed close ends
# it with exit code 0.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
start_xvfb 1024x768

# moment (cycle ms) → when to start looking and for how long: each picture
# stands still from a little before the start until after the end (the held
# picture from 800 ms to 2000 ms, the title from 4600 ms to 7000 ms).
moments=(1200:800:1200 5500:4600:2400 13000:12600:600 18000:15500:8000 64000:62000:4500)
ats=$(printf '%s\n' "${moments[@]}" | cut -d: -f1 | paste -sd,)
"$BIN/zelkrender" --cycle --at "$ats" --out "$WORK/expected" scenedemo >/dev/null ||
  fail "zelkrender did not draw the moments"

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$ARTIFACTS/audio.raw
export ZELK_MSGBOX_LOG=$ARTIFACTS/boxes.jsonl ZELK_TRACE=$WORK/trace
start "$BIN/scenedemo"
demo=$LAST_PID
read -r id x y w h < <(wait_window "Vorna! DEMO") || fail "no window"
# Times count from the cycle's start on the program's own clock, from its trace.
wait_until 30 grep -qs '"event":"cycle"' "$ZELK_TRACE" || fail "no cycle started"
cycle=$(grep -m1 '"event":"cycle"' "$ZELK_TRACE" | sed 's/.*"tick":\([0-9]*\).*/\1/')
for m in "${moments[@]}"; do
  IFS=: read -r at from within <<<"$m"
  png=$(ls "$WORK/expected"/*"$at"*.png | head -1)
  cp "$png" "$ARTIFACTS/expected_$at.png"
  if ! differing=$("$XTOOL" wait-picture "$png" "$x" "$y" $((cycle + from)) $((cycle + from + within))); then
    shot "$ARTIFACTS/at_$at.png" "$x" "$y" 640 480
    fail "the screen never showed the picture of $at ms between $from and $((from + within)) ms ($differing pixels differ at the end)"
  fi
done
[ ! -s "$ZELK_MSGBOX_LOG" ] || fail "message boxes: $(cat "$ZELK_MSGBOX_LOG")"

close_window "Vorna! DEMO"
box=$(box_id "Vorna! DEMO") || fail "no close question"
press_key "$box" Return
wait_exit "$demo" 30
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"

# The captured sound is not silence: some 16-bit sample well away from zero.
[ -s "$ARTIFACTS/audio.raw" ] || fail "no audio captured"
loud=$(head -c 4000000 "$ARTIFACTS/audio.raw" | od -An -v -t d2 -w2 | awk '$1 > 2000 || $1 < -2000 { n++ } END { print n + 0 }')
[ "$loud" -gt 1000 ] || fail "the theme is silent ($loud loud samples)"
echo PASS
