#!/usr/bin/env bash
# Starts Project1 under Xvfb with a fresh home directory, clicks, types, drags and signals it
# through the X server, and checks the file x.txt, the window's pictures and the error display;
# then once more under a window manager (twm), and once to be stopped by Ctrl+C.
#   end_to_end.sh PROGRAM [ARTIFACT_DIR]   (ARTIFACT_DIR receives the screenshots)
#
# Every wait is bounded and every X client runs under a time limit, so the test never waits on
# something that cannot come: a step that runs out of time names what it waited for and shows the
# logs. The bounds grow for a sanitizer build, which starts and draws several times slower, and
# the whole run stops itself (with the same report) before the test runner's limit.
set -Eeuo pipefail
PROGRAM=$(readlink -f "$1")
ARTIFACTS=${2:-}
for tool in Xvfb xdotool xwininfo import convert compare perl twm xclip; do
  command -v "$tool" >/dev/null || { echo "end_to_end: $tool is missing (scripts/setup installs it)"; exit 1; }
done
SCALE=1
if grep -qa __asan_init "$PROGRAM"; then SCALE=3; fi
LIMIT=${ZU_END_TO_END_LIMIT:-280}

WORK=$(mktemp -d)
XVFB_PID=""
APP_PID=""
WM_PID=""
# Ends a process of ours: asked first, then killed; never waited on for long.
stop() {
  local pid=$1 i
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for ((i = 0; i < 50 * SCALE; i++)); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}
cleanup() {
  trap - ERR
  stop "$APP_PID"
  stop "$WM_PID"
  stop "$XVFB_PID"
  [ -n "${WATCHDOG_PID:-}" ] && kill "$WATCHDOG_PID" 2>/dev/null
  chmod -R u+w "$WORK" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

STARTED=$SECONDS
failures=0
step() { echo "---- [$((SECONDS - STARTED)) s] $*"; }
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
show_logs() {
  for log in "$WORK/xvfb.log" "$WORK/wm.log" "$WORK/program.log"; do
    if [ -s "$log" ]; then
      echo "--- $(basename "$log")"
      tail -n 40 "$log"
    fi
  done
}
fatal() {
  trap - ERR
  echo "FAIL $1 (after $((SECONDS - STARTED)) s)"
  show_logs
  exit 1
}
# A step that fails outside a check ends the test with its line and the logs, never silently.
trap 'fatal "line $LINENO: $BASH_COMMAND (status $?)"' ERR
# The whole run has a limit of its own, below the test runner's.
trap 'fatal "the test ran over its limit of $LIMIT s"' USR1
# Background processes never hold the test's output open, or the test runner would wait for them.
(
  trap 'kill "$timer" 2>/dev/null; exit 0' TERM
  sleep "$LIMIT" &
  timer=$!
  wait "$timer" && kill -USR1 $$
) >/dev/null 2>&1 &
WATCHDOG_PID=$!

source "$(dirname "$(readlink -f "$0")")/../../scripts/lib/xvfb.sh"
# await SECONDS WHAT COMMAND...: waits (the bound scaled for the build) or ends the test saying
# what did not come.
LAST_GEOMETRY=""
await() {
  local seconds=$(($1 * SCALE)) what=$2
  shift 2
  LAST_GEOMETRY=""
  wait_for "$seconds" "$@" || fatal "timed out after $seconds s waiting for $what${LAST_GEOMETRY:+ (the window is at $LAST_GEOMETRY)}"
}
# X clients with a time limit: none of them may block the test.
X() { timeout $((10 * SCALE)) "$@"; }
xdo() { X xdotool "$@"; }

step "starting Xvfb"
start_xvfb "$WORK/xvfb.log" || fatal "Xvfb did not start (waited 10 s for its display number)"

export HOME="$WORK/home"
mkdir -p "$HOME"
OUT="$HOME/x.txt"
unset ZU_BACKEND
# start_program: runs the program with SIGINT at its default (a background job of a script
# would otherwise ignore it) and waits for its form.
start_program() {
  env --default-signal=INT "$PROGRAM" >>"$WORK/program.log" 2>&1 &
  APP_PID=$!
  await 30 "the form's window to appear" found_window WINDOW '^XML serializer demo$'
}
# A window is taken by the search that finds it: a search of the window tree can come back empty
# now and then while the program makes or drops windows of its own.
find_window() { X xdotool search --all --onlyvisible --pid "$APP_PID" --name "$1" 2>/dev/null | head -1 || true; }
found_window() {  # found_window VARIABLE TITLE
  local id
  id=$(find_window "$2")
  [ -n "$id" ] && printf -v "$1" %s "$id"
}
# A window is gone when two searches a moment apart do not find it.
no_window() { [ -z "$(find_window "$1")" ] && sleep 0.2 && [ -z "$(find_window "$1")" ]; }
gone() { ! kill -0 "$APP_PID" 2>/dev/null; }
# The exit status of the program once it ended (within the bound), or the test ends.
ended_with() {  # ended_with STATUS WHAT
  local status=0
  await 15 "the program to end after $2" gone
  wait "$APP_PID" || status=$?
  APP_PID=""
  check "$2 ends the program with exit status $1" test "$status" = "$1"
}

inode() { stat -c %i "$OUT" 2>/dev/null || echo none; }
file_replaced() { [ "$(inode)" != "$1" ]; }
# The form's frame is 4 pixels and its caption bar 19: client points are offset by (4, 23).
click_client() { xdo mousemove --window "$WINDOW" $((4 + $1)) $((23 + $2)) click 1; }
click_and_wait_for_file() {  # click_and_wait_for_file X Y: a click at a client point rewrites x.txt
  local before
  before=$(inode)
  click_client "$1" "$2"
  await 20 "a click at ($1, $2) of the form to rewrite $OUT" file_replaced "$before"
}
shot() {
  [ -n "$WINDOW" ] || fatal "no window to take a picture of"
  X import -window "$WINDOW" "$1" || fatal "no picture of the window could be taken"
}
# The pixels of the label's place left of the edit box (window coordinates).
label_area() { X convert "$1" -crop 40x13+12+39 +repage "$2"; }
# xdotool's geometry of the window: sets X_, Y_, W_ and H_.
geometry() {
  X_="" Y_="" W_="" H_=""
  eval "$(xdo getwindowgeometry --shell "$WINDOW" | sed -n 's/^X=/X_=/p; s/^Y=/Y_=/p; s/^WIDTH=/W_=/p; s/^HEIGHT=/H_=/p')"
}
at_geometry() {  # at_geometry X Y W H
  geometry
  LAST_GEOMETRY="($X_, $Y_) $W_ x $H_"
  [ "$X_ $Y_ $W_ $H_" = "$1 $2 $3 $4" ]
}
field() { perl -0777 -ne "print \$1 if /\\r\\n\\t<$1>(-?\\d+)<\\/$1>\\r\\n/" "$OUT"; }
# A drag with the left button from one screen point to another, in a few steps.
drag() {  # drag X1 Y1 X2 Y2
  local i
  xdo mousemove "$1" "$2"
  sleep 0.2
  xdo mousedown 1
  for i in 1 2 3 4; do
    sleep 0.2
    xdo mousemove $(($1 + ($3 - $1) * i / 4)) $(($2 + ($4 - $2) * i / 4))
  done
  sleep 0.2
  xdo mouseup 1
}

step "first run: clicks, typing, the clipboard, moving and sizing"
start_program
sleep 0.5
shot "$WORK/before.png"
click_and_wait_for_file 300 6
sleep 0.5
shot "$WORK/after.png"
cp "$OUT" "$WORK/first.txt"

check "the document begins with CR LF and <Tddd>" test "$(head -c 8 "$OUT" | od -An -c | tr -s ' ')" = " \r \n < T d d d >"
check "the document ends with </Tddd> and no line break" perl -0777 -ne 'exit !/\r\n<\/Tddd>\z/' "$OUT"
check "Tag, Left, Top, Width and Height come first" perl -0777 -ne \
  'exit !/\A\r\n<Tddd>\r\n\t<Tag>0<\/Tag>\r\n\t<Left>295<\/Left>\r\n\t<Top>231<\/Top>\r\n\t<Width>377<\/Width>\r\n\t<Height>339<\/Height>\r\n/' "$OUT"
check "Font is written as an owned object" perl -0777 -ne \
  'exit !/\r\n\t<Font>\r\n\t\t<Charset>1<\/Charset>\r\n\t\t<Color>-2147483640<\/Color>\r\n\t\t<Height>-11<\/Height>\r\n\t\t<Name>MS Sans Serif<\/Name>\r\n\t\t<Pitch>fpDefault<\/Pitch>\r\n\t\t<Style><\/Style>\r\n\t<\/Font>\r\n/' "$OUT"
check "no event is written" perl -0777 -ne 'exit !!/<On[A-Z]|<BeforeParsing/' "$OUT"
check "no empty object element is written" perl -0777 -ne 'exit !!/<(\w+)>\r\n\t*<\/\1>/' "$OUT"
check "the focused edit box is written inside ActiveControl" perl -0777 -ne \
  'exit !/\r\n\t<ActiveControl>\r\n\t\t<Tag>0<\/Tag>\r\n\t\t<Left>48<\/Left>\r\n\t\t<Top>16<\/Top>\r\n\t\t<Width>121<\/Width>\r\n\t\t<Height>21<\/Height>\r\n.*\t\t<Text>Edit1<\/Text>\r\n.*\t<\/ActiveControl>/s' "$OUT"
check "the label, the edit box and the serializer are no properties" perl -0777 -ne 'exit !!/<(Label1|Edit1|XML)>/' "$OUT"
if command -v xmllint >/dev/null; then
  check "the document is well-formed" xmllint --noout "$OUT"
fi
label_area "$WORK/before.png" "$WORK/label-before.png"
label_area "$WORK/after.png" "$WORK/label-after.png"
check "the label shows something else after the click" \
  test "$(X compare -metric AE "$WORK/label-before.png" "$WORK/label-after.png" null: 2>&1 || true)" != 0

# The label now covers the client area with the DTD: clicks on it write the document as well.
for point in "300 6" "20 40" "200 200" "8 280"; do
  click_and_wait_for_file $point
  check "a click at ($point) writes the same bytes" cmp -s "$OUT" "$WORK/first.txt"
done

step "typing and the clipboard"
# Typing through the X server reaches the focused edit box (its text was selected on entry).
xdo mousemove --window "$WINDOW" 250 250
xdo type --delay 30 "Typed 42"
sleep 0.5
click_and_wait_for_file 250 227
check "the document holds the typed text" perl -0777 -ne 'exit !/\t\t<Text>Typed 42<\/Text>\r\n/' "$OUT"
# Copy the first word with its space, paste it at the end; the system clipboard holds it.
xdo key Home ctrl+shift+Right ctrl+c End ctrl+v
sleep 0.5
click_and_wait_for_file 250 227
check "copy and paste inside the edit box" perl -0777 -ne 'exit !/\t\t<Text>Typed 42Typed <\/Text>\r\n/' "$OUT"
check "the system clipboard holds the copied text" test "$(X xclip -o -selection clipboard 2>/dev/null)" = "Typed "
printf 'from outside' | X xclip -quiet -i -selection clipboard -loops 1 >/dev/null 2>&1 &
sleep 0.5
xdo key End shift+Insert
sleep 0.5
click_and_wait_for_file 250 227
check "text from another program is pasted" perl -0777 -ne 'exit !/\t\t<Text>Typed 42Typed from outside<\/Text>\r\n/' "$OUT"
cp "$OUT" "$WORK/typed.txt"

step "moving and sizing the window"
if [ -n "$ARTIFACTS" ]; then
  # The edit box with a selection, for the README.
  xdo key Home shift+End
  sleep 0.5
  mkdir -p "$ARTIFACTS"
  shot "$ARTIFACTS/demo-selection.png"
  xdo key End
fi
# Dragging the caption moves the window and the next document's Left and Top.
drag 445 241 505 281
await 10 "the window to move to (355, 271) after the caption drag" at_geometry 355 271 377 339
click_and_wait_for_file 250 227
check "the document's Left and Top follow the move" test "$(field Left) $(field Top)" = "355 271"
# Dragging the bottom-right corner sizes it; the new area is painted, the document follows.
drag $((355 + 375)) $((271 + 337)) $((355 + 375 + 80)) $((271 + 337 + 50))
await 10 "the window to grow to 457 x 389 after the corner drag" at_geometry 355 271 457 389
sleep 0.5
shot "$WORK/resized.png"
check "the new area is painted with the form's colour" \
  test "$(X convert "$WORK/resized.png" -crop 1x1+420+360 -format '%[hex:p{0,0}]' info:)" = D4D0C8
check "the frame is drawn at the new corner" \
  test "$(X convert "$WORK/resized.png" -crop 1x1+455+387 -format '%[hex:p{0,0}]' info:)" != D4D0C8
click_and_wait_for_file 250 227
check "the document's Width and Height follow the resize" test "$(field Width) $(field Height)" = "457 389"
if [ -n "$ARTIFACTS" ]; then
  cp "$WORK/before.png" "$ARTIFACTS/demo-before.png"
  cp "$WORK/after.png" "$ARTIFACTS/demo-after.png"
  # The window while its corner is dragged, with the screen around it.
  xdo mousemove $((355 + 455)) $((271 + 387)) mousedown 1 mousemove $((355 + 455 - 60)) $((271 + 387 - 40))
  await 10 "the window to shrink while its corner is dragged" at_geometry 355 271 397 349
  sleep 0.3
  X import -window root -crop 520x440+330+246 +repage "$ARTIFACTS/demo-resizing.png"
  xdo mousemove $((355 + 455)) $((271 + 387)) mouseup 1
  await 10 "the window to take 457 x 389 again" at_geometry 355 271 457 389
fi

step "a write that fails"
# A home directory nobody can write to: the click shows the error and the program goes on.
cp "$OUT" "$WORK/kept.txt"
mv "$HOME" "$WORK/home.saved"
ln -s /proc/self/fdinfo "$HOME"
click_client 250 227
await 20 "a message box for the failed write" found_window BOX '^Project1$'
sleep 0.3
check "the program runs while the error is shown" kill -0 "$APP_PID"
xdo mousemove --window "$BOX" 20 60 key Return
check "the message box closes on Enter" wait_for $((10 * SCALE)) no_window '^Project1$'
rm "$HOME"
mv "$WORK/home.saved" "$HOME"
check "the failed click left the previous file whole" cmp -s "$OUT" "$WORK/kept.txt"
click_and_wait_for_file 250 227
check "the program goes on after the error" cmp -s "$OUT" "$WORK/kept.txt"

# The close button (right end of the caption bar of the 457 pixel wide window) ends the program.
xdo mousemove --window "$WINDOW" 442 12 click 1
ended_with 0 "the close button"

step "second run: under a window manager, ended by SIGTERM"
cat >"$WORK/twmrc" <<'EOF'
TitleFont "fixed"
ResizeFont "fixed"
MenuFont "fixed"
IconFont "fixed"
IconManagerFont "fixed"
RandomPlacement
EOF
twm -f "$WORK/twmrc" >"$WORK/wm.log" 2>&1 &
WM_PID=$!
sleep 1
kill -0 "$WM_PID" 2>/dev/null || fatal "twm did not start"
start_program
parent() { X xwininfo -children -id "$WINDOW" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p'; }
root() { X xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p'; }
managed() { [ "$(parent)" != "$(root)" ]; }
await 10 "twm to take the window in its frame" managed
FRAME=$(parent)
frame_height=$(X xwininfo -id "$FRAME" | sed -n 's/^ *Height: //p')
check "one caption: the manager's frame ($frame_height pixels) adds no title bar to the 339 of the form" \
  test "$frame_height" -lt 345
xdo windowmove "$WINDOW" 100 80
moved() { geometry && [ "$X_" -ge 100 ] && [ "$X_" -le 110 ] && [ "$Y_" -ge 80 ] && [ "$Y_" -le 110 ]; }
await 10 "twm to move the window to (100, 80)" moved
click_and_wait_for_file 250 227
geometry
check "a move by the manager updates Left and Top ($X_, $Y_)" test "$(field Left) $(field Top)" = "$X_ $Y_"
kill -TERM "$APP_PID"
ended_with 0 "SIGTERM"
stop "$WM_PID"
WM_PID=""

step "third run: ended by SIGINT"
start_program
kill -INT "$APP_PID"
ended_with 0 "SIGINT (Ctrl+C)"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed after $((SECONDS - STARTED)) s"
  show_logs
  exit 1
fi
echo "all checks passed in $((SECONDS - STARTED)) s"
