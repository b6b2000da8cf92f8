#!/usr/bin/env bash
# Starts in a row, each ended by ESC during the title: every one must open its
# window. The server starts afresh when its last client leaves, as X servers
# do by default, and the window is looked for by one short-lived client a look.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
program=$(e2e_program_or_release build/release "${1:-}")
starts=${RESTART_STARTS:-30}
E2E_XVFB_RESET=1 e2e_start_xvfb
for i in $(seq "$starts"); do
  e2e_start "$program"
  for t in $(seq 500); do
    E2E_WINDOW=$(xdotool search --name "$E2E_CAPTION" 2>/dev/null | head -n1 || true)
    [ -z "$E2E_WINDOW" ] && kill -0 "$E2E_PID" 2>/dev/null && sleep 0.01 || break
  done
  e2e_wait_exit 0 && e2e_fail "start $i of $starts: no window, exit code $E2E_STATUS"
  [ -n "$E2E_WINDOW" ] || e2e_fail "start $i of $starts: no window in time"
  e2e_point_at_window
  e2e_key Escape
  e2e_wait_exit 10 || e2e_fail "start $i of $starts: still running 10 s after ESC"
  [ "$E2E_STATUS" = 0 ] || e2e_fail "start $i of $starts: exit code $E2E_STATUS"
done
echo "restart: $starts starts, each with its window"
