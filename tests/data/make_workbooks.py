#!/usr/bin/python3
"""Writes the workbook fixtures of the workbook provider tests into this folder.

The .xls files come from xlwt, the .xlsx file is assembled with zipfile so that
the readers are checked against files no part of our code wrote.
Run: /usr/bin/python3 tests/data/make_workbooks.py
"""

import datetime
import os
import zipfile

import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))


def path(name):
    return os.path.join(HERE, name)


def write_basic_xls():
    book = xlwt.Workbook(encoding="utf-8")
    date_style = xlwt.easyxf(num_format_str="dd/mm/yyyy")
    time_style = xlwt.easyxf(num_format_str="hh:mm")
    stamp_style = xlwt.easyxf(num_format_str="yyyy-mm-dd hh:mm:ss")
    heads = book.add_sheet("Heads")
    for col, name in enumerate(["headname", "underhead", "note"]):
        heads.write(0, col, name)
    # Row 2: empty cell in the middle, text with an apostrophe.
    heads.write(1, 0, "Assets")
    heads.write(1, 2, "O'Brien's account")
    # Row 3: a fractional number and a whole number.
    heads.write(2, 0, "Cash")
    heads.write(2, 1, 12.5)
    heads.write(2, 2, 3)
    # Row 4: a date cell formatted dd/mm/yyyy and a date with a time.
    heads.write(3, 0, "Opened")
    heads.write(3, 1, datetime.date(2021, 3, 15), date_style)
    heads.write(3, 2, datetime.datetime(2020, 2, 29, 13, 45, 30), stamp_style)
    # Row 5: a boolean and a time of day.
    heads.write(4, 0, "Flag")
    heads.write(4, 1, True)
    heads.write(4, 2, datetime.time(6, 30), time_style)
    # Row 6 stays entirely empty; row 7 has a cell beyond the header's width.
    heads.write(6, 0, "Bank")
    heads.write(6, 1, "Assets")
    heads.write(6, 2, "Grüße €")
    heads.write(6, 3, "beyond")
    # A formatted blank cell far below: trailing empty rows must not be read.
    heads.write(12, 1, "", date_style)

    other = book.add_sheet("Other")
    for col, name in enumerate(["code", "amount"]):
        other.write(0, col, name)
    other.write(1, 0, "A1")
    other.write(1, 1, 100)
    other.write(2, 0, "B2")
    other.write(2, 1, -3.25)
    book.save(path("basic.xls"))


def write_first_sheet_empty_xls():
    book = xlwt.Workbook(encoding="utf-8")
    empty = book.add_sheet("Empty")
    for col, name in enumerate(["headname", "underhead", "note"]):
        empty.write(0, col, name)
    data = book.add_sheet("Data")
    data.write(0, 0, "headname")
    data.write(1, 0, "Cash")
    book.save(path("first_sheet_empty.xls"))


def write_wide_xls():
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Wide")
    # Columns 2 and 4 have no header; "a" appears twice.
    for col, name in [(0, "a"), (2, "c"), (4, "a")]:
        sheet.write(0, col, name)
    for col in range(5):
        sheet.write(1, col, col + 1)
    book.save(path("wide.xls"))


