#!/usr/bin/python3
"""Writes formulas.xls, formulas.xlsx and formulas.csv: one workbook of formula
cells, saved by LibreOffice Calc as "MS Excel 97", as Office Open XML and (its
first sheet) as CSV, so the readers are checked against the cached results a
real spreadsheet program stores.
Needs libreoffice-calc-nogui. Run: /usr/bin/python3 tests/data/make_formula_workbooks.py
"""

import os
import shutil
import subprocess
import tempfile
from xml.sax.saxutils import escape, quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))

# (label, formula, style); the label column is plain text.
FORMULAS = [
    ("number", "=1000+500", None),
    ("fraction", "=1/8", None),
    ("reference", "=[.B2]*2", None),
    ("text", '=CONCATENATE("Sundry ";"Debtors")', None),
    ("wide text", '="Grüße "&UNICHAR(8364)&UNICHAR(128512)', None),
    ("digits", '="0012"', None),
    ("true", "=1<2", None),
    ("false", "=1>2", None),
    ("division by zero", "=1/0", None),
    ("not available", "=NA()", None),
    ("empty text", '=""', None),
    ("date", "=DATE(2024;3;15)", "date"),
    ("date and time", "=DATE(2020;2;29)+TIME(13;45;30)", "stamp"),
    ("long text", '=REPT("ab";5000)', None),
]

# An account head and its parent, both from formulas: the first sheet, the one an import reads.
HEADS = [
    ('="East "&"Zone"', '=CONCATENATE("Sundry ";"Debtors")'),
    ('=[.A2]&" Two"', "=[.A2]"),
]

STYLES = """
<office:automatic-styles>
 <number:date-style style:name="N1"><number:year number:style="long"/><number:text>-</number:text>
  <number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
 <number:date-style style:name="N2"><number:day number:style="long"/><number:text>/</number:text>
  <number:month number:style="long"/><number:text>/</number:text><number:year number:style="long"/>
  <number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text>
  <number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:date-style>
 <style:style style:name="date" style:family="table-cell" style:data-style-name="N1"/>
 <style:style style:name="stamp" style:family="table-cell" style:data-style-name="N2"/>
</office:automatic-styles>"""


def text_cell(text):
    return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % escape(text)


def formula_cell(formula, style=None):
    attrs = " table:formula=%s" % quoteattr("of:" + formula)
    if style:
        attrs += ' table:style-name="%s"' % style
    return "<table:table-cell%s/>" % attrs


def table(name, rows):
    body = "".join("<table:table-row>%s</table:table-row>" % "".join(row) for row in rows)
    return '<table:table table:name="%s">%s</table:table>' % (name, body)


def document():
    formulas = [[text_cell("case"), text_cell("value")]]
    formulas += [[text_cell(label), formula_cell(f, style)] for label, f, style in FORMULAS]
    heads = [[text_cell("Head Name"), text_cell("Parent")]]
    heads += [[formula_cell(a), formula_cell(b)] for a, b in HEADS]
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"'
        ' xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"'
        ' xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"'
        ' xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"'
        ' xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"'
        ' xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"'
        ' office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">'
        + STYLES
        + "<office:body><office:spreadsheet>"
        + table("Heads", heads)
        + table("Formulas", formulas)
        + "</office:spreadsheet></office:body></office:document>\n"
    )


def main():
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "formulas.fods")
        with open(source, "w", encoding="utf-8") as f:
            f.write(document())
        # .csv holds the first sheet only, in UTF-8.
        for target in ("xls:MS Excel 97", "xlsx:Calc MS Excel 2007 XML",
                       "csv:Text - txt - csv (StarCalc):44,34,76"):
            subprocess.run(
                ["soffice", "-env:UserInstallation=file://" + tmp + "/profile", "--headless",
                 "--convert-to", target, "--outdir", tmp, source],
                check=True, stdout=subprocess.DEVNULL)
        for ext in ("xls", "xlsx", "csv"):
            shutil.copy(os.path.join(tmp, "formulas." + ext), os.path.join(HERE, "formulas." + ext))


if __name__ == "__main__":
    main()
