#!/usr/bin/env bash
# The real program on a Wayland display without X: weston runs nested in the
# virtual X server (its x11 backend gives Wayland clients a seat with keyboard
# and pointer), and the program starts with DISPLAY unset. It shows the
# title, then the description screen, draws the first figure after Return
# keys and ends with exit code 0 on ESC; SIGTERM ends it with 0 as well. On an
# output of scale 2 it is sharp: every picture pixel is a 2 x 2 block.
# Weston places the window where it likes: the program's area is found on
# the screenshot of the whole screen by its grey background. The limits
# below only catch a hang.
set -euo pipefail
program=$(realpath "$1")
. "$(dirname "$0")/lib.sh"

# Weston's output, inside the 2560x1600 screen of the X server even at scale
# 2: a strip to the right and below stays plain X root, where the pointer
# can leave it.
weston_width=1240
weston_height=780
outside_x=2540
outside_y=1590
area_width=1030
area_height=630

weston_pid=""
runtime=$(mktemp -d)
chmod 700 "$runtime"
socket="punktmuster-e2e-$$"

# The program first, then weston and its own clients, then the X server.
cleanup() {
  if [ -n "$E2E_PID" ]; then kill "$E2E_PID" 2>/dev/null || true; fi
  if [ -n "$weston_pid" ]; then
    kill "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
  fi
  rm -rf "$runtime"
  e2e_cleanup
}
trap cleanup EXIT

e2e_start_xvfb 2560x1600

# No panel, a plain background that is not the program's grey, and no
# screen blanking while the test waits.
cat >"$E2E_WORK/weston.ini" <<INI
[core]
idle-time=0
[shell]
panel-position=none
locking=false
background-color=0xff002040
INI
# The pixman renderer: no GL needed on the X server's side.
start_weston() {
  XDG_RUNTIME_DIR="$runtime" weston --config="$E2E_WORK/weston.ini" --backend=x11-backend.so \
    --use-pixman --socket="$socket" --width="$weston_width" --height="$weston_height" \
    --scale="$1" >"$E2E_WORK/weston.log" 2>&1 &
  weston_pid=$!
  e2e_wait_for 30 weston_ready || {
    cat "$E2E_WORK/weston.log" >&2
    e2e_fail "weston did not start"
  }
}
weston_ready() { [ -S "$runtime/$socket" ]; }
start_weston 1

# The program's area cut out of a screenshot of the whole screen, as a window
# screenshot for the landmarks of lib.sh; its corner on the screen goes to
# area_x, area_y. The black frame keeps the screenshot's corners out of the
# grey's bounding box.
area_x=0
area_y=0
area_shot() {
  local root="$E2E_WORK/root.ppm" box
  e2e_shot_root "$root" || return 1
  box=$(convert "$root" -fill black +opaque '#D0D0D0' -bordercolor black -border 1 \
    -format '%@' info: 2>/dev/null) || return 1
  [[ $box =~ ^${area_width}x${area_height}\+([0-9]+)\+([0-9]+)$ ]] || return 1
  area_x=$((BASH_REMATCH[1] - 1))
  area_y=$((BASH_REMATCH[2] - 1))
  convert "$root" -crop "${area_width}x${area_height}+$area_x+$area_y" +repage -depth 8 "ppm:$1"
}

# A pixel of the title's green box, as e2e_wait_title looks at it.
title_shown() {
  area_shot "$E2E_WORK/poll.ppm" && [ "$(e2e_pixel "$E2E_WORK/poll.ppm" 480 160)" = "0 190 0" ]
}
heading_shown() { area_shot "$E2E_WORK/poll.ppm" && e2e_heading_in "$E2E_WORK/poll.ppm"; }
drawing_shown() { area_shot "$E2E_WORK/poll.ppm" && e2e_drawing_in "$E2E_WORK/poll.ppm" 1500; }

# Weston takes the pointer's position from where it enters its window, later
# moves only relative to that: in from outside, then a click gives the
# program the keyboard focus. The click lands in the pair count's field on
# row 22 (a click on another row would confirm the input).
focus_program() {
  xdotool mousemove "$outside_x" "$outside_y"
  sleep 0.2
  xdotool mousemove "$((area_x + 360))" "$((area_y + 515))"
  sleep 0.2
  xdotool click 1
  sleep 0.2
}

start_program() {
  e2e_start "$program" -u DISPLAY WAYLAND_DISPLAY="$socket" XDG_RUNTIME_DIR="$runtime"
}

# First run: the title, the description screen, the first figure, ESC.
start_program
e2e_wait_for 30 title_shown || e2e_fail "no title"
# The title stands for 4 s, then the description screen.
e2e_wait_for 30 heading_shown || e2e_fail "no description screen"
focus_program
# Pair count, three pairs of two terms, the range: eight Returns. The key
# buffer holds one key, so give the program time to take each.
for _ in $(seq 8); do e2e_press Return; done
e2e_wait_for 60 drawing_shown || e2e_fail "no drawing after eight Returns"
e2e_wait_for 60 heading_shown || e2e_fail "no description screen after the drawing"
sleep 0.3
e2e_key Escape
e2e_wait_exit 30 || e2e_fail "still running after ESC"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after ESC"
echo "ESC: exit code 0"

# Second run: SIGTERM at the description screen.
start_program
e2e_wait_for 30 heading_shown || e2e_fail "no description screen in the second run"
e2e_term
e2e_wait_exit 30 || e2e_fail "still running after SIGTERM"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after SIGTERM"
echo "SIGTERM: exit code 0"

# Third run: an output of scale 2, which the window's buffer follows. Weston
# draws its pointer into the output: in from outside, then parked on the
# background.
kill "$weston_pid"
wait "$weston_pid" 2>/dev/null || true
rm -f "$runtime/$socket" "$runtime/$socket.lock"
start_weston 2
area_width=2060
area_height=1260
start_program
xdotool mousemove "$outside_x" "$outside_y"
sleep 0.2
xdotool mousemove "$((outside_x - 70))" "$((outside_y - 40))"
heading_at_2x() {
  area_shot "$E2E_WORK/2x.ppm" && convert "$E2E_WORK/2x.ppm" -sample 50% "ppm:$E2E_WORK/half.ppm" &&
    e2e_heading_in "$E2E_WORK/half.ppm"
}
e2e_wait_for 30 heading_at_2x || e2e_fail "no description screen at scale 2"
convert "$E2E_WORK/half.ppm" -sample 200% "ppm:$E2E_WORK/blocks.ppm"
[ "$(compare -metric AE "$E2E_WORK/2x.ppm" "$E2E_WORK/blocks.ppm" null: 2>&1)" = 0 ] ||
  e2e_fail "at scale 2 some picture pixels are not 2x2 blocks of one colour"
e2e_term
e2e_wait_exit 30 || e2e_fail "still running after SIGTERM at scale 2"
echo "scale 2: every picture pixel a 2x2 block"
echo "ok"
