#!/usr/bin/env bash
# Makes the README's pictures of the cross-section sheets: a road of generated sections
# drawn by quarvel --sheets on A3 at 1:200, the PDF's first page (pdftoppm) and the DXF as
# ezdxf's drawing add-on renders it (python3-ezdxf, python3-matplotlib).
#   bash scripts/sheets-pictures.sh [BUILD_DIR]   (writes docs/sheets-pdf.png, docs/sheets-dxf.png)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Eighteen sections of a road cut into a slope: ground falling to the right with a ditch,
# knee points at the breaks, each with its stake in its header.
mkdir "$work/G105"
awk -v dir="$work/G105" 'BEGIN {
    srand(105)
    for (s = 0; s < 18; s++) {
        metres = 860 + s * 20
        name = sprintf("%s/K%d+%03d.txt", dir, int(metres / 1000), metres % 1000)
        width = 22 + 8 * rand()
        n = 24
        printf "HWT3.8\n500000.000,3400000.000,35.000,K%d+%03d,\n%d\n", int(metres / 1000), metres % 1000, n > name
        for (i = 0; i < n; i++) {
            station = i * width / (n - 1)
            z = 36 - station * 0.12 + 0.8 * sin(station / 3 + s) - (i == 9 || i == 10 ? 1.2 : 0)
            kind = (i == 0 || i == n - 1) ? 3 : (i % 6 == 3 ? 2 : 0)
            layer = i < 12 ? "地面线" : "边坡"
            printf "%d,%.3f,3400000.000,%.3f,%.3f,0,,0,%d,%s,0,\n", i + 1, 500000 + station, z, station, kind, layer > name
        }
        close(name)
    }
}'
quarvel="$build/src/app/quarvel"
"$quarvel" --sheets "$work/G105" -o "$work/G105.pdf" --knee-mode 1
"$quarvel" --sheets "$work/G105" -o "$work/G105.dxf" --knee-mode 1
pdftoppm -png -r 110 -f 1 -l 1 -singlefile "$work/G105.pdf" "$root/docs/sheets-pdf"
/usr/bin/python3 - "$work/G105.dxf" "$root/docs/sheets-dxf.png" <<'PY'
import sys

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
import ezdxf
from ezdxf.addons.drawing import Frontend, RenderContext
from ezdxf.addons.drawing.matplotlib import MatplotlibBackend

doc = ezdxf.readfile(sys.argv[1])
# SimSun is a Windows font: the picture takes the Chinese font this machine has
# (fonts-wqy-microhei), by the family name that a font file unknown to ezdxf stands
# for; the file keeps simsun.ttc.
doc.styles.get("SimSun").dxf.font = "WenQuanYi Micro Hei.ttc"
figure = plt.figure(figsize=(14, 10))
axes = figure.add_axes([0, 0, 1, 1])
Frontend(RenderContext(doc), MatplotlibBackend(axes)).draw_layout(doc.modelspace())
figure.savefig(sys.argv[2], dpi=110)
PY
echo "docs/sheets-pdf.png docs/sheets-dxf.png"
