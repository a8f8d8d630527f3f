#!/usr/bin/env bash
# Starts the program many times in a row on one virtual X display and checks
# that every start shows the main window (no abort while connecting).
# Usage: scripts/e2e_startup.sh [build dir] [starts, default 100]
# Needs xvfb-run and xdotool.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
starts=${2:-100}
e2e_dirs "${1:-}" ""
e2e_under_xvfb 1024x768 "$build" "$starts"
e2e_workdir
export XDG_CONFIG_HOME="$work/config"
cd "$work"

failed=0
for ((i = 1; i <= starts; i++)); do
  "$build/src/app/broodlog" >"$work/out" 2>&1 &
  app=$!
  shown=
  for _ in $(seq 100); do
    if xdotool search --onlyvisible --pid "$app" --name '^broodlogprint$' >/dev/null 2>&1; then
      shown=1
      break
    fi
    kill -0 "$app" 2>/dev/null || break
    sleep 0.05
  done
  if [[ -n "$shown" ]]; then
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
  else
    kill "$app" 2>/dev/null || true
    status=0
    wait "$app" 2>/dev/null || status=$?
    echo "FAIL: start $i showed no main window (exit status $status):" >&2
    sed 's/^/  /' "$work/out" >&2
    failed=$((failed + 1))
  fi
done
echo "$((starts - failed)) of $starts starts showed the main window"
[[ $failed -eq 0 ]]
