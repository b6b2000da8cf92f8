#!/usr/bin/env bash
# Makes every picture the README and the AppStream metadata show, with the
# real program in a virtual X server, typed at with real (XTest) keys:
#   docs/title.png            the title screen
#   docs/input.png            the inputs of the built-in three pairs, at the range
#                             as offered, the cursor on its first cell
#   docs/gallery-NAME.png     the drawing of each recipe of docs/recipes.txt,
#                             taken just before it ends
# Not part of the test command (it takes a few minutes and its pictures are
# checked in); the recipe test keeps the recipes honest.
# Usage: scripts/screenshots.sh [path/to/punktmuster]   (default: a release build)
set -euo pipefail
cd "$(dirname "$0")/.."
docs=$(realpath docs)
. tests/e2e/lib.sh
program=$(e2e_program_or_release build/screenshots "${1:-}")

# The key buffer holds one key: give the program time to take each.
key_delay_ms=80
# More Deletes than any offered default is long.
clear_keys=30
# Frames kept while a drawing runs; the newest one before its end is saved.
ring=6

e2e_build_wait_title

save_png() {
  convert "$1" -strip -define png:exclude-chunks=date,time "$2"
  echo "wrote ${2#"$PWD/"}"
}

heading_shown() { e2e_heading_shown "$E2E_WORK/poll.ppm"; }
drawing_shown() { ! heading_shown; }

# Starts the program and waits for the description screen; with an argument,
# saves the title screen there on the way.
start_program() {
  e2e_start "$program"
  e2e_wait_title 10 || e2e_fail "no title screen"
  e2e_find_window 10
  if [ $# -ge 1 ]; then
    sleep 0.5
    e2e_shot "$E2E_WORK/title.ppm" || e2e_fail "no screenshot of the title"
    save_png "$E2E_WORK/title.ppm" "$1"
  fi
  e2e_wait_for 15 heading_shown || e2e_fail "no description screen"
}

# Types TEXT into the input that waits, after removing CLEAR characters of
# the offered default; the caller confirms it.
enter_text() {
  local clear=$1 text=$2
  if [ "$clear" -gt 0 ]; then
    xdotool key --delay "$key_delay_ms" $(printf 'Delete %.0s' $(seq "$clear"))
  fi
  # From stdin, so that a text beginning with "-" is not taken for an option.
  if [ -n "$text" ]; then printf "%s" "$text" | xdotool type --delay "$key_delay_ms" --file -; fi
  sleep 0.2
}
confirm() {
  e2e_key Return
  sleep 0.3
}

# Waits for the drawing that the last Return started and saves its last frame.
save_drawing() {
  local out=$1 i=0 newest=""
  e2e_wait_for 20 drawing_shown || e2e_fail "the drawing did not begin"
  # Screenshots one after the other into a ring of files; now and then one is
  # looked at. Once the description screen is back, the newest frame without
  # it shows the drawing at most a few frames before its end.
  while :; do
    local frame="$E2E_WORK/frame$((i % ring)).ppm"
    e2e_shot "$frame" || e2e_fail "no screenshot"
    if [ $((i % 3)) -eq 2 ] && e2e_heading_in "$frame"; then break; fi
    i=$((i + 1))
    [ "$i" -lt 1000 ] || e2e_fail "the drawing does not end"
  done
  local back
  for back in $(seq 1 $((ring - 1))); do
    local candidate="$E2E_WORK/frame$(((i - back + ring) % ring)).ppm"
    if ! e2e_heading_in "$candidate"; then
      newest=$candidate
      break
    fi
  done
  [ -n "$newest" ] || e2e_fail "no frame of the drawing kept"
  save_png "$newest" "$out"
}

end_program() {
  e2e_key Escape
  e2e_wait_exit 10 || e2e_fail "still running after ESC"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS"
}

# Types one recipe into a fresh program and saves its drawing.
draw_recipe() {
  local name=$1 count=$2 range=$3
  shift 3
  local title_shot=() term_clear=0
  [ "$name" = sierpinski ] && title_shot=("$docs/title.png")
  start_program "${title_shot[@]}"
  # Only the counts 1, 2 and 3 offer built-in terms in a first pass.
  case "$count" in 1 | 2 | 3) term_clear=$clear_keys ;; esac
  enter_text 1 "$count"
  confirm
  local term
  for term in "$@"; do
    enter_text "$term_clear" "$term"
    confirm
  done
  # The range as the user meets it, before anything is typed.
  if [ "$name" = sierpinski ]; then
    sleep 0.3
    e2e_shot "$E2E_WORK/input.ppm" || e2e_fail "no screenshot of the inputs"
    save_png "$E2E_WORK/input.ppm" "$docs/input.png"
  fi
  enter_text "$clear_keys" "$range"
  e2e_key Return
  save_drawing "$docs/gallery-$name.png"
  end_program
}

e2e_start_xvfb
name="" count="" range="" terms=()
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
    "#"*) continue ;;
    "")
      [ -n "$name" ] && draw_recipe "$name" "$count" "$range" "${terms[@]}"
      name="" count="" range="" terms=()
      ;;
    "name: "*) name=${line#name: } ;;
    "count: "*) count=${line#count: } ;;
    "f: "* | "g: "*) terms+=("${line#?: }") ;;
    "range: "*) range=${line#range: } ;;
  esac
done <docs/recipes.txt
[ -n "$name" ] && draw_recipe "$name" "$count" "$range" "${terms[@]}"
echo "ok"
