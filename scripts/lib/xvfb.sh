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

xvfb_ready() { xdotool getmouselocation >/dev/null 2>&1 || ! kill -0 "$XVFB_PID" 2>/dev/null; }

start_xvfb() {  # start_xvfb FIRST LOG: starts Xvfb on the first free display from FIRST on; sets DISPLAY and XVFB_PID
  local n
  for n in $(seq "$1" $(($1 + 49))); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    export DISPLAY=":$n"
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp -br >"$2" 2>&1 &
    XVFB_PID=$!
    # A server that another run started on the same display first gives up: try the next one.
    wait_for 10 xvfb_ready && kill -0 "$XVFB_PID" 2>/dev/null && return 0
    kill "$XVFB_PID" 2>/dev/null || true
  done
  return 1
}
