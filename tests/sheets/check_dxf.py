"""Reads a cross-section DXF back with ezdxf as a CAD program would and checks
what the sheets promise: an audit with nothing to repair, R2000 in code page 936 in metres, the
four layers, the TrueType text style, each section's line at true size, the
frames at the chosen scale within the drawing's extents, and the texts.

usage: check_dxf.py FILE EXPECTED_JSON
EXPECTED_JSON: {"scale": N, "exaggeration": E, "paper": [W, H], "sheets": S,
                "sections": [{"width": metres, "height": metres}, ...],
                "texts": ["...", ...]}
"""
import json
import sys

import ezdxf
from ezdxf import bbox

TOLERANCE = 2e-6  # the file keeps micrometres


def fail(message):
    print("DXF check failed: " + message)
    sys.exit(1)


def close(a, b, what):
    if abs(a - b) > TOLERANCE * max(1.0, abs(b)) and abs(a - b) > TOLERANCE:
        fail(f"{what}: {a!r} instead of {b!r}")


def decoded(text):
    """A character code page 936 lacks comes as \\U+XXXX, its UTF-16 code units, which CAD
    programs decode; ezdxf leaves a surrogate pair as two characters."""
    units = ezdxf.decode_dxf_unicode(text).encode("utf-16-le", "surrogatepass")
    return units.decode("utf-16-le")


def span(values):
    return max(values) - min(values)


def main():
    path, expected = sys.argv[1], json.loads(sys.argv[2])
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    if auditor.has_errors or auditor.has_fixes:
        fail("audit: " + "; ".join(e.message for e in auditor.errors + auditor.fixes))
    header = doc.header
    for name, value in (("$ACADVER", "AC1015"), ("$DWGCODEPAGE", "ANSI_936"), ("$INSUNITS", 6)):
        if header.get(name) != value:
            fail(f"{name} is {header.get(name)!r}, not {value!r}")
    if doc.encoding.lower() not in ("gbk", "cp936"):
        fail("read in " + doc.encoding)
    names = {layer.dxf.name for layer in doc.layers}
    for layer in ("断面线", "断面点", "注记", "图框"):
        if layer not in names:
            fail("no layer " + layer)
    style = doc.styles.get("SimSun")
    if style is None or style.dxf.font != "simsun.ttc":
        fail("no text style SimSun with simsun.ttc")

    msp = doc.modelspace()
    texts = msp.query("TEXT")
    if any(text.dxf.style != "SimSun" for text in texts):
        fail("a text without the SimSun style")
    found = {decoded(text.dxf.text) for text in texts}
    for text in expected["texts"]:
        if text not in found:
            fail(f"text {text!r} not found among {sorted(found)!r}")

    scale, exaggeration = expected["scale"], expected["exaggeration"]
    lines = msp.query('LWPOLYLINE[layer=="断面线"]')
    if len(lines) != len(expected["sections"]):
        fail(f"{len(lines)} section lines, {len(expected['sections'])} expected")
    for line, section in zip(lines, expected["sections"]):
        points = line.get_points("xy")
        close(span([p[0] for p in points]), section["width"], "a section's width")
        close(span([p[1] for p in points]), section["height"] * exaggeration, "a section's height")

    # Each sheet: the paper's edge, which plotted at 1:scale is the sheet, the frame inside its
    # margins (25 mm on the left, 10 mm elsewhere), the title block and its four cells.
    paper_width, paper_height = expected["paper"]
    frames = msp.query('LWPOLYLINE[layer=="图框"]')
    sheets = expected["sheets"]
    if len(frames) != 7 * sheets:
        fail(f"{len(frames)} frame rectangles for {sheets} sheets")
    by_width = sorted(frames, key=lambda f: -span([p[0] for p in f.get_points("xy")]))
    for rank, (width, height, what) in enumerate((
            (paper_width, paper_height, "the paper's"), (paper_width - 35, paper_height - 20, "the frame's"))):
        for sheet in range(sheets):
            points = by_width[rank * sheets + sheet].get_points("xy")
            close(span([p[0] for p in points]), width * scale / 1000, what + " width")
            close(span([p[1] for p in points]), height * scale / 1000, what + " height")
    lefts = sorted(min(p[0] for p in f.get_points("xy")) for f in by_width[:sheets])
    for sheet, left in enumerate(lefts):
        close(left, sheet * (paper_width + 20) * scale / 1000, "a sheet's left edge")

    extmax = header.get("$EXTMAX")
    close(extmax[0], (sheets * (paper_width + 20) - 20) * scale / 1000, "$EXTMAX's x")
    close(extmax[1], paper_height * scale / 1000, "$EXTMAX's y")
    drawn = bbox.extents(msp.query("LWPOLYLINE LINE CIRCLE"), fast=True)
    if drawn.extmin.x < -TOLERANCE or drawn.extmin.y < -TOLERANCE or \
            drawn.extmax.x > extmax[0] + TOLERANCE or drawn.extmax.y > extmax[1] + TOLERANCE:
        fail(f"drawing {drawn} beyond the extents {extmax}")
    print("ok")


if __name__ == "__main__":
    main()
