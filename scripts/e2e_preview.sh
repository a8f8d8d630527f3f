#!/usr/bin/env bash
# End-to-end check of "print note" and the preview window as a user would
# do it, on a virtual X display with no window manager: type a name, press
# "print note", look at the sheet, zoom, page, save it as a PDF, close by
# the window manager's close, open two previews and close the main window,
# and look at the rules on a screen of double density. Nothing activates a
# new window here: the preview must take the focus and zoom to 50 % itself.
# The keyboard alone reaches "Save as PDF" and closes the window.
# Usage: scripts/e2e_preview.sh [build dir] [screenshot dir]
# Needs xvfb-run, xdotool, ImageMagick, poppler-utils, python3 and a C
# compiler with the X11 headers (for the close request).
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_dirs "$@"
e2e_under_xvfb 1600x1200 "$build" "$shots"
e2e_workdir
pixels() { python3 "$here/scripts/e2e_pixels.py" "$@"; }
cc -o "$work/wm_close" "$here/scripts/wm_close.c" -lX11
export XDG_CONFIG_HOME="$work/config"
cd "$work"

# The preview area of the preview window (below the toolbar, inside the
# frame and the scroll bars) as a PPM.
view() {
  shot "$1" "$work/window.png"
  convert "$work/window.png" -crop "$2" +repage "$work/view.ppm"
}
start() {  # [environment...]
  env "$@" "$build/src/app/broodlog" 2>"$work/stderr.txt" &
  app=$!
  main=$(wait_window broodlogprint) || fail "no main window"
  sleep 0.5
}
print_note() {  # count of preview windows expected after it [scale]
  click "$main" $((70 * ${2:-1})) $((28 * ${2:-1}))
  wait_count "Report of data" "$1" || fail "\"print note\" gave no preview window"
  pv=$(windows "Report of data" | tail -1)
  sleep 0.5
}

# A caption file of 10 lines: columns 0 to 9 take them, the rest keep the
# sheet's own texts.
for i in $(seq 0 9); do printf 'Column%02d\r\n' "$i"; done > broodlog.txt

# 1. A name, "print note": the window, the sheet at 50 %.
start
click "$main" 100 130
xdotool type --delay 20 "Les Tilleuls"
print_note 1
[[ $(xdotool getwindowfocus) == "$pv" ]] || fail "the preview did not take the focus"
shot "$pv" "$shots/preview.png"
view "$pv" 620x432+2+30
read -r left top right bottom <<<"$(pixels paper "$work/view.ppm")"
width=$((right - left + 1))
(( width >= 563 && width <= 567 )) || fail "the paper is $width pixels wide, not 565 (50 %)"
echo "ok: \"print note\" shows the sheet at 50 % (paper $width pixels wide) with no window manager, and has the focus"
# The header line: the name sits on the paper in the top margin.
dark=$(pixels rules "$work/view.ppm" $((left + 40)) $((top + 5)) $((top + 40)) | wc -w)
(( dark > 0 )) || fail "no header text on the sheet"
preview_rules=$(pixels rules "$work/view.ppm" $((left + 215)) $((top + 60)) $((bottom - 10)))
(( $(wc -w <<<"$preview_rules") >= 25 )) || fail "the preview shows no ruled rows: $preview_rules"
echo "ok: the sheet shows its header and $(wc -w <<<"$preview_rules") ruled rows"

# 2. Page buttons at the bounds of a one-page report change nothing.
convert "$work/view.ppm" "$work/before.png"
cp "$work/view.ppm" "$work/before.png.ppm"
for x in 33 58 173 198; do click "$pv" "$x" 14; done
xdotool mousemove --sync --window "$pv" 300 300
sleep 0.3
view "$pv" 620x432+2+30
[[ $(compare -metric AE "$work/before.png" "$work/view.ppm" null: 2>&1) == 0 ]] ||
  fail "a page button at its bound changed the view"
echo "ok: page buttons at the bounds change nothing"

# 3. Save as PDF, reached by Tab from the page and pressed with Enter: one
# landscape A4 page, the texts as text, the rules where the preview has them.
activate "$pv"
xdotool key --delay 50 Tab Tab Tab Tab Tab Tab Tab Tab Return
dlg=$(wait_window "Save as PDF") || fail "no file dialog"
sleep 0.5
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 10 "$work/sheet.pdf"
xdotool key Return
for _ in $(seq 50); do [[ -s sheet.pdf ]] && break; sleep 0.1; done
[[ -s sheet.pdf ]] || fail "Save as PDF wrote nothing"
info=$(pdfinfo sheet.pdf)
grep -Eq '^Pages: +1$' <<<"$info" || fail "the PDF has not one page: $info"
grep -Eq '^Page size: +84[12](\.[0-9]+)? x 595(\.[0-9]+)? pts' <<<"$info" || fail "not landscape A4: $info"
text=$(pdftotext sheet.pdf - | tr -d ' \n')
for want in "Apiary:" LesTilleuls Column00 Column05 Column09 remarks; do
  [[ "$text" == *"$want"* ]] || fail "the PDF lacks \"$want\""