def xml_text(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def write_basic_xlsx(name="basic.xlsx", date1904=False):
    shift = 1462 if date1904 else 0
    strings = ["headname", "underhead", "note", "Assets", "O'Brien's account", "Cash",
               "Opened", "Flag", "Bank", "Grüße €", "beyond", "code", "amount", "B2"]
    sst = {s: i for i, s in enumerate(strings)}

    def s(ref, text):
        return '<c r="%s" t="s"><v>%d</v></c>' % (ref, sst[text])

    def n(ref, value, style=None):
        st = ' s="%d"' % style if style is not None else ""
        return '<c r="%s"%s><v>%s</v></c>' % (ref, st, value)

    def row(r, cells):
        return '<row r="%d">%s</row>' % (r, "".join(cells))

    def sheet(rows):
        return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
                "<sheetData>%s</sheetData></worksheet>" % "".join(rows))

    # Styles: 0 general, 1 built-in date (14), 2 custom "dd/mm/yyyy", 3 custom
    # quoted text with a 'd' inside quotes only (not a date), 4 time "[h]:mm".
    styles = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
        '<numFmts count="3">'
        '<numFmt numFmtId="164" formatCode="dd/mm/yyyy"/>'
        '<numFmt numFmtId="165" formatCode="0.00&quot; days&quot;"/>'
        '<numFmt numFmtId="166" formatCode="[h]:mm"/>'
        "</numFmts>"
        '<cellXfs count="5">'
        '<xf numFmtId="0"/><xf numFmtId="14" applyNumberFormat="1"/>'
        '<xf numFmtId="164" applyNumberFormat="1"/><xf numFmtId="165" applyNumberFormat="1"/>'
        '<xf numFmtId="166" applyNumberFormat="1"/>'
        "</cellXfs></styleSheet>")

    heads = sheet([
        row(1, [s("A1", "headname"), s("B1", "underhead"), s("C1", "note")]),
        row(2, [s("A2", "Assets"), s("C2", "O'Brien's account")]),
        row(3, [s("A3", "Cash"), n("B3", "12.5"), n("C3", "3", 3)]),
        # 2021-03-15 is serial 44270; 2020-02-29 13:45:30 is 43890.573263888...
        row(4, [s("A4", "Opened"), n("B4", str(44270 - shift), 2),
                n("C4", repr(43890.5732638889 - shift), 1)]),
        row(5, [s("A5", "Flag"), '<c r="B5" t="b"><v>1</v></c>', n("C5", "0.2708333333333333", 4)]),
        row(7, [s("A7", "Bank"), '<c r="B7" t="inlineStr"><is><t>Assets</t></is></c>',
                s("C7", "Grüße €"), s("D7", "beyond")]),
        row(13, ['<c r="B13" s="1"/>']),
    ])
    other = sheet([
        row(1, [s("A1", "code"), s("B1", "amount")]),
        row(2, ['<c r="A2" t="str"><f>"A"&amp;1</f><v>A1</v></c>', n("B2", "100")]),
        row(3, [s("A3", "B2"), n("B3", "-3.25")]),
    ])
    shared = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
              '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
              'count="%d" uniqueCount="%d">%s</sst>'
              % (len(strings), len(strings),
                 "".join("<si><t>%s</t></si>" % xml_text(t) for t in strings)))
    # The sheet files are named against their order so that order must come
    # from workbook.xml and its relationships, not from the file names.
    workbook = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
        'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
        + ('<workbookPr date1904="1"/>' if date1904 else "") +
        '<sheets><sheet name="Heads" sheetId="1" r:id="rId7"/>'
        '<sheet name="Other" sheetId="2" r:id="rId3"/></sheets></workbook>')
    rel_ns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
    workbook_rels = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId3" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>'
        '<Relationship Id="rId7" Type="%s/worksheet" Target="/xl/worksheets/sheet2.xml"/>'
        '<Relationship Id="rId8" Type="%s/styles" Target="styles.xml"/>'
        '<Relationship Id="rId9" Type="%s/sharedStrings" Target="sharedStrings.xml"/>'
        "</Relationships>" % (rel_ns, rel_ns, rel_ns, rel_ns))
    root_rels = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="%s/officeDocument" Target="xl/workbook.xml"/>'
        "</Relationships>" % rel_ns)
    ct_main = "application/vnd.openxmlformats-officedocument.spreadsheetml"
    content_types = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        '<Override PartName="/xl/workbook.xml" ContentType="%s.sheet.main+xml"/>'
        '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="%s.worksheet+xml"/>'
        '<Override PartName="/xl/worksheets/sheet2.xml" ContentType="%s.worksheet+xml"/>'
        '<Override PartName="/xl/styles.xml" ContentType="%s.styles+xml"/>'
        '<Override PartName="/xl/sharedStrings.xml" ContentType="%s.sharedStrings+xml"/>'
        "</Types>" % (ct_main, ct_main, ct_main, ct_main, ct_main))
    fixed = (2024, 1, 1, 0, 0, 0)  # stable bytes from run to run
    with zipfile.ZipFile(path(name), "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in [("[Content_Types].xml", content_types), ("_rels/.rels", root_rels),
                           ("xl/workbook.xml", workbook),
                           ("xl/_rels/workbook.xml.rels", workbook_rels),
                           ("xl/worksheets/sheet1.xml", other),
                           ("xl/worksheets/sheet2.xml", heads),
                           ("xl/styles.xml", styles), ("xl/sharedStrings.xml", shared)]:
            z.writestr(zipfile.ZipInfo(name, fixed), data.encode("utf-8"),
                       zipfile.ZIP_DEFLATED)


def write_basic_csv():
    lines = [
        "headname,underhead,note",
        'Assets,,"O\'Brien\'s ""main"" account"',
        "Cash,12.5,3",
        '"Smith, John","two\r\nlines",-1e3',
        "",
        "Bank,0x1A,12abc",
        '"",  7,inf',
        "",
        "",
    ]
    with open(path("basic.csv"), "wb") as f:
        f.write(b"\xef\xbb\xbf" + "\r\n".join(lines).encode("utf-8"))


if __name__ == "__main__":
    write_basic_xls()
    write_first_sheet_empty_xls()
    write_wide_xls()
    write_basic_xlsx()
    write_basic_xlsx("basic1904.xlsx", date1904=True)
    write_basic_csv()
