#!/usr/bin/env bash
# The real program ended from outside at every kind of moment: during the
# title, at the pair count, at an f term, at a g term, at the range input,
# while a message stands and while the drawing runs. Each time the process
# must end by itself with exit code 0. The time allowed only catches a hang;
# how long the end takes is reported, not asserted (a shared machine is too
# noisy for that). Each case is a fresh process; one Xvfb serves them all.
#
# By default the window is closed as by its close button. With
# FAULTS_END_WITH=term (sigterm_e2e.sh) the program gets SIGTERM instead, and
# with FAULTS_END_WITH=int SIGINT. FAULTS_CASES picks cases by key (title
# count f g range message drawing; default all).
set -euo pipefail
program=$(realpath "$1")
. "$(dirname "$0")/lib.sh"

end_with=${FAULTS_END_WITH:-close}
# Seconds the program may take to end: far more than it needs.
hang_s=30

# Pixel rows (top, 24 high) of the text rows that the cases look at, and the
# colours that tell the screens apart.
row14_y=312
row22_y=504
row23_y=528
poll="$E2E_WORK/poll.ppm"

shot() { e2e_shot "$poll"; }

# The title's green box.
title_shown() { shot && [ "$(e2e_count "$poll" 300 200 300 150 00BE00)" -gt 10000 ]; }

# The red heading of the description screen (so the pair count is asked).
heading_shown() { e2e_heading_shown "$poll"; }

# An input field 50 cells wide on the row: black far to the right of where
# the pair count's narrow field ends.
field_on_row() { shot && [ "$(e2e_count "$poll" 600 "$1" 280 24 000000)" -gt 5000 ]; }

message_shown() { e2e_message_shown "$poll"; }

drawing_shown() { e2e_drawing_shown "$poll" 500; }

reach_title() { e2e_wait_for 3 title_shown; }

reach_count() { e2e_wait_for 30 heading_shown; }

reach_f_term() {
  reach_count || return 1
  e2e_press Return
  e2e_wait_for 15 field_on_row "$row22_y"
}

reach_g_term() {
  reach_f_term || return 1
  e2e_press Return
  e2e_wait_for 15 field_on_row "$row23_y"
}

# Three default pairs: the count and six terms confirmed, then the range.
reach_range() {
  reach_count || return 1
  local i
  for i in $(seq 7); do e2e_press Return; done
  e2e_wait_for 15 field_on_row "$row14_y"
}

# "x)" for the first f term: its translation fails, and the message stands
# for 4 s before the program ends.
reach_message() {
  reach_f_term || return 1
  # The field offers 0.5*x with the cursor on its first character.
  e2e_press Delete Delete Delete Delete Delete
  e2e_type 'x)'
  e2e_press Return
  e2e_wait_for 15 field_on_row "$row23_y" || return 1
  e2e_press Return
  e2e_wait_for 15 message_shown
}

reach_drawing() {
  reach_range || return 1
  e2e_press Return
  e2e_wait_for 30 drawing_shown
}

end_program() {
  case "$end_with" in
    close) e2e_close_window ;;
    term) e2e_term ;;
    int) kill -INT "$E2E_PID" ;;
    *) e2e_fail "FAULTS_END_WITH must be close, term or int" ;;
  esac
}

# run_case KEY NAME REACH ALLOWED_SECONDS
run_case() {
  local key=$1 name=$2 reach=$3 allowed=$4
  case " ${FAULTS_CASES:-$key} " in
    *" $key "*) ;;
    *) return 0 ;;
  esac
  e2e_start "$program"
  e2e_find_window 10
  "$reach" || e2e_fail "$name: the program did not get there"
  local start end
  start=$(date +%s.%N)
  end_program
  e2e_wait_exit "$allowed" || e2e_fail "$name: still running $allowed s after the $end_with"
  end=$(date +%s.%N)
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$name: exit code $E2E_STATUS after the $end_with"
  awk -v n="$name" -v s="$start" -v e="$end" -v w="$end_with" \
    'BEGIN { printf "%s: exit code 0, %.1f s after the %s\n", n, e - s, w }'
}

e2e_start_xvfb

run_case title "title" reach_title $hang_s
run_case count "pair count" reach_count $hang_s
run_case f "f term" reach_f_term $hang_s
run_case g "g term" reach_g_term $hang_s
run_case range "range" reach_range $hang_s
run_case message "message" reach_message $hang_s
run_case drawing "drawing" reach_drawing $hang_s
echo "ok"