done
[[ "$text" != *"Date/hive"* ]] || fail "column 0 kept its design text"
echo "ok: Save as PDF wrote one landscape A4 page with the name and the headings"
pdftoppm -png -singlefile -scale-to-x "$width" -scale-to-y -1 sheet.pdf "$work/pdf"
convert "$work/pdf.png" "$work/pdf.ppm"
pdf_rules=$(pixels rules "$work/pdf.ppm" 215 60 $((bottom - top - 10)))
python3 - "$preview_rules" "$pdf_rules" "$top" <<'EOF' || fail "the PDF's rules are not where the preview's are"
import sys
preview = [int(v) - int(sys.argv[3]) for v in sys.argv[1].split()]
pdf = [int(v) for v in sys.argv[2].split()]
if len(preview) != len(pdf) or any(abs(a - b) > 2 for a, b in zip(preview, pdf)):
    sys.exit("preview %s\npdf     %s" % (preview, pdf))
EOF
echo "ok: the PDF's $(wc -w <<<"$pdf_rules") rules lie where the preview's do"

# 4. Zoom 120, then back to the window from the main window: 50 again.
activate "$pv"
click "$pv" 280 14
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "120"
xdotool key Tab
sleep 0.3
view "$pv" 620x432+2+30
# The ruled rows, 2.4 times as far apart as at 50 %.
rows50=$(pixels spacing "$work/before.png.ppm" $((left + 215)) $((top + 60)) $((bottom - 10)))
rows120=$(pixels spacing "$work/view.ppm" 300 0 430)
(( rows120 * 10 > rows50 * 22 && rows120 * 10 < rows50 * 26 )) ||
  fail "zoom 120 did not enlarge the page (rows $rows120 pixels apart, $rows50 at 50 %)"
# Another application's window in between leaves the zoom alone.
display -title other -size 200x100 xc:white &
other=$!
wait_window other >/dev/null || fail "no window of another application"
activate "$(windows other)"
activate "$pv"
kill "$other"
view "$pv" 620x432+2+30
(( $(pixels spacing "$work/view.ppm" 300 0 430) == rows120 )) ||
  fail "coming back from another application changed the zoom"
activate "$main"
activate "$pv"
view "$pv" 620x432+2+30
read -r l3 _ r3 _ <<<"$(pixels paper "$work/view.ppm")"
(( r3 - l3 + 1 == width )) || fail "coming back to the window did not zoom to 50 % again"
echo "ok: zoom 120 stays after another application, and is back at 50 % after the main window"

# 5. The window manager's close ends the flow; the main window goes on.
"$work/wm_close" "$pv"
wait_count "Report of data" 0 || fail "the close request did not close the preview"
print_note 1
echo "ok: closing by the title bar ends the flow, and \"print note\" works again"
for key in Escape ctrl+w; do
  xdotool key "$key"
  wait_count "Report of data" 0 || fail "$key did not close the preview"
  print_note 1
done
echo "ok: Esc and Ctrl+W close the preview"

# 6. A second "print note" with the first preview open nests a second flow;
# closing the main window then ends the program cleanly.
print_note 2
echo "ok: a second \"print note\" opens a second preview"
"$work/wm_close" "$main"
rc=0
wait "$app" || rc=$?
app=""
(( rc == 0 )) || fail "the program ended with exit code $rc"
if grep -Eq 'AddressSanitizer|LeakSanitizer|runtime error' "$work/stderr.txt"; then
  cat "$work/stderr.txt" >&2
  fail "a sanitizer reported a fault"
fi
echo "ok: closing the main window with two previews open ends the program with exit code 0"

# 7. On a screen of double density the rules and the toolbar's pictures
# stay sharp.
start QT_SCALE_FACTOR=2
print_note 1 2
activate "$pv"
shot "$pv" "$shots/preview_scale2.png"
convert "$shots/preview_scale2.png" -crop 1240x860+4+60 +repage "$work/view2.ppm"
read -r left top right bottom <<<"$(pixels paper "$work/view2.ppm")"
for dx in 300 430 1000; do
  pixels sharp "$work/view2.ppm" $((left + dx)) $((top + 200)) $((bottom - 20)) >/dev/null ||
    fail "rules are smeared at QT_SCALE_FACTOR=2 (column $dx)"
done
echo "ok: at QT_SCALE_FACTOR=2 the rules are sharp"
"$work/wm_close" "$main"
wait "$app" || true
app=""
echo "screenshots in $shots"
