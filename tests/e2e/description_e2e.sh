#!/usr/bin/env bash
# The real program in a virtual X server: after the title it shows the
# description screen (grey background, the red heading, the dark grey note on
# ESC, the pair count input on row 22); ESC ends it with exit code 0; so do
# closing the window and SIGTERM; without a display or without
# any font it says so in one line on stderr and exits with 1.
set -euo pipefail
program=$(realpath "$1")
. "$(dirname "$0")/lib.sh"

heading_shown() { e2e_heading_shown "$E2E_WORK/poll.ppm"; }

e2e_start_xvfb

# First run: look at the screen, then ESC.
e2e_start "$program"
e2e_find_window 10
# The title stands for 4 s, then the description screen.
e2e_wait_for 30 heading_shown || e2e_fail "no description screen"
sleep 0.3
shot="$E2E_WORK/description.ppm"
e2e_shot "$shot" || e2e_fail "no screenshot"

[ "$(e2e_pixel "$shot" 5 5)" = "208 208 208" ] || e2e_fail "background $(e2e_pixel "$shot" 5 5)"
[ "$(e2e_pixel "$shot" 1025 625)" = "208 208 208" ] || e2e_fail "background at the corner"
red=$(e2e_count "$shot" 368 31 232 31 F00000)
[ "$red" -gt 100 ] || e2e_fail "heading: $red red pixels"
# Nothing red outside the heading's cells.
[ "$(e2e_count "$shot" 0 62 1030 568 F00000)" -eq 0 ] || e2e_fail "red below the heading"
# The note on ESC: row 26 (y 600..623), from column 8 (x 91) on, dark grey.
grey=$(e2e_count "$shot" 91 600 832 24 404040)
[ "$grey" -gt 100 ] || e2e_fail "ESC note: $grey dark grey pixels"
[ "$(e2e_count "$shot" 0 600 91 24 404040)" -eq 0 ] || e2e_fail "ESC note starts too early"
# The pair count input on row 22 (y 504..527): black prompt text and the
# white-on-black input field.
[ "$(e2e_count "$shot" 0 504 1030 24 000000)" -gt 100 ] || e2e_fail "no input on row 22"
[ "$(e2e_count "$shot" 0 504 1030 24 FFFFFF)" -gt 10 ] || e2e_fail "no input field on row 22"
# The description lines: black text on rows 5 to 11.
[ "$(e2e_count "$shot" 13 96 1000 24 000000)" -gt 100 ] || e2e_fail "no text on row 5"

e2e_key Escape
e2e_wait_exit 30 || e2e_fail "still running after ESC"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after ESC"
echo "ESC: exit code 0"

# Second run: the close button ends the program as well.
e2e_start "$program"
e2e_find_window 10
e2e_wait_for 30 heading_shown || e2e_fail "no description screen in the second run"
e2e_close_window
e2e_wait_exit 30 || e2e_fail "still running after the window was closed"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after closing"
echo "close button: exit code 0"

# Third run: SIGTERM during the title closes the window; the program ends.
e2e_start "$program"
e2e_find_window 10
e2e_term
e2e_wait_exit 30 || e2e_fail "still running after SIGTERM"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after SIGTERM"
echo "SIGTERM: exit code 0"

# A display but no fonts at all (an empty font configuration): one line on
# stderr naming the package to install, exit code 1.
cat >"$E2E_WORK/fonts.conf" <<XML
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><cachedir>$E2E_WORK/fontcache</cachedir></fontconfig>
XML
set +e
FONTCONFIG_FILE="$E2E_WORK/fonts.conf" timeout 10 "$program" 2>"$E2E_WORK/nofont" </dev/null
status=$?
set -e
[ "$status" -eq 1 ] || e2e_fail "exit code $status without fonts"
[ "$(wc -l <"$E2E_WORK/nofont")" -eq 1 ] || e2e_fail "stderr without fonts: $(cat "$E2E_WORK/nofont")"
grep -q fonts-liberation "$E2E_WORK/nofont" || e2e_fail "no package named: $(cat "$E2E_WORK/nofont")"
echo "no font: $(cat "$E2E_WORK/nofont")"

# No display at all: one line on stderr, exit code 1.
set +e
env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$program" 2>"$E2E_WORK/nodisplay" </dev/null
status=$?
set -e
[ "$status" -eq 1 ] || e2e_fail "exit code $status without a display"
lines=$(wc -l <"$E2E_WORK/nodisplay")
[ "$lines" -eq 1 ] || e2e_fail "$lines lines on stderr without a display: $(cat "$E2E_WORK/nodisplay")"
echo "no display: $(cat "$E2E_WORK/nodisplay")"
echo "ok"
