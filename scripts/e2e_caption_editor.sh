#!/usr/bin/env bash
# End-to-end check of "configure" as a user would do it, on a virtual X
# display: start the program in an empty directory, open the caption editor,
# OK, Cancel after an edit, and move the dialog to see it reopen there.
# Usage: scripts/e2e_caption_editor.sh [build dir] [screenshot dir]
# Needs xvfb-run, xdotool and ImageMagick's import.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
shots=${2:-$(mktemp -d)}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [[ -z "${E2E_INSIDE_X:-}" ]]; then
  export E2E_INSIDE_X=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" "$0" "$build" "$shots"
fi

export XDG_CONFIG_HOME="$work/config"
cd "$work"
"$build/src/app/broodlog" &
app=$!
fail() { echo "FAIL: $*" >&2; kill "$app" 2>/dev/null || true; exit 1; }

wait_window() {  # name -> window id
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
wait_gone() {
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}
click() {  # window x y (client pixels)
  xdotool mousemove --sync --window "$1" "$2" "$3" click 1
}
configure() {
  click "$main" 200 28   # "configure"
  dlg=$(wait_window "Text to big broodlog") || fail "the caption editor did not open"
  sleep 0.3
}
ok() { click "$dlg" 340 300; wait_gone "Text to big broodlog" || fail "OK did not close the editor"; }
cancel() { click "$dlg" 428 300; wait_gone "Text to big broodlog" || fail "Cancel did not close the editor"; }

main=$(wait_window broodlogprint) || fail "no main window"
sleep 0.5

# 1. configure, OK: the 21 editor defaults with CR LF.
configure
import -window root "$shots/caption_editor.png"
ok
printf '%s\r\n' "Date or hive" "Revised the brood" "+- boxes/frames" "bee strenght" "Swarming (1-5)" \
  "Aggressivity (1-5)" "Steadiness (1-5)" "Disease (1-5)" "Honey harvest" "feed given" "Varroa" \
  "Varroa count" "Disease" "Medicine or treatment" "extra text" "extra text" "extra text" \
  "extra text" "extra text" "extra text" "remarks" > "$work/expected.txt"
cmp -s broodlog.txt "$work/expected.txt" || fail "broodlog.txt does not hold the 21 defaults"
echo "ok: OK wrote the 21 defaults with CR LF"

# 2. edit a box, Cancel: the file is unchanged.
before=$(md5sum < broodlog.txt)
configure
click "$dlg" 144 58          # box "2."
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "Queen seen"
sleep 0.2
import -window root "$shots/caption_editor_edited.png"
cancel
[[ "$(md5sum < broodlog.txt)" == "$before" ]] || fail "Cancel changed broodlog.txt"
echo "ok: Cancel left broodlog.txt unchanged"

# 3. move the dialog, Cancel, configure again: it opens where it was left.
configure
xdotool windowmove --sync "$dlg" 61 43
sleep 0.3
cancel
configure
eval "$(xdotool getwindowgeometry --shell "$dlg")"
import -window root "$shots/caption_editor_moved.png"
[[ "$X" == 61 && "$Y" == 43 ]] || fail "the editor reopened at $X,$Y instead of 61,43"
echo "ok: the editor reopened at 61,43"
grep -q '^NormPos=' "$XDG_CONFIG_HOME/Software/broodlog.ini" || fail "no NormPos in the settings store"
cancel

# 4. the same edit confirmed with OK reaches the file.
configure
click "$dlg" 144 58
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "Queen seen"
ok
[[ "$(sed -n 2p broodlog.txt)" == $'Queen seen\r' ]] || fail "OK did not save the edited box"
echo "ok: OK saved the edited box"

click "$main" 128 68  # "&Close"
wait "$app" || true
echo "screenshots in $shots"
