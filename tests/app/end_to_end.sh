#!/usr/bin/env bash
# Starts Project1 under Xvfb with a fresh home directory, clicks and types through the X server,
# and checks the file x.txt, the window's pictures and the error display.
#   end_to_end.sh PROGRAM [ARTIFACT_DIR]   (ARTIFACT_DIR receives the screenshots before and after)
set -Eeuo pipefail
PROGRAM=$(readlink -f "$1")
ARTIFACTS=${2:-}
for tool in Xvfb xdotool import compare perl; do
  command -v "$tool" >/dev/null || { echo "end_to_end: $tool is missing (scripts/setup installs it)"; exit 1; }
done

WORK=$(mktemp -d)
XVFB_PID=""
APP_PID=""
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  chmod -R u+w "$WORK" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
fatal() {
  echo "FAIL $1"
  for log in "$WORK/xvfb.log" "$WORK/program.log"; do
    if [ -s "$log" ]; then
      echo "--- $(basename "$log")"
      tail -n 40 "$log"
    fi
  done
  exit 1
}
# A step that fails outside a check ends the test with its line and the logs, never silently.
trap 'fatal "line $LINENO: $BASH_COMMAND (status $?)"' ERR

# A display of our own.
source "$(dirname "$(readlink -f "$0")")/../../scripts/lib/xvfb.sh"
start_xvfb "$WORK/xvfb.log" || fatal "Xvfb did not start"

export HOME="$WORK/home"
mkdir -p "$HOME"
OUT="$HOME/x.txt"
unset ZU_BACKEND
"$PROGRAM" >"$WORK/program.log" 2>&1 &
APP_PID=$!

find_window() { program_window "$APP_PID" "$1"; }
has_window() { [ -n "$(find_window "$1")" ]; }
no_window() { [ -z "$(find_window "$1")" ]; }
wait_for 20 has_window '^XML serializer demo$' || fatal "the form did not appear"
WINDOW=$(find_window '^XML serializer demo$')
sleep 0.5

inode() { stat -c %i "$OUT" 2>/dev/null || echo none; }
file_replaced() { [ "$(inode)" != "$1" ]; }
# Clicks at a point of the form's client area (the frame is 4 pixels, the caption bar 19).
click_client() {
  xdotool mousemove --window "$WINDOW" $((4 + $1)) $((23 + $2)) click 1
}
# The label grows with the DTD over the rest of the form: clicks go above it.
click_and_wait_for_file() {
  local before
  before=$(inode)
  click_client 300 6
  wait_for 20 file_replaced "$before"
}
shot() { import -window "$WINDOW" "$1"; }
# The pixels of the label's place left of the edit box (window coordinates).
label_area() { convert "$1" -crop 40x13+12+39 +repage "$2"; }

shot "$WORK/before.png"
click_and_wait_for_file || fatal "the first click wrote no $OUT"
sleep 0.5
shot "$WORK/after.png"
cp "$OUT" "$WORK/first.txt"

xml=$(cat "$OUT")
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
  test "$(compare -metric AE "$WORK/label-before.png" "$WORK/label-after.png" null: 2>&1 || true)" != 0
if [ -n "$ARTIFACTS" ]; then
  mkdir -p "$ARTIFACTS"
  cp "$WORK/before.png" "$ARTIFACTS/demo-before.png"
  cp "$WORK/after.png" "$ARTIFACTS/demo-after.png"
fi

click_and_wait_for_file || fatal "the second click wrote no file"
check "a second click writes the same bytes" cmp -s "$OUT" "$WORK/first.txt"

# Typing through the X server reaches the focused edit box (its text was selected on entry).
xdotool mousemove --window "$WINDOW" 250 250
xdotool type --delay 30 "Typed 42"
sleep 0.5
click_and_wait_for_file || fatal "the click after typing wrote no file"
check "the document holds the typed text" perl -0777 -ne 'exit !/\t\t<Text>Typed 42<\/Text>\r\n/' "$OUT"
cp "$OUT" "$WORK/typed.txt"

# A home directory nobody can write to: the click shows the error and the program goes on.
mv "$HOME" "$WORK/home.saved"
ln -s /proc/self/fdinfo "$HOME"
click_client 300 6
wait_for 20 has_window '^Project1$' || fatal "no message box appeared for the failed write"
BOX=$(find_window '^Project1$')
sleep 0.3
check "the program runs while the error is shown" kill -0 "$APP_PID"
xdotool mousemove --window "$BOX" 20 60 key Return
check "the message box closes on Enter" wait_for 10 no_window '^Project1$'
rm "$HOME"
mv "$WORK/home.saved" "$HOME"
check "the failed click left the previous file whole" cmp -s "$OUT" "$WORK/typed.txt"
click_and_wait_for_file || fatal "the program did not go on after the error"
check "the program goes on after the error" cmp -s "$OUT" "$WORK/typed.txt"

# The close button ends the program normally.
xdotool mousemove --window "$WINDOW" 362 12 click 1
gone() { ! kill -0 "$APP_PID" 2>/dev/null; }
if wait_for 10 gone; then
  status=0
  wait "$APP_PID" || status=$?
  APP_PID=""
  check "the close button ends the program with exit code 0" test "$status" = 0
else
  check "the close button ends the program" false
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed; program output:"
  cat "$WORK/program.log"
  exit 1
fi
echo "all checks passed"
