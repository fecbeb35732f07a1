#!/usr/bin/env bash
# The zelkrender binary as people run it: help without type names, its default data folder beside
# itself whatever the working folder, what it tells when done, a progress bar
# on terminals only, and refused command lines that exit with 2, say what is
# wrong and write nothing. Needs no display.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
R=$BIN/zelkrender
cd "$WORK"

"$R" --help >"$WORK/help.txt" || fail "--help exit code $?"
for p in scenedemo lensdemo spindemo ripdemo plasmademo; do
  grep -q "$p" "$WORK/help.txt" || fail "--help does not name $p"
done
! grep -E '\b(U?INT|FLOAT|REQUIRED)\b|^  [a-z]+ TEXT|\[[0-9]+ - [0-9]+\]|:\{' "$WORK/help.txt" ||
  fail "--help shows type names (above)"

# The data beside the binary, from another working folder.
"$R" plasmademo --frames 2 --out "$WORK/frames" 2>"$WORK/err.txt" || fail "frames: $(cat "$WORK/err.txt")"
[ "$(ls "$WORK/frames")" = "$(printf 'plasmademo_frame00000.png\nplasmademo_frame00001.png')" ] ||
  fail "frames: $(ls "$WORK/frames")"
[ "$(cat "$WORK/err.txt")" = "zelkrender: wrote 2 frames to $WORK/frames" ] ||
  fail "frames: $(cat "$WORK/err.txt")"

# One picture is one, and when the first cycle started is told only on request.
"$R" scenedemo --at 100 --out "$WORK/one" 2>"$WORK/err.txt" || fail "one: $(cat "$WORK/err.txt")"
[ "$(cat "$WORK/err.txt")" = "zelkrender: wrote 1 picture to $WORK/one" ] ||
  fail "one: $(cat "$WORK/err.txt")"
"$R" scenedemo --at 100 --out "$WORK/one" --verbose 2>"$WORK/err.txt" ||
  fail "verbose: $(cat "$WORK/err.txt")"
grep -q "^zelkrender: the first cycle started [0-9]* ms after the program's start$" "$WORK/err.txt" ||
  fail "verbose: $(cat "$WORK/err.txt")"

# A copy of the binary in a folder without pictures looks for them there.
mkdir "$WORK/alone"
cp "$R" "$WORK/alone/"
code=0
"$WORK/alone/zelkrender" plasmademo --frames 1 --to 500 --out "$WORK/none" 2>"$WORK/err.txt" || code=$?
[ "$code" = 1 ] || fail "no pictures: exit code $code"
grep -q "message box \"$WORK/alone/red.mag\"" "$WORK/err.txt" || fail "no pictures: $(cat "$WORK/err.txt")"

# The progress bar shows on a terminal and ends at 100 %; in a pipe it stays away.
script -qec "'$R' ripdemo --video '$WORK/r.webm' --to 400 --fps 10" /dev/null >"$WORK/tty.txt" ||
  fail "video on a terminal: $(cat "$WORK/tty.txt")"
grep -q "r.webm \[#*\] 100%  4/4 frames" "$WORK/tty.txt" || fail "no progress bar: $(cat "$WORK/tty.txt")"
"$R" ripdemo --video "$WORK/p.webm" --to 400 --fps 10 2>"$WORK/pipe.txt"
! grep -q "#" "$WORK/pipe.txt" || fail "progress bar in a pipe: $(cat "$WORK/pipe.txt")"
[ -s "$WORK/p.webm" ] || fail "no video"

# Refused command lines.
refused() {
  local want=$1
  shift
  code=0
  "$R" "$@" >/dev/null 2>"$WORK/err.txt" || code=$?
  [ "$code" = 2 ] || fail "$*: exit code $code"
  grep -q -- "$want" "$WORK/err.txt" || fail "$*: wanted '$want' in: $(cat "$WORK/err.txt")"
}
refused "required" --at 1 --out "$WORK/bad"
refused "say what to render" scenedemo --out "$WORK/bad"
refused "--fps" plasmademo --video "$WORK/bad.mp4" --fps 0
refused "^zelkrender: --at: not a time in ms: abc$" scenedemo --at abc --out "$WORK/bad"
refused "^zelkrender: --at: not a time in ms: -5$" scenedemo --at 10,-5 --out "$WORK/bad"
refused "^zelkrender: --to: time 2000000000000 ms is past the latest" scenedemo --every 5 --to 2000000000000 --out "$WORK/bad"
refused "^zelkrender: unknown option --frob (options: --help, --version, --at, .*, --verbose, .*--data)$" scenedemo --frob 3
refused "^zelkrender: unknown program \"scenedmeo\"" scenedmeo --at 1 --out "$WORK/bad"
[ ! -e "$WORK/bad" ] && [ ! -e "$WORK/bad.mp4" ] || fail "a refused command wrote something"
echo PASS
