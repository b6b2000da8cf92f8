#!/usr/bin/env bash
# What the desktop window costs at the desktop's scale factors 1, 2 and 3, in
# one run, as one table. A benchmark: it asserts nothing; the machine is
# shared, so compare the figures of one run with each other.
#
# One Xvfb screen of 3840 x 2160; for each factor k the resource database
# gets "Xft.dpi: 96k" and the program starts anew, so its window opens at
# k x (1030 x 630). Per factor:
#   window   the window's size as the X server has it
#   title    process start to the title's first pixel on the screen (a
#            pixel poller looks every 5 ms)
#   idle     the program's CPU while it waits 10 s at the pair count, in
#            percent of one core
#   drawing  CPU of one drawing of the built-in pairs (from the Enter that
#            confirms the range to the next description screen, seen by a
#            pixel of its heading), the program's and the X server's, and
#            its wall time; the median of --runs drawings
#   memory   the program's peak resident memory (VmHWM) at the end
# CPU is the threads' schedstat nanoseconds (/proc/PID/task/*/schedstat).
#
# Options:
#   --runs N          drawings per factor (default 3)
#   --factors LIST    comma-separated (default 1,2,3)
#   --program PATH    the program (default: a release build made in
#                     build/measure of this checkout)
# Needs what scripts/deps.sh test installs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/.."

runs=3
factors=1,2,3
program=""
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --factors) factors=$2; shift 2 ;;
    --program) program=$(realpath "$2"); shift 2 ;;
    *)
      sed -n '2,/^set -euo/p' "$0" | sed '$d' >&2
      exit 2
      ;;
  esac
done

. tests/e2e/lib.sh
if [ -z "$program" ]; then
  # Two jobs at most: the machine may be shared.
  cmake -S . -B build/measure -G Ninja -DCMAKE_BUILD_TYPE=Release -DPUNKT_TESTS=OFF >/dev/null
  cmake --build build/measure -j 2 --target punktmuster >/dev/null
  program=$(realpath build/measure/src/main/punktmuster)
fi

cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ns += $1} END {printf "%.0f\n", ns}'; }
median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

e2e_start_xvfb 3840x2160
e2e_build_wait_title
printf '%-7s %-10s %9s %9s %12s %12s %9s %9s\n' factor window title_ms idle_% \
  program_s x_server_s wall_s memory
for k in ${factors//,/ }; do
  echo "Xft.dpi: $((96 * k))" | xrdb -nocpp -load
  started=$(date +%s%N)
  e2e_start "$program"
  # The title's green box, and the description screen's red heading, at k.
  "$E2E_WORK/wait_pixel" "$E2E_CAPTION_TEXT" $((480 * k)) $((160 * k)) 00BE00 20 ||
    e2e_fail "no title screen at factor $k"
  title_ms=$((($(date +%s%N) - started) / 1000000))
  e2e_find_window 10
  heading_back() { "$E2E_WORK/wait_pixel" "$E2E_CAPTION_TEXT" $((467 * k)) $((33 * k)) F00000 "$1"; }
  heading_back 20 || e2e_fail "no description screen at factor $k"
  eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW")"
  window="${WIDTH}x$HEIGHT"

  sleep 1
  before=$(cpu_ns "$E2E_PID")
  sleep 10
  idle=$(awk -v ns=$(($(cpu_ns "$E2E_PID") - before)) 'BEGIN { printf "%.3f", ns / 1e9 * 10 }')

  for _ in $(seq "$runs"); do
    # Pair count, three pairs of two terms, the range: the same three pairs
    # again at every pass.
    for _ in $(seq 7); do e2e_press Return; done
    program_before=$(cpu_ns "$E2E_PID")
    x_before=$(cpu_ns "$E2E_XVFB_PID")
    drawing_started=$(date +%s%N)
    e2e_key Return
    sleep 1
    heading_back 30 || e2e_fail "no description screen after a drawing at factor $k"
    echo "$(($(cpu_ns "$E2E_PID") - program_before)) $(($(cpu_ns "$E2E_XVFB_PID") - x_before))" \
      "$(($(date +%s%N) - drawing_started))"
  done >"$E2E_WORK/drawings.txt"
  memory=$(awk '/VmHWM/ {print $2 $3}' "/proc/$E2E_PID/status")
  e2e_key Escape
  e2e_wait_exit 10 || e2e_fail "still running after ESC"

  seconds() { awk -v c="$1" '{print $c / 1e9}' "$E2E_WORK/drawings.txt" | median; }
  printf '%-7s %-10s %9s %9s %12.3f %12.3f %9.2f %9s\n' "$k" "$window" "$title_ms" "$idle" \
    "$(seconds 1)" "$(seconds 2)" "$(seconds 3)" "$memory"
done
