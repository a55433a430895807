#!/usr/bin/python3
"""Writes the sample workbooks of Harbor Lane Traders, a fictional wholesale
trading company (needs python3-xlwt). Run it again after changing the rows."""
import os
import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))

# Account heads the company adds to the standard chart, each under a parent
# head that exists by the time its row is read.
HEADS = [
    ("Head Name", "Parent Head", "Notes"),
    ("Trade Debtors - North", "Sundry Debtors", "Retail shops north of the river"),
    ("Trade Debtors - South", "Sundry Debtors", "Retail shops south of the river"),
    ("Hotel Accounts", "Trade Debtors - North", "Hotels on credit"),
    ("Import Creditors", "Sundry Creditors", "Suppliers abroad"),
    ("Local Creditors", "Sundry Creditors", ""),
    ("Freight & Cartage", "Direct Expenses", ""),
    ("Warehouse Rent", "Indirect Expenses", ""),
    ("Staff Welfare", "Indirect Expenses", ""),
    ("Commission Received", "Indirect Incomes", ""),
    ("Vehicle Loans", "Secured Loans", ""),
    # Refused on purpose, so the log shows what a refusal looks like.
    ("Cash", "Cash-in-hand", "already in every company"),
    ("Export Debtors", "Overseas Debtors", "parent missing"),
]


def write(name, rows, sheet="Sheet1"):
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet(sheet)
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if value != "":
                ws.write(r, c, value)
    book.save(os.path.join(HERE, name))


write("heads.xls", HEADS, "Account Heads")
