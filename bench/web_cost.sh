#!/usr/bin/env bash
# What the browser build costs beside the desktop program, in one run, as one
# table. A benchmark: it asserts nothing; the machine is shared, so compare
# figures of one run with each other, and run it again for a second opinion.
#
#   --drawing  CPU time of one whole drawing of the built-in pairs (title,
#              Enter eight times; from the last Enter to the next description
#              screen): the desktop program and its X server under Xvfb, and
#              all processes of each browser engine; the drawing's wall time,
#              and in the browsers the page's frames per second (animation
#              frames counted in the page while the drawing is on screen).
#              Beside it, in the same browser, the floor of a drawing: a
#              page whose canvas changes one pixel a frame for 5 s (what the
#              frames cost at the least), plus the drawing's computation
#              without frames (the page asked for none from the last Enter
#              to the next pair count); each engine's drawing as a ratio to
#              that floor and to the desktop.
#   --idle     CPU of each engine's processes while the page waits 20 s at the
#              pair count, beside the same engine showing about:blank for 20 s
#              before it (percent of one core); each a few spans in a row after
#              10 s to settle, as a browser's background work comes in bursts.
#   --start    the first frame of the page against an empty canvas page (a
#              grey fill and one line of text, served by the same server), in
#              fresh browsers: median and range, and the ratio.
#   (none of the three: all of them)
# Needs what scripts/deps.sh test and web install.
#
# Options:
#   --site DIR          the site to measure (default: build/web/site of this
#                       checkout; scripts/web.sh builds it)
#   --engines LIST      comma-separated, of chromium,firefox,webkit (default all)
#   --runs N            drawings per engine and of the desktop (default 3)
#   --idle-runs N       spans of 20 s per page and engine for --idle (default 3)
#   --starts N          fresh browsers per page and engine for --start (default 10)
#   --program PATH      the desktop program (default: a release build made in
#                       build/measure of this checkout)
#
# Another checkout's site is measured from here as well:
#   /work/wt/web-engines/bench/web_cost.sh --site ../web-cost/build/web/site --idle
#
# How it measures:
# - CPU is utime + stime from /proc/PID/stat summed over a process and all its
#   descendants, with cutime + cstime (what they spent in children they have
#   reaped), so that a process that ends within the span still counts. The
#   idle figures use the threads' schedstat nanoseconds instead (the ticks are
#   10 ms, too coarse for 20 s at 0.1%), which miss a thread that ends within
#   the span.
# - The browsers: Chromium and Firefox ESR headless through puppeteer-core,
#   WebKitGTK's MiniBrowser through WebKitWebDriver in an Xvfb of its own,
#   whose CPU is shown beside the engine's (the desktop's X server counts in
#   the desktop's figure likewise). tests/web/engines.mjs drives them.
# - The desktop: the program in Xvfb driven by xdotool, as scripts/measure.sh
#   does; the next description screen is seen by a pixel of its red heading,
#   polled every 5 ms from one second after the Enter (one pixel a look, so
#   that the looking costs the X server next to nothing).
# - The drawing in a page: the last Enter's keydown to the first animation
#   frame in which a pixel of the red heading is back on the canvas.
# - First frame: window.punktmuster.firstFrameMs, performance.now() (from the
#   navigation's start) right after the page first puts a picture on its
#   canvas, before the browser paints it; the program's page records it after
#   its first frame is put on the canvas, the empty page right after its fill
#   and text. Each start is a fresh browser with a new profile.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

site="$root/build/web/site"
program=""
node_args=()
desktop=0
while [ $# -gt 0 ]; do
  case "$1" in
    --site) site=$2; shift 2 ;;
    --program) program=$(realpath "$2"); shift 2 ;;
    --engines | --runs | --idle-runs | --starts) node_args+=("$1" "$2"); shift 2 ;;
    --drawing) desktop=1; node_args+=("$1"); shift ;;
    --idle | --start) node_args+=("$1"); shift ;;
    *)
      sed -n '2,/^set -euo/p' "$0" | sed '$d' >&2
      exit 2
      ;;
  esac
done
site=$(realpath "$site")
[ -s "$site/index.html" ] || { echo "web_cost.sh: no site in $site (scripts/web.sh builds one)" >&2; exit 1; }
# Without a part named, all of them, the desktop's drawing included.
case " ${node_args[*]:-} " in
  *" --drawing "* | *" --idle "* | *" --start "*) ;;
  *) desktop=1 ;;
esac
runs=3
for ((i = 0; i < ${#node_args[@]}; i++)); do
  [ "${node_args[$i]}" = --runs ] && runs=${node_args[$((i + 1))]}
done

# puppeteer-core from the lock file, fetched only when it is not there yet:
# others may run this from here while a run is going on.
web="$root/tests/web"
if [ ! "$web/node_modules/.package-lock.json" -nt "$web/package-lock.json" ]; then
  (cd "$web" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$desktop" -eq 1 ]; then
  (
    cd "$root"
    . tests/e2e/lib.sh
    if [ -z "$program" ]; then
      # Two jobs at most: the machine may be shared.
      cmake -S . -B build/measure -G Ninja -DCMAKE_BUILD_TYPE=Release -DPUNKT_TESTS=OFF >/dev/null
      cmake --build build/measure -j 2 --target punktmuster >/dev/null
      program=$(realpath build/measure/src/main/punktmuster)
    fi
    # A pixel of the description screen's red heading.
    heading_back() { "$E2E_WORK/wait_pixel" "$E2E_CAPTION_TEXT" 467 33 F00000 30; }
    tree_ticks() { awk '{print $14 + $15 + $16 + $17}' "/proc/$1/stat"; }
    ticks_per_s=$(getconf CLK_TCK)

    e2e_start_xvfb
    e2e_build_wait_title
    e2e_start "$program"
    e2e_wait_title 20 || e2e_fail "no title screen"
    e2e_find_window 10
    e2e_wait_for 15 e2e_heading_shown "$E2E_WORK/poll.ppm" || e2e_fail "no description screen"
    for _ in $(seq "$runs"); do
      # Pair count, three pairs of two terms, the range: the same three
      # pairs again at every pass.
      for _ in $(seq 7); do e2e_press Return; done
      program_before=$(tree_ticks "$E2E_PID")
      x_before=$(tree_ticks "$E2E_XVFB_PID")
      started=$(date +%s.%N)
      e2e_key Return
      sleep 1
      heading_back || e2e_fail "no description screen after the drawing"
      ended=$(date +%s.%N)
      program_after=$(tree_ticks "$E2E_PID")
      x_after=$(tree_ticks "$E2E_XVFB_PID")
      awk -v p=$((program_after - program_before)) -v x=$((x_after - x_before)) \
        -v hz="$ticks_per_s" -v a="$started" -v b="$ended" \
        'BEGIN { printf "%.3f %.3f %.3f\n", p / hz, x / hz, b - a }'
    done >"$work/desktop.txt"
    e2e_key Escape
    e2e_wait_exit 10 || e2e_fail "still running after ESC"
  )
  node_args+=(--desktop "$work/desktop.txt")
fi

node "$here/web_cost.mjs" --site "$site" "${node_args[@]}"
