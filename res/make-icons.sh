#!/usr/bin/env bash
# Renders the application icon from res/icons/quarvel.svg into the PNG sizes the
# window and the desktop file use, and the Windows .ico. Run after editing the SVG
# (needs ImageMagick); the outputs are committed so that a build needs neither.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$here/icons"
for size in 16 32 48 256; do
    convert -background none -density 300 quarvel.svg -resize "${size}x${size}" "png32:quarvel-$size.png"
done
convert quarvel-16.png quarvel-32.png quarvel-48.png quarvel-256.png ../quarvel.ico
