# Sourced by the end-to-end tests. Gives each test its own Xvfb, runtime folder
# (so the single-instance lock of one test never meets another's) and artifact
# folder, and cleans up whatever the test started.
set -euo pipefail

BIN=${ZELK_BIN_DIR:?run through ctest}
XTOOL=${ZELK_TEST_DIR:?run through ctest}/xtool
TEST_NAME=${TEST_NAME:-$(basename "$0" .sh)}
ARTIFACTS=$(dirname "$BIN")/e2e-artifacts/$TEST_NAME
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"
WORK=$(mktemp -d)
export XDG_RUNTIME_DIR=$WORK/run
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
unset ZELK_MSGBOX_ANSWERS ZELK_MSGBOX_LOG ZELK_TRACE
export ZELK_SCALE=1 # windows at 640×480 unless a test asks for more
XVFB_PID=
STARTED_PIDS=()

cleanup() {
  for p in "${STARTED_PIDS[@]:-}"; do
    [ -n "$p" ] && kill -9 "$p" 2>/dev/null || true
  done
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# start_xvfb [WIDTHxHEIGHT]: a private X server; sets DISPLAY.
start_xvfb() {
  local size=${1:-1024x768}
  local fifo=$WORK/displayfd
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local n
  read -r -t 20 n <"$fifo" || fail "Xvfb did not start"
  export DISPLAY=:$n
}

# start PROGRAM [ARGS…]: runs a program in the background; its pid is in $LAST_PID.
start() {
  "$@" &
  LAST_PID=$!
  STARTED_PIDS+=("$LAST_PID")
}

# wait_exit PID SECONDS: waits for a process started with `start`; sets
# EXIT_CODE to its exit code, or to "timeout" (and kills it) when it runs
# longer. Call it directly, not inside $(...), so the process is our child.
wait_exit() {
  local pid=$1 limit=$2 waited=0
  while kill -0 "$pid" 2>/dev/null && [ -z "$(ps -o stat= -p "$pid" | grep Z)" ]; do
    sleep 0.1
    waited=$((waited + 1))
    if [ $waited -ge $((limit * 10)) ]; then
      kill -9 "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      EXIT_CODE=timeout
      return 0
    fi
  done
  EXIT_CODE=0
  wait "$pid" || EXIT_CODE=$?
}

# wait_until SECONDS COMMAND…: runs COMMAND every 0.1 s until it succeeds;
# returns 1 when it has not within SECONDS (a limit for slow machines).
wait_until() { local end=$((SECONDS + $1)); until "${@:2}"; do [ $SECONDS -lt $end ] && sleep 0.1 || return 1; done; }

# more_frames N: waits until the program tracing into $ZELK_TRACE has shown N
# more pictures than now (at most 30 s).
frames() { cat "$ZELK_TRACE" 2>/dev/null | grep -c '"event":"frame"'; }
more_frames() { wait_until 30 eval "[ \"\$(frames)\" -ge $(($(frames) + $1)) ]"; }

# answered N: the program has answered N message boxes ($ZELK_MSGBOX_LOG).
answered() { [ "$(cat "$ZELK_MSGBOX_LOG" 2>/dev/null | wc -l)" -ge "$1" ]; }
# focused ID: window ID has the keyboard focus.
focused() { [ "$(xdotool getwindowfocus)" = "$1" ]; }

# wait_window TITLE [SECONDS]: prints "id x y w h" of the newest window so titled.
wait_window() { "$XTOOL" wait-window "$1" "${2:-30}"; }
window_count() { "$XTOOL" count "$1"; }
close_window() { "$XTOOL" close "$1"; }
# shot OUT.png [X Y W H]
shot() { "$XTOOL" shot "$@"; }
# box_id TITLE [SECONDS]: id of a message box with that caption (any window so
# titled that is neither a whole multiple of 640×480 nor full screen).
box_id() { "$XTOOL" wait-box "$1" "${2:-30}"; }
press_key() { "$XTOOL" key "$1" "$2"; }
# is_uniform PNG: prints the colour when every pixel has it, else "mixed".
png_uniform() { "$XTOOL" uniform "$1"; }
# geometry ID: prints "x y w h" of a window.
geometry() { "$XTOOL" geometry "$1"; }
# ocr PNG: the Japanese (and Latin) text tesseract reads in a picture, with
# all white space taken out (it puts spaces between Japanese characters).
# tesseract misreads text of 12 pixels here and there, differently at each
# size and page layout, so the picture is read as it is and enlarged two and
# three times as one block of text, and enlarged twice as scattered words; the
# readings are joined by "|".
ocr() {
  local read z psm
  for read in 1:6 2:6 3:6 2:11; do
    z=${read%:*} psm=${read#*:}
    "$XTOOL" zoom "$1" "$WORK/ocr.png" "$z" || fail "cannot enlarge $1"
    tesseract "$WORK/ocr.png" stdout -l jpn+eng --psm "$psm" 2>/dev/null | tr -d ' \t\n'
    echo -n "|"
  done
}
# shows_text PNG X Y W H WORD…: OCR of that part of the screen, kept as PNG,
# finds every word (what it missed goes to PNG.txt).
shows_text() {
  local text w
  shot "$1" "$2" "$3" "$4" "$5" && text=$(ocr "$1")
  for w in "${@:6}"; do
    [[ $text == *"$w"* ]] || { echo "no \"$w\" in what OCR reads: $text" >"$1.txt" && return 1; }
  done
}
# expect_text PNG X Y W H WORD…: the same, looking again while a box just
# shown may not be drawn yet (at most 60 s).
expect_text() { wait_until 60 shows_text "$@" || fail "$(basename "$1"): $(cat "$1.txt")"; }
# no_children PID: the process runs no helper process of its own.
no_children() { [ -z "$(ps -o pid= --ppid "$1")" ] || fail "$1 has child processes: $(ps -o pid,comm --ppid "$1")"; }
