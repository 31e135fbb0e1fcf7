#!/usr/bin/python3
"""Reads Quarvel's Excel workbooks back with openpyxl, as a spreadsheet would.

  check_workbook.py against-csv BOOK.xlsx TABLE.csv
      The one sheet "断面" against the CSV export of the same table (captions as
      first line, UTF-8 with BOM, commas): captions bold and frozen, numbers as
      numeric cells showing exactly the CSV's text in the number format of its
      decimals, notes and layers as text, empty cells empty, columns wide enough.
  check_workbook.py road BOOK.xlsx ROAD.csv
      A road's workbook against the CSV of its merged table (the same form):
      the sheet "全线" holds that table, then one sheet per section, in the
      table's order and named by its label, holds that section's rows without
      the column "桩号", each cell as above.
  check_workbook.py same A.xlsx B.xlsx
      The two workbooks hold the same sheets, cells, formats and widths.
  check_workbook.py full-disk CLI FOLDER
      Exports a section of 3000 points with the file size limited at many
      points, as on a disk that fills up: each run either fails and leaves
      nothing, or writes a workbook equal to the one written without a limit.
"""
import csv
import os
import re
import resource
import signal
import subprocess
import sys

import openpyxl

TEXT_COLUMNS = {"注释", "图层", "桩号"}
NUMBER = re.compile(r"-?\d+(\.\d+)?")


def fail(message):
    print("check_workbook: " + message, file=sys.stderr)
    sys.exit(1)


def significant_digits(text):
    whole, _, fraction = text.lstrip("-").partition(".")
    return len((whole + fraction.rstrip("0")).lstrip("0"))


def number_format_of(text):
    decimals = len(text.partition(".")[2])
    code = "0" + ("." + "0" * decimals if decimals else "")
    return "\\-" + code if float(text) == 0 and text.startswith("-") else code


def shown(value, number_format):
    decimals = len(number_format.partition(".")[2])
    text = f"{value:.{decimals}f}"
    return "-" + text if number_format.startswith("\\-") else text


def display_width(text):
    return sum(2 if ord(c) >= 0x800 else 1 for c in text)


def read_csv(csv_path):
    with open(csv_path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(f))


def check_against_csv(book_path, csv_path):
    book = openpyxl.load_workbook(book_path)
    if book.sheetnames != ["断面"]:
        fail(f"{book_path}: sheets {book.sheetnames}")
    check_sheet(book_path, book["断面"], read_csv(csv_path))


def check_road(book_path, csv_path):
    rows = read_csv(csv_path)
    sections = {}
    for row in rows[1:]:
        sections.setdefault(row[0], [rows[0][1:]]).append(row[1:])
    book = openpyxl.load_workbook(book_path)
    if book.sheetnames != ["全线"] + list(sections):
        fail(f"{book_path}: sheets {book.sheetnames}, labels {list(sections)}")
    check_sheet(book_path, book["全线"], rows)
    for label, section_rows in sections.items():
        check_sheet(book_path, book[label], section_rows)


def check_sheet(book_path, sheet, rows):
    book_path = f"{book_path} [{sheet.title}]"
    if sheet.freeze_panes != "A2":
        fail(f"{book_path}: frozen at {sheet.freeze_panes}, not below the captions")
    if sheet.max_row != len(rows) or sheet.max_column != len(rows[0]):
        fail(f"{book_path}: {sheet.max_row} x {sheet.max_column} cells, CSV {len(rows)} x {len(rows[0])}")
    captions = rows[0]
    widths = [0] * len(captions)
    for r, row in enumerate(sheet.iter_rows(), start=1):
        for c, cell in enumerate(row):
            text = rows[r - 1][c]
            where = f"{book_path}: {cell.coordinate} (CSV \"{text}\")"
            widths[c] = max(widths[c], display_width(text))
            if r == 1:
                if cell.value != text or not cell.font.b:
                    fail(f"{where}: caption {cell.value!r}, bold {cell.font.b}")
                continue
            if cell.font.b:
                fail(f"{where}: a data cell is bold")
            if text == "":
                if cell.value is not None:
                    fail(f"{where}: {cell.value!r} where the CSV is empty")
            elif (captions[c] not in TEXT_COLUMNS and NUMBER.fullmatch(text)
                  and significant_digits(text) <= 15):
                if cell.data_type != "n" or isinstance(cell.value, str):
                    fail(f"{where}: {cell.value!r} is no number")
                if cell.number_format != number_format_of(text):
                    fail(f"{where}: number format {cell.number_format!r}")
                if shown(cell.value, cell.number_format) != text:
                    fail(f"{where}: Excel shows {shown(cell.value, cell.number_format)!r}")
            elif cell.data_type != "s" or cell.value != text:
                fail(f"{where}: {cell.value!r} ({cell.data_type}) is not the text")
    for c, width in enumerate(widths):
        letter = openpyxl.utils.get_column_letter(c + 1)
        if sheet.column_dimensions[letter].width < width + 1:
            fail(f"{book_path}: column {letter} is {sheet.column_dimensions[letter].width} wide "
                 f"for texts of {width}")


