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

start_xvfb() {  # start_xvfb LOG: starts Xvfb on a display it picks itself; sets DISPLAY and XVFB_PID
  local numberFile
  numberFile=$(mktemp)
  # Xvfb chooses a free display and writes its number once it accepts connections, so runs side by
  # side never race for one.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -br 3>"$numberFile" >"$1" 2>&1 &
  XVFB_PID=$!
  if ! wait_for 10 test -s "$numberFile"; then
    rm -f "$numberFile"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$numberFile")"
  rm -f "$numberFile"
  wait_for 10 xdotool getmouselocation >/dev/null 2>&1
}
