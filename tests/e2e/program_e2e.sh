#!/usr/bin/env bash
# The real program in a virtual X server, typed at with real (XTest) keys:
# Return through the whole first pass; while the drawing runs, every coloured
# pixel of the window is one that the reference drawing sets there, in a
# colour it gives it there; the paced drawing takes about 5 s; the next
# pass's description screen follows; ESC at the pair count ends the process
# with exit code 0.
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb_pid=""
program_pid=""

cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The pixels of the first drawing, from the independent reference script (the
# headless program draws exactly these; the golden test holds it to that).
python3 "$here/../golden/default_pass.py" --pixels "$work/reference.txt" >/dev/null

# A free display number, chosen by the server itself.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

"$program" 2>"$work/stderr" &
program_pid=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Punktmuster 1\.11$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no window"
# No window manager here: the keyboard follows the pointer; focus it as well.
xdotool mousemove 500 400
xdotool windowfocus "$window" 2>/dev/null || true

shot() { import -window "$window" -depth 8 "ppm:$1" 2>/dev/null; }

# True when the red heading of the description screen is on the window.
heading_shown() {
  shot "$work/poll.ppm" || return 1
  python3 - "$work/poll.ppm" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
# P6 header: magic, width, height, maxval, each after blanks or comments,
# then exactly one blank before the pixels.
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace():
        at += 1
    if data[at:at + 1] == b"#":
        at = data.index(b"\n", at)
        continue
    end = at
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[at:end])
    at = end
width, height = int(fields[1]), int(fields[2])
pixels = data[at + 1:]
def rgb(x, y):
    i = 3 * (y * width + x)
    return pixels[i], pixels[i + 1], pixels[i + 2]
for y in range(31, 62):
    for x in range(368, 600):
        r, g, b = rgb(x, y)
        if r > 150 and g < 80 and b < 80:
            sys.exit(0)
sys.exit(1)
PY
}

wait_for_heading() {
  for _ in $(seq "$1"); do
    heading_shown && return 0
    sleep 0.1
  done
  return 1
}

# The title stands for 4 s, then the description screen of the first pass.
wait_for_heading 150 || fail "no description screen after the title"

# Pair count, three pairs of two terms, the range: eight Returns. The key
# buffer holds one key, so give the program time to take each.
for _ in $(seq 8); do
  xdotool key Return
  sleep 0.3
done
drawing_start=$(date +%s.%N)

sleep 1.5
shot "$work/drawing.ppm" || fail "no screenshot during the drawing"
python3 - "$work/drawing.ppm" "$work/reference.txt" <<'PY' || fail "drawing differs from the reference"
import sys
data = open(sys.argv[1], "rb").read()
# P6 header: magic, width, height, maxval, each after blanks or comments,
# then exactly one blank before the pixels.
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace():
        at += 1
    if data[at:at + 1] == b"#":
        at = data.index(b"\n", at)
        continue
    end = at
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[at:end])
    at = end
width, height = int(fields[1]), int(fields[2])
pixels = data[at + 1:]
if (width, height) != (1030, 630):
    print("window size", width, height)
    sys.exit(1)
allowed = {}
for line in open(sys.argv[2]):
    x, y, c = map(int, line.split())
    allowed.setdefault((x, y), set()).add(c)
coloured = 0
wrong = []
for y in range(height):
    row = 3 * y * width
    for x in range(width):
        i = row + 3 * x
        c = (pixels[i] << 16) | (pixels[i + 1] << 8) | pixels[i + 2]
        if c == 0xD0D0D0:
            continue
        coloured += 1
        if c not in allowed.get((x, y), ()):
            wrong.append((x, y, hex(c)))
print("coloured pixels:", coloured, "not in the reference:", len(wrong), wrong[:10])
sys.exit(0 if coloured > 1000 and not wrong else 1)
PY

# The drawing is paced to about 5 s; then the next description screen.
wait_for_heading 300 || fail "no description screen after the drawing"
drawing_end=$(date +%s.%N)
seconds=$(python3 -c "print(round($drawing_end - $drawing_start, 2))")
echo "drawing took $seconds s"
python3 -c "import sys; sys.exit(0 if 4.0 <= $seconds <= 12.0 else 1)" ||
  fail "drawing took $seconds s, expected about 5"

# ESC at the pair count ends the program.
sleep 0.3
xdotool key Escape
for _ in $(seq 100); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then fail "still running after ESC"; fi
set +e
wait "$program_pid"
status=$?
set -e
program_pid=""
[ "$status" -eq 0 ] || fail "exit code $status"
echo "ok"