def contents(book_path):
    book = openpyxl.load_workbook(book_path)
    sheets = []
    for sheet in book.worksheets:
        cells = [[(cell.value, cell.data_type, cell.number_format, bool(cell.font.b))
                  for cell in row] for row in sheet.iter_rows()]
        widths = {k: d.width for k, d in sheet.column_dimensions.items()}
        sheets.append((sheet.title, sheet.freeze_panes, cells, widths))
    return sheets


def check_same(a, b):
    first, second = contents(a), contents(b)
    if [s[0] for s in first] != [s[0] for s in second]:
        fail(f"sheets {[s[0] for s in first]} in {a}, {[s[0] for s in second]} in {b}")
    for one, other in zip(first, second):
        for what, mine, theirs in zip(("frozen", "cells", "widths"), one[1:], other[1:]):
            if mine != theirs:
                detail = next(((r, x, y) for r, (x, y) in enumerate(zip(mine, theirs)) if x != y),
                              (len(mine), len(theirs))) if what == "cells" else (mine, theirs)
                fail(f"sheet {one[0]!r}: the {what} of {a} and {b} differ: {detail}")


def write_section(path, points):
    """A section whose sheet's XML is far larger than its zip, as a long one's is."""
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(f"HWT3.8\n0,0,0,K0+000,\n{points}\n")
        for i in range(points):
            f.write(f"{i + 1},{500000 + i * 0.37:.3f},{3400000 + i * 0.11:.3f},{30 + (i % 17) * 0.25},"
                    f"{i * 0.5},0,点{i % 7},0,0,地面线,0,\n")


def check_full_disk(cli, work):
    section = os.path.join(work, "long.txt")
    write_section(section, 3000)
    folder = os.path.join(work, "out")
    os.mkdir(folder)
    reference = os.path.join(folder, "reference.xlsx")
    subprocess.run([cli, "export", section, "-o", reference], check=True)
    expected = contents(reference)
    os.remove(reference)
    target = os.path.join(folder, "limited.xlsx")

    def export_with_limit(limit):
        def lower():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, resource.RLIM_INFINITY))
        run = subprocess.run([cli, "export", section, "-o", target], preexec_fn=lower,
                             capture_output=True, text=True)
        if run.returncode == 0:
            if contents(target) != expected:
                fail(f"limit {limit}: the export claims success but the workbook is incomplete")
            os.remove(target)
            return True
        if "保存文件失败" not in run.stderr or os.listdir(folder):
            fail(f"limit {limit}: {run.stderr!r}, left {os.listdir(folder)}")
        return False

    # The smallest limit that lets the export through, then every limit just below it,
    # where a temporary file of the library's is cut short while the others fit.
    low, high = 1, 64 << 20
    while low < high:
        middle = (low + high) // 2
        if export_with_limit(middle):
            high = middle
        else:
            low = middle + 1
    for limit in range(max(1, low - 2048), low, 97):
        if export_with_limit(limit):
            fail(f"limit {limit} succeeded below the smallest found, {low}")


def main(args):
    if len(args) == 3 and args[0] == "against-csv":
        check_against_csv(args[1], args[2])
    elif len(args) == 3 and args[0] == "road":
        check_road(args[1], args[2])
    elif len(args) == 3 and args[0] == "same":
        check_same(args[1], args[2])
    elif len(args) == 3 and args[0] == "full-disk":
        check_full_disk(args[1], args[2])
    else:
        fail("usage: see the head of this file")


if __name__ == "__main__":
    main(sys.argv[1:])
