#!/usr/bin/env bash
# End-to-end check of the program on other desktops, under a window manager
# (openbox) on a virtual X display: the main window's outer size and icon;
# in German and in French the main window, the caption editor, the
# preview, the printer dialog and the file dialog by their translated
# titles, and the saved sheet with the translated header and headings (no
# caption file); and on a dark theme (GNOME's Adwaita-dark through Qt's GTK
# platform theme) the contrast of every text of the main window and the
# preview's toolbar, measured on screenshots. Screenshots of each window go
# to the screenshot folder.
# Usage: scripts/e2e_desktops.sh [build dir] [screenshot dir]
# Needs xvfb-run, xdotool, ImageMagick, poppler-utils, python3, x11-utils and
# openbox; the dark theme Qt's GTK platform theme (qt6-gtk-platformtheme).
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_dirs "$@"
e2e_under_xvfb 1024x768 "$build" "$shots"
e2e_workdir
export XDG_CONFIG_HOME="$work/config"
cd "$work"
unset LANGUAGE LC_ALL LC_MESSAGES

openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
sleep 1  # it announces itself before it takes over the screen

start() {  # LANG [VARIABLE=VALUE...]
  env LANG="$1" "${@:2}" "$build/src/app/broodlog" 2>"$work/stderr.txt" &
  app=$!
  main=$(wait_window broodlogprint) || { cat "$work/stderr.txt" >&2; fail "no main window under LANG=$1"; }
  sleep 1
}
stop() {
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  app=""
}
# The outer (framed) geometry of a client window: x y width height.
outer() {
  local frame
  frame=$(xwininfo -tree -id "$1" | awk '/Parent window id/ {print $4}')
  xwininfo -id "$frame" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                               /Width/ {w=$2} /Height/ {h=$2} END {print x, y, w, h}'
}

# 1. Under a window manager the main window is 286 x 171 pixels outside,
# at 228, 104, and shows the program's icon.
start C.UTF-8
read -r x y w h <<<"$(outer "$main")"
[[ "$w $h" == "286 171" ]] || fail "the main window is $w x $h outside, not 286 x 171"
[[ "$x $y" == "228 104" ]] || fail "the main window's frame is at $x, $y, not 228, 104"
# (grep reads it all: with pipefail, xprop cut off by an early grep -q would fail the line)
xprop -id "$main" _NET_WM_ICON | grep 'Icon (48 x 48)' >/dev/null || fail "no window icon (_NET_WM_ICON)"
echo "ok: framed by openbox the main window is 286 x 171 at 228, 104 with its icon"
stop

check_language() {  # LANG editor preview printer file-dialog apiary-caption first-heading
  local lang=$1 editor=$2 preview=$3 printer=$4 save=$5 caption=$6 heading=$7 tag=${1%%_*}
  start "$lang"
  shot "$main" "$shots/languages_${tag}_main.png"
  # The caption editor, closed with Esc.
  click "$main" 200 28
  dlg=$(wait_window "$editor") || fail "$tag: no caption editor titled \"$editor\""
  sleep 0.5
  shot "$dlg" "$shots/languages_${tag}_editor.png"
  activate "$dlg"
  xdotool key Escape
  wait_gone "$editor" || fail "$tag: Esc did not close the editor"
  # A name, Enter: the preview.
  click "$main" 100 130
  xdotool type --delay 20 "Linde"
  xdotool key Return
  pv=$(wait_window "$preview") || fail "$tag: no preview titled \"$preview\""
  sleep 1
  shot "$pv" "$shots/languages_${tag}_preview.png"
  # The printer dialog, cancelled with Esc.
  activate "$pv"
  xdotool key ctrl+p
  pd=$(wait_window "$printer") || fail "$tag: no printer dialog titled \"$printer\""
  sleep 0.5
  shot "$pd" "$shots/languages_${tag}_printer.png"
  activate "$pd"
  xdotool key Escape
  wait_gone "$printer" || fail "$tag: Esc did not close the printer dialog"
  # Save as PDF through the file dialog.
  activate "$pv"
  xdotool key ctrl+s
  fd=$(wait_window "$save") || fail "$tag: no file dialog titled \"$save\""
  sleep 0.8
  shot "$fd" "$shots/languages_${tag}_file_dialog.png"
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 10 "$work/$tag.pdf"
  xdotool key Return
  for _ in $(seq 50); do [[ -s "$tag.pdf" ]] && break; sleep 0.1; done
  [[ -s "$tag.pdf" ]] || fail "$tag: Save as PDF wrote nothing"
  text=$(pdftotext "$tag.pdf" - | tr -d '\n')
  for want in "$caption" "$heading" Linde; do
    [[ "$text" == *"$want"* ]] || fail "$tag: the sheet lacks \"$want\""
  done
  pdftoppm -png -singlefile -r 80 "$tag.pdf" "$shots/languages_${tag}_sheet"
  echo "ok: $lang shows the main window, the caption editor, the preview, the printer dialog and the file dialog translated; the sheet reads \"$caption\" and \"$heading\""
  stop
}

check_language de_DE.UTF-8 "Texte für die Stockkarte" Berichtsvorschau "Drucker auswählen" "Als PDF speichern" \
  "Bienenstand" "Datum/Volk"
check_language fr_FR.UTF-8 "Textes de la fiche de visite" "Aperçu du rapport" "Choisir l’imprimante" \
  "Enregistrer en PDF" "Rucher" "Date/ruche"
# 3. A dark theme: every text of the main window and of the preview's
# toolbar reads at 4.5:1 or better on a screenshot.
if ! compgen -G "/usr/lib/*/qt6/plugins/platformthemes/libqgtk3.so" >/dev/null; then
  echo "skipped: the dark theme needs Qt's GTK platform theme (qt6-gtk-platformtheme)"
else
  pixels() { python3 "$here/scripts/e2e_pixels.py" "$@"; }
  readable() {  # image name x y w h
    local ratio
    ratio=$(pixels contrast "$1" "${@:3}")
    python3 -c "import sys; sys.exit(0 if float('$ratio') >= 4.5 else 1)" ||
      fail "on the dark theme $2 reads at $ratio:1 only"
    echo "  $2: $ratio:1"
  }
  start C.UTF-8 QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
  shot "$main" "$shots/dark_main.png"
  convert "$shots/dark_main.png" "$work/main.ppm"
  click "$main" 100 130
  xdotool type --delay 20 "Linde"
  xdotool key Return
  pv=$(wait_window "Report of data") || fail "no preview on the dark theme"
  sleep 1
  shot "$pv" "$shots/dark_preview.png"
  convert "$shots/dark_preview.png" "$work/preview.ppm"
  echo "ok: on the dark theme every text reads:"
  readable "$work/main.ppm" "the link" 8 88 260 13
  readable "$work/main.ppm" "\"Apiary\"" 100 105 60 16
  readable "$work/main.ppm" "\"print note\"" 40 20 90 18
  readable "$work/main.ppm" "\"configure\"" 150 20 100 18
  readable "$work/preview.ppm" "the page box" 76 6 80 17
  readable "$work/preview.ppm" "\"Zoom\"" 228 7 30 13
  readable "$work/preview.ppm" "the zoom field" 267 6 28 16
  for b in "first page:25" "previous page:50" "next page:165" "last page:190"; do
    readable "$work/preview.ppm" "the ${b%%:*} arrow" "${b##*:}" 6 17 17
  done
  stop
fi
echo "screenshots in $shots"
