# Shared helpers for the end-to-end tests: the real program in a virtual X
# server, driven by real (XTest) keys, looked at through screenshots.
# Source it from a test script run with bash (set -euo pipefail is fine):
#
#   . "$(dirname "$0")/lib.sh"
#   e2e_start_xvfb [WxH]                start Xvfb (default 1280x800, 24 bits) on a
#                                       free display; exports DISPLAY; everything is
#                                       cleaned up on exit. The server keeps its
#                                       resources (xrdb) when its last client goes;
#                                       with E2E_XVFB_RESET=1 it starts afresh then,
#                                       as X servers do by default
#   e2e_start PROGRAM [VAR=value ...]   start the program in the background with
#                                       those environment settings; its pid is in
#                                       E2E_PID, its stderr goes to the file $E2E_STDERR
#   e2e_build_wait_title                builds the pixel poller of e2e_wait_title
#                                       (before anything that is timed)
#   e2e_wait_title SECONDS              waits, looking every 5 ms, until the
#                                       program's window shows the title's green box
#   e2e_find_window [SECONDS]           wait for the window "Punktmuster 1.11"
#                                       (default 10 s); sets E2E_WINDOW, E2E_WX and
#                                       E2E_WY (its top-left corner on the screen) and
#                                       puts the pointer in it so that keys reach it
#   e2e_point_at_window                 the second half of that, for E2E_WINDOW
#   e2e_key KEY...                      press keys by X name (Return, Escape, Up, a ...)
#   e2e_press KEY...                    e2e_key, then time for the program to take
#                                       the keys (its key buffer holds one)
#   e2e_type TEXT                       type text
#   e2e_click X Y                       left click at window-relative pixel X, Y
#   e2e_shot FILE                       screenshot of the window (PPM, window-relative)
#   e2e_shot_root FILE                  screenshot of the whole screen (PPM, absolute)
#   e2e_pixel FILE X Y                  prints "R G B" of the pixel X, Y of a screenshot
#   e2e_count FILE X Y W H RRGGBB       prints how many pixels of the rectangle
#                                       (X, Y, width W, height H) have exactly that colour
#   e2e_wait_for SECONDS CMD ARGS...    retries a command every 0.1 s until it succeeds
#                                       (status 0) or the time is up (status 1)
#   e2e_close_window                    sends the window WM_DELETE_WINDOW, as its
#                                       close button does (there is no window manager)
#   e2e_term                            sends the program SIGTERM
#   e2e_wait_exit SECONDS               waits for the program to end; sets E2E_STATUS
#                                       to its exit code; status 1 if still running
#   e2e_fail MESSAGE                    prints "FAIL: MESSAGE" and exits 1
#   e2e_program_or_release DIR [PATH]   prints the absolute path of the program at
#                                       PATH, or, without PATH, of a release build
#                                       made in DIR (run from the project root)
#
# What the program's screens show, each looked at in a screenshot FILE; the
# ..._shown ones first take a fresh screenshot into FILE, so that a caller
# may go on to judge the very picture that passed:
#   e2e_heading_in FILE                 the description screen's red heading is there
#   e2e_heading_shown FILE              the same, on a fresh screenshot
#   e2e_fresh_description FILE          the heading, and no range field on row 14
#                                       (the screen under a message still shows
#                                       the inputs of the pass)
#   e2e_message_shown FILE              light yellow on the message row 26
#   e2e_drawing_in FILE MIN_RED         the heading gone and more than MIN_RED
#                                       points of the first colour (red) in the
#                                       plot area
#   e2e_drawing_shown FILE MIN_RED      the same, on a fresh screenshot
#
# Temporary files go to $E2E_WORK (removed on exit). Only the processes this
# library started are stopped at the end.

E2E_WORK=$(mktemp -d)
E2E_STDERR="$E2E_WORK/stderr"
E2E_XVFB_PID=""
E2E_PID=""
E2E_WINDOW=""
E2E_WX=0
E2E_WY=0
E2E_STATUS=""
E2E_LIB=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_CAPTION_TEXT='Punktmuster 1.11'
E2E_CAPTION="^${E2E_CAPTION_TEXT//./\\.}\$"

