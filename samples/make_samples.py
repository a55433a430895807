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

# Product groups of the shop floor. A row with no parent goes to the top level;
# "Plumbing" is not listed as a row of its own, so the import creates it when
# the row under it is read.
GROUPS = [
    ("Group Name", "Parent Group", "Description"),
    ("Hardware", "", "Tools, fixings and building hardware"),
    ("Fasteners", "Hardware", "Screws, bolts, nuts and washers"),
    ("Hand Tools", "Hardware", "Hammers, spanners and screwdrivers"),
    ("Adhesives", "Hardware", "Glues, sealants and tapes"),
    ("Paints", "", "Interior and exterior paints"),
    ("Primers & Undercoats", "Paints", "Primers for wood and metal"),
    ("Electricals", "", "Cables, switches and sockets"),
    ("Lighting", "Electricals", "Lamps, tubes and fittings"),
    ("Plumbing Fittings", "Plumbing", "Pipes, taps and valves"),
    # Refused on purpose: group 1 "General" is in every company.
    ("General", "", "already in every company"),
]

write("groups.xls", GROUPS, "Product Groups")

# Ledgers with their opening balances: "db" for what is owed to the company,
# "cr" for what it owes. Some sit under heads of heads.xls, so that workbook is
# imported first.
LEDGERS = [
    ("Ledger Name", "Under Head", "Opening Balance", "Address", "City", "Phone"),
    ("Riverside Hardware Stores", "Trade Debtors - North", "12500 db", "14 Quay Road",
     "Northport", "0412 550 101"),
    ("Mill Street Builders", "Trade Debtors - North", "8340.50 db", "2 Mill Street",
     "Northport", "0412 550 233"),
    ("Southgate Paints & Decor", "Trade Debtors - South", "4300 db", "88 Southgate",
     "Lowbridge", "0413 220 874"),
    ("Grand Harbor Hotel", "Hotel Accounts", "2150 db", "1 Harbor Front", "Northport",
     "0412 500 900"),
    ("Walk-in Customers", "Sundry Debtors", "0 db", "", "", ""),
    ("Eastern Tools Ltd", "Import Creditors", "15600 cr", "Unit 7, Kowloon Bay",
     "Hong Kong", "+852 2345 6789"),
    ("Brightline Cables", "Local Creditors", "4300 cr", "Plot 21, Ring Road", "Lowbridge",
     "0413 228 410"),
    ("Coastal Freight Services", "Sundry Creditors", "980 cr", "Dock 3", "Northport",
     "0412 551 760"),
    ("Harbor Savings Bank - Current", "Bank Accounts", "56200 db", "10 Market Square",
     "Northport", "0412 500 100"),
    ("Harbor Savings Bank - Van Loan", "Vehicle Loans", "12000 cr", "10 Market Square",
     "Northport", "0412 500 100"),
    ("Warehouse Rent - Dock Road", "Warehouse Rent", "0 db", "", "", ""),
    ("Petty Cash", "Cash-in-hand", "750 db", "", "", ""),
    # Refused on purpose, so the log shows what a refusal looks like: a balance
    # marked "dr" instead of "db", and a head the company does not have.
    ("Pioneer Traders", "Trade Debtors - South", "1200 dr", "", "", ""),
    ("Overseas Agents", "Overseas Debtors", "500 db", "", "", ""),
]

write("ledgers.xls", LEDGERS, "Ledgers")
