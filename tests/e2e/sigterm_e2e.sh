#!/usr/bin/env bash
# SIGTERM at the same moments as in faults_e2e.sh: during the title, at every
# kind of input, while a message stands and while the drawing runs. The
# program must end by itself with exit code 0 in time. SIGINT is handled like
# SIGTERM; two cases show that it is too.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
FAULTS_END_WITH=term bash "$here/faults_e2e.sh" "$1"
FAULTS_END_WITH=int FAULTS_CASES="count drawing" bash "$here/faults_e2e.sh" "$1"