e2e_cleanup() {
  if [ -n "$E2E_PID" ]; then kill "$E2E_PID" 2>/dev/null || true; fi
  if [ -n "$E2E_XVFB_PID" ]; then kill "$E2E_XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT

e2e_fail() {
  echo "FAIL: $*" >&2
  if [ -s "$E2E_STDERR" ]; then
    echo "program's stderr:" >&2
    cat "$E2E_STDERR" >&2
  fi
  exit 1
}

e2e_program_or_release() {
  if [ -n "${2:-}" ]; then
    realpath "$2"
    return
  fi
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPUNKT_TESTS=OFF >/dev/null
  cmake --build "$1" --target punktmuster >/dev/null
  realpath "$1/src/main/punktmuster"
}

e2e_start_xvfb() {
  # The server picks a free display number itself and writes it to fd 3.
  local keep=-noreset
  if [ "${E2E_XVFB_RESET:-}" = 1 ]; then keep=; fi
  Xvfb -displayfd 3 $keep -screen 0 "${1:-1280x800}x24" -nolisten tcp 3>"$E2E_WORK/display" \
    2>/dev/null &
  E2E_XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$E2E_WORK/display" ] && break
    sleep 0.05
  done
  [ -s "$E2E_WORK/display" ] || e2e_fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$E2E_WORK/display")"
}

e2e_start() {
  local program=$1
  shift
  env "$@" "$program" 2>"$E2E_STDERR" &
  E2E_PID=$!
}

e2e_find_window() {
  local seconds=${1:-10}
  E2E_WINDOW=$(timeout "$seconds" xdotool search --sync --name "$E2E_CAPTION" 2>/dev/null |
    head -n1 || true)
  [ -n "$E2E_WINDOW" ] || e2e_fail "no window within $seconds s"
  e2e_point_at_window
}

e2e_point_at_window() {
  eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW")"
  E2E_WX=$X
  E2E_WY=$Y
  # No window manager: the keyboard focus follows the pointer.
  xdotool mousemove "$((E2E_WX + 515))" "$((E2E_WY + 315))"
  xdotool windowfocus "$E2E_WINDOW" 2>/dev/null || true
}

e2e_build_wait_title() { cc -O2 -o "$E2E_WORK/wait_pixel" "$E2E_LIB/wait_pixel.c" -lX11; }

# A pixel of the title's green box, between the caption bar and the big text.
e2e_wait_title() { "$E2E_WORK/wait_pixel" "$E2E_CAPTION_TEXT" 480 160 00BE00 "$1"; }

e2e_key() { xdotool key --delay 50 "$@"; }

e2e_press() {
  e2e_key "$@"
  sleep 0.3
}

e2e_type() { xdotool type --delay 50 "$1"; }

e2e_click() {
  xdotool mousemove "$((E2E_WX + $1))" "$((E2E_WY + $2))" click 1
}

e2e_shot() { import -window "$E2E_WINDOW" -depth 8 "ppm:$1" 2>/dev/null; }

e2e_shot_root() { import -window root -depth 8 "ppm:$1" 2>/dev/null; }

# Every pixel of the rectangle as "x,y: ... #RRGGBB ..." lines.
e2e_pixels_txt() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -depth 8 txt:- 2>/dev/null
}

e2e_pixel() {
  local hex
  hex=$(e2e_pixels_txt "$1" "$2" "$3" 1 1 | grep -o '#[0-9A-Fa-f]\{6\}' | head -n1)
  [ -n "$hex" ] || return 1
  echo "$((16#${hex:1:2})) $((16#${hex:3:2})) $((16#${hex:5:2}))"
}

e2e_count() {
  e2e_pixels_txt "$1" "$2" "$3" "$4" "$5" | grep -ci "#$6\b" || true
}

e2e_heading_in() { [ "$(e2e_count "$1" 368 31 232 31 F00000)" -gt 0 ]; }

e2e_heading_shown() { e2e_shot "$1" && e2e_heading_in "$1"; }

e2e_fresh_description() {
  e2e_heading_shown "$1" && [ "$(e2e_count "$1" 600 312 280 24 000000)" -lt 100 ]
}

e2e_message_shown() {
  e2e_shot "$1" && [ "$(e2e_count "$1" 0 600 1030 24 FFFF80)" -gt 3000 ]
}

e2e_drawing_in() {
  ! e2e_heading_in "$1" && [ "$(e2e_count "$1" 115 65 800 500 FF0000)" -gt "$2" ]
}

e2e_drawing_shown() { e2e_shot "$1" && e2e_drawing_in "$1" "$2"; }

e2e_wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 10)) i
  for i in $(seq "$tries"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# A tiny Xlib program: the ClientMessage a window manager sends when the
# user presses a window's close button.
e2e_close_window() {
  local helper="$E2E_WORK/close_window"
  if [ ! -x "$helper" ]; then
    cat >"$helper.c" <<'C'
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
int main(int argc, char** argv) {
  if (argc != 2) return 2;
  Display* d = XOpenDisplay(NULL);
  if (!d) return 1;
  Window w = (Window)strtoul(argv[1], NULL, 0);
  XEvent e = {0};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XSync(d, False);
  XCloseDisplay(d);
  return 0;
}
C
    cc -o "$helper" "$helper.c" -lX11 || e2e_fail "cannot build the close helper"
  fi
  "$helper" "$E2E_WINDOW" || e2e_fail "cannot send WM_DELETE_WINDOW"
}

e2e_term() { kill -TERM "$E2E_PID"; }

e2e_wait_exit() {
  local tries=$(($1 * 20)) i
  for i in $(seq "$tries"); do
    kill -0 "$E2E_PID" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$E2E_PID" 2>/dev/null && return 1
  E2E_STATUS=0
  wait "$E2E_PID" || E2E_STATUS=$?
  E2E_PID=""
  return 0
}
