# The helpers the end-to-end scripts (scripts/e2e_*.sh) share; source it:
#   . "$(dirname "$0")/e2e_lib.sh"
#   e2e_dirs "$@"                  # here, build, shots from [build dir] [screenshot dir]
#   e2e_under_xvfb 1024x768 ARGS   # re-runs the script on a virtual X display
#   e2e_workdir                    # work: a temporary folder, removed at exit
# then windows, wait_count, wait_window, wait_gone, click, retype, activate,
# shot and fail. `app` holds the program's process id once it runs; fail
# ends it. E2E_WAIT_TENTHS (default 200) bounds every wait, in tenths of a
# second: a slow build (the sanitizer's) gets the same script.

e2e_wait_tenths=${E2E_WAIT_TENTHS:-200}
app=""

# here: the checkout; build: the build tree ($1, default build/); shots:
# where screenshots go ($2; unset: a new temporary folder; empty: none).
e2e_dirs() {
  here=$(cd "$(dirname "$0")/.." && pwd)
  build=$(cd "${1:-$here/build}" && pwd)
  shots=${2-$(mktemp -d)}
  [[ -z "$shots" ]] && return 0
  mkdir -p "$shots"
  shots=$(cd "$shots" && pwd)
}

# Runs the calling script again under xvfb-run on a screen of SIZE at 96 dpi,
# reachable by its socket only; returns where it already runs there.
e2e_under_xvfb() {  # SIZE ARGS...
  local size=$1
  shift
  [[ -n "${E2E_INSIDE_X:-}" ]] && return 0
  export E2E_INSIDE_X=1
  exec xvfb-run -a -s "-screen 0 ${size}x24 -dpi 96 -nolisten tcp" "$0" "$@"
}

e2e_workdir() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

# Says what failed, keeps a screenshot of the whole screen beside the
# others and ends the program.
fail() {
  echo "FAIL: $*" >&2
  [[ -n "${shots:-}" ]] && { import -window root "$shots/$(basename "$0" .sh)_failure.png" 2>/dev/null || true; }
  [[ -n "$app" ]] && { kill "$app" 2>/dev/null || true; }
  exit 1
}

windows() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
wait_count() {  # name count: waits until that many such windows show
  for _ in $(seq "$e2e_wait_tenths"); do
    [[ $(windows "$1" | wc -l) -eq $2 ]] && return 0
    sleep 0.1
  done
  return 1
}
wait_window() {  # name -> the id of the first such window
  local id
  for _ in $(seq "$e2e_wait_tenths"); do
    id=$(windows "$1" | head -1)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
wait_gone() { wait_count "$1" 0; }
click() { xdotool mousemove --sync --window "$1" "$2" "$3" click 1; }  # window x y (client pixels)
retype() {  # window x y text: clicks into a field and replaces its text
  click "$1" "$2" "$3"
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 20 "$4"
}
# With no window manager nothing activates a new window; do what one does.
activate() { xdotool windowfocus --sync "$1"; sleep 0.4; }
shot() { import -window "$1" "$2"; }  # window file
