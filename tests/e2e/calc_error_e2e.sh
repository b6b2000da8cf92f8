#!/usr/bin/env bash
# The real program with a term that translates but fails at every evaluation:
# f = 2x for the first pair. The drawing's first evaluation shows
# " Rechenfehler " on the message row; ESC there ends the drawing, the next
# pass's description screen follows, and its first f input offers 2x again;
# ESC at that input ends the program with exit code 0.
set -euo pipefail
program=$(realpath "$1")
. "$(dirname "$0")/lib.sh"

poll="$E2E_WORK/poll.ppm"
shot() { e2e_shot "$poll"; }
heading_shown() { e2e_heading_shown "$poll"; }
fresh_description() { e2e_fresh_description "$poll"; }
message_shown() { e2e_message_shown "$poll"; }
# The f field of row 22 starts at column 22 (pixel 273); "2x" fills cells 22
# and 23 and leaves cells 24 to 27 black, where "0.5*x" would have text.
f_field_offers_2x() {
  shot && [ "$(e2e_count "$poll" 286 504 13 24 FFFFFF)" -gt 5 ] &&
    [ "$(e2e_count "$poll" 299 504 52 24 FFFFFF)" -eq 0 ] &&
    [ "$(e2e_count "$poll" 299 504 52 24 000000)" -gt 1000 ]
}
e2e_start_xvfb
e2e_start "$program"
e2e_find_window 10
e2e_wait_for 30 heading_shown || e2e_fail "no description screen"

e2e_press Return  # the pair count 3
# The f field offers 0.5*x with the cursor on its first character.
e2e_press Delete Delete Delete Delete Delete
e2e_type 2x
e2e_press Return
for _ in $(seq 6); do e2e_press Return; done  # g, the other pairs, the range
e2e_wait_for 30 message_shown || e2e_fail "no message for 2x"
echo "the message stands"

e2e_press Escape
e2e_wait_for 30 fresh_description || e2e_fail "no description screen after ESC at the message"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended at ESC on the message"
e2e_press Return  # the same count: the terms typed last are offered
e2e_wait_for 30 f_field_offers_2x || e2e_fail "the next pass does not offer 2x"
echo "the next pass offers 2x"

e2e_press Escape
e2e_wait_exit 30 || e2e_fail "still running after ESC"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS"
echo "ok"
