#!/usr/bin/env bash
# The window on a 4K screen (3840 x 2160) under a window manager. Without a
# desktop scale it opens at 1030 x 630; with "Xft.dpi: 192" merged into the
# resource database it opens at 2060 x 1260 and shows the very same screen
# with every pixel doubled; a click lands on the cell it is seen on; Alt+Enter
# makes it full screen with the picture at factor 3 in the middle of a black
# border, and ESC there still ends the program. The limits only catch a hang.
set -euo pipefail
program=$(realpath "$1")
. "$(dirname "$0")/lib.sh"

e2e_start_xvfb 3840x2160
openbox >/dev/null 2>&1 &
openbox_pid=$!
trap 'kill "$openbox_pid" 2>/dev/null || true; e2e_cleanup' EXIT
# A window mapped while the window manager takes over the screen may never be
# mapped at all: the program starts once openbox has announced itself.
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
e2e_wait_for 10 wm_ready || e2e_fail "openbox did not start"

size_is() { [ "$(xwininfo -id "$E2E_WINDOW" | awk '/Width:/ {w = $2} /Height:/ {print w "x" $2}')" = "$1" ]; }
same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
# A screenshot FILE, and FILE.1x taken back to the framebuffer's pixels for
# the landmarks of lib.sh.
shot_1x() { e2e_shot "$1" && convert "$1" -sample '1030x630!' "ppm:$1.1x"; }
heading_1x() { shot_1x "$1" && e2e_heading_in "$1.1x"; }
# The field's second cell holds the cursor (white) after a click there.
cursor_in_second_cell() {
  shot_1x "$1" && [ "$(e2e_count "$1.1x" 364 504 13 24 FFFFFF)" -gt 150 ]
}
end_with_esc() {
  e2e_key Escape
  e2e_wait_exit 30 || e2e_fail "still running after ESC"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after ESC"
}

e2e_start "$program"
e2e_find_window 10
e2e_wait_for 15 e2e_heading_shown "$E2E_WORK/1x.ppm" || e2e_fail "no description screen"
sleep 1  # the heading comes first: the whole screen, for the comparisons below
e2e_shot "$E2E_WORK/1x.ppm"
size_is 1030x630 || e2e_fail "without a desktop scale the window is not 1030x630"
end_with_esc

echo 'Xft.dpi: 192' | xrdb -nocpp -merge
e2e_start "$program"
e2e_find_window 10
e2e_wait_for 15 heading_1x "$E2E_WORK/2x.ppm" || e2e_fail "no description screen at 2x"
size_is 2060x1260 || e2e_fail "at Xft.dpi 192 the window is not 2060x1260"
convert "$E2E_WORK/1x.ppm" -sample 200% "ppm:$E2E_WORK/1x-doubled.ppm"
doubled() { e2e_shot "$E2E_WORK/2x.ppm" && same_pixels "$E2E_WORK/2x.ppm" "$E2E_WORK/1x-doubled.ppm"; }
e2e_wait_for 5 doubled || e2e_fail "the 2x window is not the 1x screen with every pixel doubled"
echo "Xft.dpi 192: 2060x1260, every pixel doubled"

xdotool mousemove "$((E2E_WX + 2 * 370))" "$((E2E_WY + 2 * 515))" click 1
e2e_wait_for 5 cursor_in_second_cell "$E2E_WORK/clicked.ppm" ||
  e2e_fail "a click on the field's second cell, doubled, did not put the cursor there"

e2e_key alt+Return
convert "$E2E_WORK/clicked.ppm.1x" -sample 300% "ppm:$E2E_WORK/tripled.ppm"
full_screen_at_3x() {
  size_is 3840x2160 && e2e_shot "$E2E_WORK/full.ppm" &&
    convert "$E2E_WORK/full.ppm" -crop 3090x1890+375+135 +repage "ppm:$E2E_WORK/middle.ppm" &&
    same_pixels "$E2E_WORK/middle.ppm" "$E2E_WORK/tripled.ppm"
}
e2e_wait_for 10 full_screen_at_3x || e2e_fail "Alt+Enter: no 3840x2160 window with the picture at 3x"
[ "$(convert "$E2E_WORK/full.ppm" -fill black -draw 'rectangle 375,135 3464,2024' \
  -format '%[max]' info:)" = 0 ] || e2e_fail "the border around the picture is not black"
echo "Alt+Enter: full screen, the picture at 3x in the middle"
end_with_esc
echo "ok"
