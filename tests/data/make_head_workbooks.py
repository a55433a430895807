#!/usr/bin/python3
"""Writes the account head workbooks the head import tests read (needs python3-xlwt)."""
import os
import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, sheets):
    book = xlwt.Workbook(encoding="utf-8")
    for title, rows in sheets:
        sheet = book.add_sheet(title)
        for r, row in enumerate(rows):
            for c, value in enumerate(row):
                if value is not None:
                    sheet.write(r, c, value)
    book.save(os.path.join(HERE, name))


# Every case of the head import in one sheet: "Self" names itself as parent
# and is refused like any head whose parent does not exist.
write("heads.xls", [
    ("Heads", [
        ["Head Name", "Parent"],
        ["Debtors North", "Sundry Debtors"],
        ["Debtors North East", "Debtors North"],
        ["Orphan", "No Such Head"],
        ["Cash", "Cash-in-hand"],
        ["A head name that runs past thirty characters", "Sundry Creditors"],
        ["Men's Wear", "Sundry Creditors"],
        ["Self", "Self"],
        ["debtors north", "Sundry Debtors"],
    ]),
    ("Notes", [["Nothing", "here"], ["is", "read"]]),
])

# A parent cell left empty refuses that row only.
write("heads_blank_parent.xls", [
    ("Heads", [
        ["Head Name", "Parent"],
        ["Before", "Sundry Debtors"],
        ["No Parent", None],
        ["After", "Sundry Debtors"],
    ]),
])
