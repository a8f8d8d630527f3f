#!/usr/bin/env bash
# Renders the committed PNG icons from the SVG; run after changing the SVG.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" org.broodlog.broodlog.svg -o "org.broodlog.broodlog-$size.png"
done
