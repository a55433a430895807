#!/usr/bin/python3
"""Writes titled.xls, a ledger sheet as people keep it: a title and a date
above the header row, headers written their own way (needs python3-xlwt)."""
import datetime
import os
import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))

ROWS = [
    ["Harbor Lane Traders"],
    ["Ledgers as on", datetime.date(2024, 3, 31)],
    ["LEDGER  NAME", "Under Group", "Opening Bal.", "Town", "Remarks"],
    ["Quayside Stores", "Sundry Debtors", "1,250.50 db", "Northport", "since 2019"],
    ["Lowbridge Timber", "Sundry Creditors", "3,400 cr", "Lowbridge", ""],
    ["Pioneer Traders", "Sundry Debtors", "1200 dr", "", "refused: dr is no side"],
    ["Mill Lane Garage", "Sundry Debtors", "0 db", "Northport", ""],
    ["Overseas Agents", "Overseas Debtors", "500 db", "", "refused: no such head"],
]

book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("Ledgers")
date_style = xlwt.easyxf(num_format_str="dd/mm/yyyy")
for r, row in enumerate(ROWS):
    for c, value in enumerate(row):
        if isinstance(value, datetime.date):
            sheet.write(r, c, value, date_style)
        elif value != "":
            sheet.write(r, c, value)
book.add_sheet("Notes").write(0, 0, "Kept by the accounts clerk")
book.save(os.path.join(HERE, "titled.xls"))
