#!/usr/bin/python3
"""Writes the damaged and odd-valued workbooks of the reader tests into bad/.

The .xlsx files are assembled with zipfile from a few parts, the .xls file
comes from xlwt, so the readers are checked against files no part of our code
wrote.
Run: /usr/bin/python3 tests/data/make_bad_workbooks.py
"""

import os
import zipfile

import xlwt

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bad")

CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
</Types>"""

ROOT_RELS = """<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""

WORKBOOK = """<?xml version="1.0" encoding="UTF-8"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"
 xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="Heads" sheetId="1" r:id="rId1"/></sheets>
</workbook>"""

REL = '<Relationship Id="%s" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/%s" Target="%s"/>'

WORKBOOK_RELS = (
    '<?xml version="1.0" encoding="UTF-8"?>\n'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    + REL % ("rId1", "worksheet", "worksheets/sheet1.xml")
    + REL % ("rId2", "sharedStrings", "sharedStrings.xml")
    + "</Relationships>"
)

SHARED = """<?xml version="1.0" encoding="UTF-8"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<si><t>Name</t></si><si><t>When</t></si><si><t>Ratio</t></si><si><t>Cash</t></si>
</sst>"""

# A date cell that names a day February does not have, and an error cell.
SHEET = """<?xml version="1.0" encoding="UTF-8"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="s"><v>2</v></c></row>
<row r="2"><c r="A2" t="s"><v>3</v></c><c r="B2" t="d"><v>2024-02-30</v></c><c r="C2" t="e"><v>#DIV/0!</v></c></row>
<row r="3"><c r="A3" t="s"><v>3</v></c><c r="B3" t="d"><v>2024-02-29</v></c><c r="C3"><v>0.5</v></c></row>
</sheetData></worksheet>"""


def write(name, parts):
    with zipfile.ZipFile(os.path.join(HERE, name), "w", zipfile.ZIP_DEFLATED) as z:
        for part, text in parts.items():
            z.writestr(zipfile.ZipInfo(part, (2024, 1, 1, 0, 0, 0)), text)


def write_error_cells_xls():
    """Error cells (#DIV/0!, #N/A) and booleans, beside plain values."""
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Heads")
    for col, name in enumerate(["Name", "Ratio", "Flag"]):
        sheet.write(0, col, name)
    sheet.write(1, 0, "Cash")
    sheet.row(1).set_cell_error(1, "#DIV/0!")
    sheet.row(1).set_cell_boolean(2, True)
    sheet.write(2, 0, "Bank")
    sheet.write(2, 1, xlwt.Formula("1/0"))
    sheet.row(2).set_cell_error(2, 0x2A)  # #N/A
    sheet.write(3, 0, "Till")
    sheet.write(3, 1, 2.5)
    sheet.row(3).set_cell_boolean(2, False)
    other = book.add_sheet("Other")
    other.write(0, 0, "Name")
    other.row(1).set_cell_error(0, "#REF!")
    other.write(2, 0, "Kept")
    book.save(os.path.join(HERE, "xls_error_cells.xls"))


def main():
    write_error_cells_xls()
    parts = {
        "[Content_Types].xml": CONTENT_TYPES,
        "_rels/.rels": ROOT_RELS,
        "xl/workbook.xml": WORKBOOK,
        "xl/_rels/workbook.xml.rels": WORKBOOK_RELS,
        "xl/sharedStrings.xml": SHARED,
        "xl/worksheets/sheet1.xml": SHEET,
    }
    write("xlsx_values.xlsx", parts)
    write("xlsx_no_shared_strings.xlsx",
          {k: v for k, v in parts.items() if k != "xl/sharedStrings.xml"})
    write("xlsx_no_sheet_part.xlsx",
          {k: v for k, v in parts.items() if k != "xl/worksheets/sheet1.xml"})
    write("xlsx_broken_sheet_part.xlsx",
          dict(parts, **{"xl/worksheets/sheet1.xml": SHEET[:200]}))


if __name__ == "__main__":
    main()
