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

# 5. settings that cannot be read or created: the message shows, the
# editor opens all the same and still saves its headings. Root runs the
# program as nobody, for whom permissions hold; file systems that are full
# or read-only are mounted for it (root only).
as_user=()
owner=""
if [[ $(id -u) == 0 ]]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  owner=nobody:nogroup
  chmod 755 "$work"
fi
mounts=()
trap 'for m in "${mounts[@]}"; do umount -l "$m" 2>/dev/null || true; done; rm -rf "$work"' EXIT
settings_case() {  # name env-assignments...
  local name=$1
  shift
  local run="$work/run-$RANDOM"
  mkdir -p "$run"
  cp "${XAUTHORITY:-/dev/null}" "$run/xauth" 2>/dev/null || true
  [[ -n "$owner" ]] && chown "$owner" "$run" "$run/xauth" 2>/dev/null
  (cd "$run" && exec env -u XDG_CONFIG_HOME XAUTHORITY="$run/xauth" "$@" "${as_user[@]}" "$build/src/app/broodlog") &
  app=$!
  main=$(wait_window broodlogprint) || fail "$name: no main window"
  sleep 0.5
  click "$main" 200 28   # "configure"
  local box
  box=$(wait_window broodlog) || fail "$name: no message"
  dlg=$(wait_window "Text to big broodlog") || fail "$name: the caption editor did not open"
  shot root "$shots/caption_editor_settings_$name.png"
  activate "$box"
  xdotool key --clearmodifiers Return
  wait_gone broodlog || fail "$name: the message did not close"
  activate "$dlg"
  retype "$dlg" 144 58 "Queen seen"
  ok
  [[ "$(sed -n 2p "$run/broodlog.txt")" == $'Queen seen\r' ]] || fail "$name: OK did not save the headings"
  click "$main" 128 68
  wait "$app" || true
  app=""
  echo "ok: $name: the message, then the editor, which saved the headings"
}
if [[ -n "$owner" || $(id -u) != 0 ]]; then
  unreadable="$work/unreadable"
  mkdir -p "$unreadable/Software"
  : >"$unreadable/Software/broodlog.ini"
  [[ -n "$owner" ]] && chown -R "$owner" "$unreadable"
  chmod 000 "$unreadable/Software/broodlog.ini"
  settings_case unreadable XDG_CONFIG_HOME="$unreadable"  # "Failed to get data for 'FormVersion'"
  closed_home="$work/closed-home"
  mkdir -p "$closed_home"
  chmod 555 "$closed_home"
  settings_case home-unwritable HOME="$closed_home"  # "Failed to create key Software\broodlog"
fi
if [[ $(id -u) == 0 ]]; then
  full="$work/no-inodes"
  mkdir -p "$full"
  if mount -t tmpfs -o nr_inodes=1,mode=777 tmpfs "$full" 2>/dev/null; then
    mounts+=("$full")
    settings_case no-inodes XDG_CONFIG_HOME="$full"
    ro="$work/read-only"
    mkdir -p "$ro"
    mount -t tmpfs -o ro tmpfs "$ro" && mounts+=("$ro")
    settings_case read-only XDG_CONFIG_HOME="$ro"
  else
    echo "skip: no tmpfs can be mounted here for the full and read-only settings"
  fi
fi
echo "screenshots in $shots"
