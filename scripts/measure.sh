#!/usr/bin/env bash
# Runs the real program in a virtual X server and reports:
#  (a) the time from process start to the title on the screen (a pixel
#      poller watches the window every 5 ms),
#  (b) the CPU time it uses while it waits at an input for 10 s,
#  (c) its peak resident memory,
#  (d) the length and CPU time of one paced drawing (from the Return that
#      confirms the range until the next description screen),
#  (e) the same for a drawing whose range shows nothing of the figure,
#  (f) the time from ESC at the " Rechenfehler " message of f = 2x to the
#      next description screen.
# CPU times are utime + stime of all its threads from /proc/<pid>/stat.
# Usage: scripts/measure.sh [path/to/punktmuster]   (default: a release build)
set -euo pipefail
cd "$(dirname "$0")/.."
. tests/e2e/lib.sh
program=$(e2e_program_or_release build/measure "${1:-}")

ticks_per_s=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$E2E_PID/stat"; }
# Nanoseconds on a processor, all threads together (finer than the ticks).
cpu_ns() { cat /proc/"$E2E_PID"/task/*/schedstat | awk '{ns += $1} END {print ns}'; }
seconds_between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

heading_shown() { e2e_heading_shown "$E2E_WORK/poll.ppm"; }

e2e_start_xvfb
e2e_build_wait_title
started=$(date +%s.%N)
e2e_start "$program"
e2e_wait_title 10 || e2e_fail "no title screen"
shown=$(date +%s.%N)
echo "(a) start to the title on the screen: $(seconds_between "$started" "$shown") s"
e2e_find_window 10
e2e_wait_for 15 heading_shown || e2e_fail "no description screen"

sleep 1
before=$(cpu_ns)
sleep 10
after=$(cpu_ns)
awk -v ns=$((after - before)) \
  'BEGIN { printf "(b) CPU while waiting at an input for 10 s: %.4f s (%.3f%% of one core)\n", ns / 1e9, ns / 1e9 * 10 }'

# Pair count, three pairs of two terms, the range: eight Returns, one at a
# time (the program keeps one key).
for _ in $(seq 7); do e2e_press Return; done
before=$(cpu_ticks)
drawing_start=$(date +%s.%N)
e2e_key Return
sleep 1
e2e_wait_for 30 heading_shown || e2e_fail "no description screen after the drawing"
drawing_end=$(date +%s.%N)
after=$(cpu_ticks)
wall=$(seconds_between "$drawing_start" "$drawing_end")
awk -v t=$((after - before)) -v hz="$ticks_per_s" -v wall="$wall" \
  'BEGIN { printf "(d) one paced drawing: %.2f s CPU in %.2f s (%.1f%% of one core)\n", t / hz, wall, t / hz / wall * 100 }'

fresh_description() { e2e_fresh_description "$E2E_WORK/poll.ppm"; }
message_shown() { e2e_message_shown "$E2E_WORK/poll.ppm"; }
# The same count again, the same terms, and a range far from the figure.
for _ in $(seq 7); do e2e_press Return; done
for _ in $(seq 20); do e2e_press Delete; done
e2e_type '(10,10) - (11,11)'
sleep 0.5
drawing_start=$(date +%s.%N)
e2e_key Return
sleep 1
e2e_wait_for 30 heading_shown || e2e_fail "no description screen after the empty drawing"
drawing_end=$(date +%s.%N)
echo "(e) a paced drawing that shows nothing: $(seconds_between "$drawing_start" "$drawing_end") s"

# f = 2x fails at every evaluation; ESC at its first message.
e2e_press Return
e2e_press Delete Delete Delete Delete Delete
e2e_type 2x
e2e_press Return
for _ in $(seq 5); do e2e_press Return; done
e2e_press Delete Delete Delete Delete Delete Delete Delete Delete Delete Delete Delete Delete Delete
e2e_type '(0,0) - (1,1)'
e2e_press Return
e2e_wait_for 30 message_shown || e2e_fail "no message for 2x"
escaped=$(date +%s.%N)
e2e_key Escape
e2e_wait_for 30 fresh_description || e2e_fail "no description screen after ESC at the message"
shown=$(date +%s.%N)
echo "(f) ESC at the message of 2x to the next description screen: $(seconds_between "$escaped" "$shown") s"

echo "(c) peak resident memory: $(awk '/VmHWM/ {print $2, $3}' "/proc/$E2E_PID/status")"

sleep 0.3
e2e_key Escape
e2e_wait_exit 10 || e2e_fail "still running after ESC"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS"
