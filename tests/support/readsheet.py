#!/usr/bin/python3
"""Reads back a spreadsheet the program wrote, as a reader other than the
program sees it, and prints it as one JSON object.

readsheet.py FILE.xlsx: the sheet's rows (each cell's number, date, text or
formula, its number format and boldness; a SUBTOTAL or SUM formula also with
the value stored for it and the value a spreadsheet program calculates), frozen
panes, autofilter, column widths and page set-up.
readsheet.py FILE.xlsx --workbook: every sheet so, in order, each with its
charts (kind, direction, grouping, and each series' name, categories and
values as the ranges they are drawn from).
readsheet.py FILE.csv: whether it starts with the UTF-8 byte-order mark, how
many lines end in CR LF, and its rows as a CSV reader takes them.

Exits with 77 when openpyxl (Debian: python3-openpyxl) is missing."""
import csv
import datetime
import io
import json
import re
import sys


def subtotal(sheet, formula):
    """SUBTOTAL(9, range) or SUM(range): the numbers in range, leaving out
    other subtotals."""
    m = re.fullmatch(r"=(?:SUBTOTAL\(9,|SUM\()([A-Z]+[0-9]+:[A-Z]+[0-9]+)\)", formula)
    if not m:
        return None
    total = 0
    for row in sheet[m.group(1)]:
        for cell in row:
            v = cell.value
            if isinstance(v, (int, float)) and not isinstance(v, bool):
                total += v
    return total


def read_sheet(sheet, stored):
    rows = []
    for row, stored_row in zip(sheet.iter_rows(), stored.iter_rows()):
        cells = []
        for c, s in zip(row, stored_row):
            if c.value is None:
                cells.append(None)
                continue
            cell = {"format": c.number_format, "bold": bool(c.font.b)}
            if isinstance(c.value, datetime.datetime):
                cell["date"] = c.value.date().isoformat()
            elif c.data_type == "f":
                cell.update(formula=c.value, value=s.value, calculated=subtotal(sheet, c.value))
            elif isinstance(c.value, (int, float)):
                cell["number"] = c.value
            else:
                cell["text"] = c.value
            cells.append(cell)
        while cells and cells[-1] is None:
            cells.pop()
        rows.append(cells)
    setup = sheet.page_setup
    return {
        "name": sheet.title,
        "rows": rows,
        "freeze": sheet.freeze_panes,
        "filter": sheet.auto_filter.ref,
        "widths": {k: v.width for k, v in sheet.column_dimensions.items()},
        "landscape": setup.orientation == "landscape",
        "paper": int(setup.paperSize or 0),
        "fitToWidth": int(setup.fitToWidth if setup.fitToWidth is not None else 1),
        "fitToHeight": int(setup.fitToHeight if setup.fitToHeight is not None else 1),
        "titleRows": sheet.print_title_rows,
    }


def reference(data):
    """The range a series' part is drawn from, or None."""
    if data is None:
        return None
    for ref in (getattr(data, "numRef", None), getattr(data, "strRef", None)):
        if ref is not None:
            return ref.f
    return None


def read_charts(sheet):
    charts = []
    for chart in sheet._charts:
        charts.append({
            "kind": chart.tagname,
            "direction": getattr(chart, "type", None),
            "grouping": getattr(chart, "grouping", None),
            "series": [{"name": reference(s.tx), "categories": reference(s.cat), "values": reference(s.val)}
                       for s in chart.series],
        })
    return charts


def read_xlsx(path, whole):
    try:
        import openpyxl
    except ImportError:
        sys.exit(77)
    book = openpyxl.load_workbook(path)
    stored = openpyxl.load_workbook(path, data_only=True)
    if not whole:
        return read_sheet(book.active, stored.active)
    sheets = []
    for sheet in book.worksheets:
        read = read_sheet(sheet, stored[sheet.title])
        read["charts"] = read_charts(sheet)
        sheets.append(read)
    return {"sheets": sheets}


def read_csv(path):
    data = open(path, "rb").read()
    bom = data.startswith(b"\xef\xbb\xbf")
    text = data[3 if bom else 0:].decode("utf-8")
    return {
        "bom": bom,
        "crlf": data.count(b"\r\n"),
        "rows": list(csv.reader(io.StringIO(text, newline=""))),
    }


if __name__ == "__main__":
    path = sys.argv[1]
    result = read_csv(path) if path.endswith(".csv") else read_xlsx(path, "--workbook" in sys.argv[2:])
    json.dump(result, sys.stdout, ensure_ascii=False)
