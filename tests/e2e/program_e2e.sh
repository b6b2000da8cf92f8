#!/usr/bin/env bash
# The real program in a virtual X server, typed at with real (XTest) keys:
# Return through the whole first pass; while the drawing runs, every coloured
# pixel of the window is one that the reference drawing sets there, in a
# colour it gives it there; the next pass's description screen follows; a key
# in the next drawing ends only that drawing; ESC at the pair count ends the
# process with exit code 0. How long things take is measured by
# scripts/measure.sh, not asserted here: the limits below only catch a hang.
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

# The pixels of the first drawing, from the independent reference script (the
# headless program draws exactly these; the golden test holds it to that).
python3 "$here/../golden/default_pass.py" --pixels "$E2E_WORK/reference.txt" >/dev/null

e2e_start_xvfb
e2e_start "$program"
e2e_find_window 10

heading_shown() { e2e_heading_shown "$E2E_WORK/poll.ppm"; }
# The drawing runs; the screenshot that showed it is the one judged.
drawing_shown() { e2e_drawing_shown "$E2E_WORK/drawing.ppm" 1500; }

# The title stands for 4 s, then the description screen of the first pass.
e2e_wait_for 30 heading_shown || e2e_fail "no description screen after the title"

# Pair count, three pairs of two terms, the range: eight Returns. The key
# buffer holds one key, so give the program time to take each.
for _ in $(seq 8); do e2e_press Return; done

e2e_wait_for 60 drawing_shown || e2e_fail "no drawing after eight Returns"
python3 "$here/../golden/check_drawing.py" "$E2E_WORK/drawing.ppm" "$E2E_WORK/reference.txt" ||
  e2e_fail "drawing differs from the reference"

# After the drawing, the next description screen.
e2e_wait_for 60 heading_shown || e2e_fail "no description screen after the drawing"

# A key during the drawing ends it at the next colour change (every 10000
# points, a quarter of a second paced) and the next pass begins: the program
# goes on.
for _ in $(seq 8); do e2e_press Return; done
e2e_wait_for 60 drawing_shown || e2e_fail "no second drawing"
e2e_key a
e2e_wait_for 60 heading_shown || e2e_fail "no description screen after a key in the drawing"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended after a key in the drawing"

# ESC at the pair count ends the program.
sleep 0.3
e2e_key Escape
e2e_wait_exit 30 || e2e_fail "still running after ESC"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS"
echo "ok"
