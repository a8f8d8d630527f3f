#!/usr/bin/env bash
# Remakes the EMF corpus (tests/data/emf-corpus) from its sources: SVG drawings
# exported by Inkscape, drawings, spreadsheets and text documents converted by
# LibreOffice, libEMF programs and hand-made records; then the reference ink
# masks as 1-bit PNGs beside the files: each producer's files are read by
# the other program (LibreOffice's files by Inkscape, Inkscape's by
# LibreOffice), and libEMF's and the hand-made ones by LibreOffice, whose
# reader follows the mapping modes and paths that Inkscape's misreads. All at
# the file's frame size at 96 dpi, as Inkscape sizes it.
# Needs inkscape, libreoffice-{draw,calc,writer}-nogui, libemf-dev, ImageMagick.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dest=${1:-$here/../../tests/data/emf-corpus}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$dest"/{inkscape,libreoffice,libemf,hand}
profile="-env:UserInstallation=file://$work/profile"

python3 "$here/make_svgs.py" "$work/svg"
inkscape --export-type=emf "$work"/svg/*.svg 2>/dev/null
mv "$work"/svg/*.emf "$dest/inkscape/"

python3 "$here/make_office.py" "$work/office"
for s in shapes1 curves2 strokes4 text3 transform5 gradient1 image2 clip1 pattern0 sheet1; do
  cp "$work/svg/$s.svg" "$work/office/svg-$s.svg"
done
soffice "$profile" --headless --convert-to emf --outdir "$dest/libreoffice" "$work"/office/*.fodg "$work"/office/*.svg >/dev/null 2>&1
# Spreadsheets and text documents have no EMF export of their own: print them
# to PDF and let Draw write the printed page as EMF.
soffice "$profile" --headless --convert-to pdf --outdir "$work/pdf" "$work"/office/*.csv >/dev/null 2>&1
soffice "$profile" --headless --convert-to pdf:writer_pdf_Export --outdir "$work/pdf" "$work"/office/*.html >/dev/null 2>&1
soffice "$profile" --headless --infilter=draw_pdf_import --convert-to emf --outdir "$dest/libreoffice" "$work"/pdf/*.pdf >/dev/null 2>&1

c++ -O1 "$here/libemf_corpus.cpp" -I/usr/include/libEMF -lEMF -o "$work/libemf_corpus"
"$work/libemf_corpus" "$dest/libemf"

python3 "$here/make_handmade.py" "$dest/hand"

# Files over 200 KB (gradients LibreOffice writes as bitmaps) are left out:
# the corpus is data, kept small.
find "$dest" -name "*.emf" -size +200k -delete
for f in "$dest"/*/*.emf; do
  inkscape "$f" --export-type=png --export-filename="$work/ref.png" --export-dpi=96 \
    --export-background=white --export-background-opacity=1 2>/dev/null || continue
  convert "$work/ref.png" -colorspace gray -threshold 90% -type bilevel -strip "${f%.emf}.png"
  case "$f" in
    */libreoffice/*) ;;
    *) size=$(identify -format "%wx%h" "${f%.emf}.png")
       /usr/bin/python3 "$here/../../tests/support/emf_render_lo.py" --png "$size" "$f" "$work/lo" >/dev/null 2>&1 &&
         convert "$work/lo.png" -colorspace gray -threshold 90% -type bilevel -strip "${f%.emf}.png" ;;
  esac
done
echo "$(ls "$dest"/*/*.emf | wc -l) files"
