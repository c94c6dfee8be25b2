# Shell helpers for running the demonstration program under a virtual X server; sourced by
# scripts/run and the end-to-end test.

wait_for() {  # wait_for SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds or time is up
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

XVFB_NUMBER_FILE=""
xvfb_answered() { [ -s "$XVFB_NUMBER_FILE" ] || ! kill -0 "$XVFB_PID" 2>/dev/null; }

# start_xvfb LOG: starts Xvfb and sets DISPLAY and XVFB_PID. Xvfb itself picks a display that
# nobody listens on (also servers of other file systems that share the abstract socket names) and
# writes its number once it accepts connections.
start_xvfb() {
  local number
  XVFB_NUMBER_FILE=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -br 3>"$XVFB_NUMBER_FILE" >"$1" 2>&1 &
  XVFB_PID=$!
  wait_for 10 xvfb_answered || true
  number=$(tr -dc 0-9 <"$XVFB_NUMBER_FILE")
  rm -f "$XVFB_NUMBER_FILE"
  if [ -z "$number" ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
    kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
    return 1
  fi
  export DISPLAY=":$number"
}

# program_window PID TITLE: the visible window of that process whose title matches, or nothing.
program_window() { xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -1 || true; }
