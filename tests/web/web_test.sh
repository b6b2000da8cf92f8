#!/usr/bin/env bash
# The browser test: makes the references (the headless surface's screens and
# the reference pixels of the first drawing), installs puppeteer-core from the
# lock file, then drives the site in Debian's chromium, firefox-esr and
# WebKitGTK (web_test.mjs; page_checks.mjs in chromium).
# Usage: tests/web/web_test.sh SITE_DIR SCREEN_DUMP [--engines LIST]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
site=$(realpath "$1")
dump=$(realpath "$2")
shift 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$dump" "$work/description.ppm"
"$dump" "$work/dead_key.ppm" enter 'delete*60' 'text:x^2'
# Then TAB, Ctrl+b and a character outside the code page give nothing; the
# euro sign is byte 0x80.
"$dump" "$work/keys.ppm" enter 'delete*60' 'text:x^2' "text:"$'\x80' left text:c
# The term offered again stands in the field with the cursor at its start.
"$dump" "$work/offered_again.ppm" enter 'delete*60' 'text:x*-y' 'left*4'
python3 "$here/../golden/default_pass.py" --pixels "$work/golden.txt" >/dev/null
# The phone run's drawings: a fresh start, the count 3 deleted, 1 or 2 typed,
# Enter for the count, through the terms and the range.
"$dump" "$work/phone_count1.txt" delete text:1 'enter*4'
"$dump" "$work/phone_count2.txt" delete text:2 'enter*6'
# The page's own checks (page_checks.mjs): the count field after a tap and
# an activation of the key bar's Left, and the fern as the examples row types
# it, every field emptied with Entf before its text and Enter.
"$dump" "$work/bar_keys.ppm" text:1234 left left text:x
fern=()
while IFS= read -r field; do fern+=('delete*60' "text:$field" enter); done < <(
  sed -n '/^name: fern$/,/^$/s/^\(count\|f\|g\|range\): //p' "$here/../../docs/recipes.txt")
"$dump" "$work/example_fern.txt" "${fern[@]}"

# The browsers are Debian's; puppeteer-core never fetches one of its own. It
# is installed anew only when the lock file is newer than the last install:
# bench/web_cost.sh may be using it from here meanwhile.
if [ ! "$here/node_modules/.package-lock.json" -nt "$here/package-lock.json" ]; then
  (cd "$here" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null)
fi
node "$here/web_test.mjs" "$site" "$work" "$@"
