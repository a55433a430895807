#!/usr/bin/python3
"""Writes the batch workbook the batch and opening stock import tests read (needs python3-xlwt)."""
import datetime
import os
import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))
DATE = xlwt.easyxf(num_format_str="dd/mm/yyyy")

book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("Batches")
rows = [
    ["Code", "Batch", "Made", "Expires", "Qty"],
    # Date cells.
    ["P01", "B-A", datetime.date(2024, 3, 15), datetime.date(2025, 3, 14), 5],
    # A date written as text, and an empty expiry date.
    ["P01", "B-B", "15/Mar/2024", None, 6],
    # A day that does not exist.
    ["P01", "B-C", "2024-02-30", None, 7],
]
for r, row in enumerate(rows):
    for c, value in enumerate(row):
        if value is None:
            continue
        if isinstance(value, datetime.date):
            sheet.write(r, c, value, DATE)
        else:
            sheet.write(r, c, value)
book.save(os.path.join(HERE, "batch_dates.xls"))
