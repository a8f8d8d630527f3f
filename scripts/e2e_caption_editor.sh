#!/usr/bin/env bash
# End-to-end check of "configure" as a user would do it, on a virtual X
# display: start the program in an empty directory, open the caption editor,
# OK, Cancel after an edit, and move the dialog to see it reopen there.
# Usage: scripts/e2e_caption_editor.sh [build dir] [screenshot dir]
# Needs xvfb-run, xdotool and ImageMagick's import.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_dirs "$@"
e2e_under_xvfb 1024x768 "$build" "$shots"
e2e_workdir

export XDG_CONFIG_HOME="$work/config"
cd "$work"
"$build/src/app/broodlog" &
app=$!

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
shot root "$shots/caption_editor.png"
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
retype "$dlg" 144 58 "Queen seen"   # box "2."
sleep 0.2
shot root "$shots/caption_editor_edited.png"
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
shot root "$shots/caption_editor_moved.png"
[[ "$X" == 61 && "$Y" == 43 ]] || fail "the editor reopened at $X,$Y instead of 61,43"
echo "ok: the editor reopened at 61,43"
grep -q '^NormPos=' "$XDG_CONFIG_HOME/Software/broodlog.ini" || fail "no NormPos in the settings store"
cancel

# 4. the same edit confirmed with OK reaches the file.
configure
retype "$dlg" 144 58 "Queen seen"
ok
[[ "$(sed -n 2p broodlog.txt)" == $'Queen seen\r' ]] || fail "OK did not save the edited box"
echo "ok: OK saved the edited box"

click "$main" 128 68  # "&Close"
wait "$app" || true
echo "screenshots in $shots"
