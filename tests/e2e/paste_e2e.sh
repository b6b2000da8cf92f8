#!/usr/bin/env bash
# Paste in the real window: xclip puts a term of 50 characters with a line
# break behind it on the clipboard; in the first f field, emptied with
# Delete, Ctrl+V types it and its line break confirms the field; Returns
# through the rest of the first pass start the drawing. The term computes the
# very values of the built-in 0.5*x, so its drawing is the reference's: every
# coloured pixel is one the reference sets there. Had a character been lost,
# the term would not translate (a message, no drawing) or draw another
# figure.
#
# Before that, a clipboard owner that answers only after 1.5 s: a paste
# during the title, where it is not taken, leaves it alone; Ctrl+V at the pair
# count types its text when it answers, and it still holds the text. Had the
# program waited for the owner, SDL would have given up after a second and
# taken the clipboard itself with an empty text. The limits below only catch
# a hang.
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

term='0.50*x+0*y+0*x*y+0*(x-y)+0*y*y+0*x*x+0*(y+x)+0*x*x'
[ "${#term}" -eq 50 ] || e2e_fail "the term has ${#term} characters"
python3 "$here/../golden/default_pass.py" --pixels "$E2E_WORK/reference.txt" >/dev/null

e2e_start_xvfb

cc -O2 -o "$E2E_WORK/slow_clipboard" "$here/slow_clipboard.c" -lX11 ||
  e2e_fail "cannot build the slow clipboard owner"
e2e_build_wait_title || e2e_fail "cannot build the pixel poller"
"$E2E_WORK/slow_clipboard" 7 1500 2>"$E2E_WORK/owner.log" &
owner_pid=$!
clipboard_has_7() { [ "$(xclip -o -selection clipboard 2>/dev/null)" = 7 ]; }
e2e_wait_for 10 clipboard_has_7 || e2e_fail "the slow owner did not take the clipboard"
e2e_start "$program"
e2e_wait_title 10 || e2e_fail "no title screen"
e2e_find_window 10
e2e_key ctrl+v shift+Insert
sleep 2  # past the second SDL would wait for the owner's answer
clipboard_has_7 || e2e_fail "a paste during the title took the clipboard: xclip -o gives" \
  "'$(xclip -o -selection clipboard 2>/dev/null)'; $(cat "$E2E_WORK/owner.log")"
# At the pair count the cursor stands on the offered 3; a character typed
# there moves it, white, one cell right (cells from x = 351, 13 pixels wide).
cursor_moved() {
  e2e_shot "$E2E_WORK/count.ppm" && [ "$(e2e_count "$E2E_WORK/count.ppm" 364 504 13 24 FFFFFF)" -gt 150 ]
}
e2e_wait_for 15 e2e_heading_shown "$E2E_WORK/count.ppm" || e2e_fail "no description screen"
cursor_moved && e2e_fail "the cursor left its place before the paste"
e2e_key ctrl+v
e2e_wait_for 5 cursor_moved || e2e_fail "the slow owner's text was not typed"
clipboard_has_7 || e2e_fail "a paste at the pair count took the clipboard; $(cat "$E2E_WORK/owner.log")"
e2e_key Escape
e2e_wait_exit 30 || e2e_fail "still running after ESC"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after ESC"
kill "$owner_pid" 2>/dev/null || true
wait "$owner_pid" 2>/dev/null || true
echo "a slow owner's text is pasted at an input and stays on the clipboard"

# xclip serves the clipboard from the foreground until the server goes.
printf '%s\r\n' "$term" | xclip -quiet -selection clipboard >/dev/null 2>&1 &
clipboard_has_term() { [ "$(xclip -o -selection clipboard 2>/dev/null | tr -d '\r\n')" = "$term" ]; }
e2e_wait_for 10 clipboard_has_term || e2e_fail "xclip did not take the clipboard"

e2e_start "$program"
e2e_find_window 10

heading_shown() { e2e_heading_shown "$E2E_WORK/poll.ppm"; }
drawing_shown() { e2e_drawing_shown "$E2E_WORK/drawing.ppm" 1500; }
message_shown() { e2e_message_shown "$E2E_WORK/poll.ppm"; }
e2e_wait_for 30 heading_shown || e2e_fail "no description screen after the title"
e2e_press Return  # the pair count 3
# The f field offers 0.5*x with the cursor on its first character.
e2e_press Delete Delete Delete Delete Delete
e2e_press ctrl+v
# The pasted line break confirmed f; g, the other two pairs and the range.
for _ in $(seq 6); do e2e_press Return; done

e2e_wait_for 60 drawing_shown || {
  message_shown && e2e_fail "a message instead of the drawing: the pasted term arrived broken"
  e2e_fail "no drawing after the paste"
}
python3 "$here/../golden/check_drawing.py" "$E2E_WORK/drawing.ppm" "$E2E_WORK/reference.txt" ||
  e2e_fail "the drawing is not the pasted term's"
echo "the pasted term draws its figure"

e2e_wait_for 60 heading_shown || e2e_fail "no description screen after the drawing"
e2e_press Escape
e2e_wait_exit 30 || e2e_fail "still running after ESC"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS"
echo "ok"
