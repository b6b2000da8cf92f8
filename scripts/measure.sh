#!/usr/bin/env bash
# Runs the real program in a virtual X server and reports:
#  (a) the time from process start to the first frame on the screen (the
#      program reports that moment itself when PUNKT_TRACE=1),
#  (b) the CPU time it uses while it waits at an input for 10 s,
#  (c) its peak resident memory,
#  (d) the CPU time of one paced drawing (from the Return that confirms the
#      range until the next description screen).
# CPU times are utime + stime of all its threads from /proc/<pid>/stat.
# Usage: scripts/measure.sh [path/to/punktmuster]   (default: a release build)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -ge 1 ]; then
  program=$(realpath "$1")
else
  cmake -S . -B build/measure -G Ninja -DCMAKE_BUILD_TYPE=Release -DPUNKT_TESTS=OFF >/dev/null
  cmake --build build/measure --target punktmuster >/dev/null
  program=$(realpath build/measure/src/main/punktmuster)
fi
. tests/e2e/lib.sh

ticks_per_s=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$E2E_PID/stat"; }
seconds_between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

heading_shown() {
  e2e_shot "$E2E_WORK/poll.ppm" || return 1
  [ "$(e2e_count "$E2E_WORK/poll.ppm" 368 31 232 31 F00000)" -gt 0 ]
}

e2e_start_xvfb
started=$(date +%s.%N)
e2e_start "$program" PUNKT_TRACE=1
e2e_find_window 10
e2e_wait_for 15 heading_shown || e2e_fail "no description screen"
presented=$(grep -o 'first frame presented at [0-9.]*' "$E2E_STDERR" | awk '{print $5}')
[ -n "$presented" ] || e2e_fail "the program did not report its first frame"
echo "(a) start to first presented frame: $(seconds_between "$started" "$presented") s"

sleep 1
before=$(cpu_ticks)
sleep 10
after=$(cpu_ticks)
awk -v t=$((after - before)) -v hz="$ticks_per_s" \
  'BEGIN { printf "(b) CPU while waiting at an input for 10 s: %.2f s (%.2f%% of one core)\n", t / hz, t / hz * 10 }'

# Pair count, three pairs of two terms, the range: eight Returns, one at a
# time (the program keeps one key).
for _ in $(seq 7); do
  e2e_key Return
  sleep 0.3
done
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

echo "(c) peak resident memory: $(awk '/VmHWM/ {print $2, $3}' "/proc/$E2E_PID/status")"

e2e_key Escape
e2e_wait_exit 2 || e2e_fail "still running after ESC"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS"
