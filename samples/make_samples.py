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

# Products of the opening stock workbook: code, name, group, base unit, pack
# unit and how many base units a pack holds. The opening stock import runs the
# product import over the same rows first, so these rows create the products
# (and their units) that the stock lines then name.
import datetime  # noqa: E402

STOCK = [
    ("Product Code", "Product Name", "Group", "Base Unit", "Pack Unit", "Pack Size",
     "Stock Unit", "Quantity", "Rate"),
    ("P001", "Wood Screws 4 x 40", "Fasteners", "Nos", "Box", 200, "Box", 25, 6.40),
    ("P002", "Hex Bolts M8 x 50", "Fasteners", "Nos", "Box", 50, "Box", 40, 9.75),
    ("P003", "Claw Hammer 16 oz", "Hand Tools", "Nos", "Carton", 12, "Nos", 30, 11.20),
    ("P004", "Combination Spanner Set", "Hand Tools", "Set", "Carton", 6, "Carton", 5, 138.00),
    ("P005", "Wood Glue 500 ml", "Adhesives", "Bottle", "Case", 12, "Case", 8, 42.00),
    ("P006", "Exterior Emulsion White 4 l", "Paints", "Tin", "Case", 4, "Tin", 36, 23.50),
    ("P007", "Metal Primer Grey 1 l", "Primers & Undercoats", "Tin", "Case", 6, "Case", 10, 47.40),
    ("P008", "Twin Earth Cable 2.5 mm 100 m", "Electricals", "Roll", "Pallet", 20, "Roll", 14,
     54.90),
    ("P009", "LED Bulb 9 W E27", "Lighting", "Nos", "Carton", 50, "Carton", 6, 62.50),
    # A stock unit the product does not have: logged, booked as base units.
    ("P010", "Silicone Sealant Clear", "Adhesives", "Tube", "Box", 24, "Crate", 3, 3.10),
]

write("stock.xls", STOCK, "Opening Stock")

# Batches of products with a shelf life, each with its opening stock in base
# units. Dates are date cells, except one typed as text; an expiry left empty
# is stored as none.
BATCHES = [
    ("Product Code", "Batch", "Description", "Manufactured", "Expires", "Unit", "Factor",
     "Opening Qty", "Rate"),
    ("P005", "WG-2403", "Wood glue, March run", datetime.date(2024, 3, 4),
     datetime.date(2026, 3, 3), "Pallet", 480, 96, 3.50),
    ("P005", "WG-2409", "Wood glue, September run", datetime.date(2024, 9, 16),
     datetime.date(2026, 9, 15), "Pallet", 480, 60, 3.55),
    ("P006", "EX-2402", "Exterior emulsion white", datetime.date(2024, 2, 12),
     datetime.date(2027, 2, 11), "Pallet", 96, 48, 23.50),
    ("P007", "MP-2401", "Metal primer grey", "12/Jan/2024", "", "", "", 30, 7.90),
    ("P010", "SS-2405", "Sealant, clear", datetime.date(2024, 5, 20),
     datetime.date(2025, 11, 19), "", "", 72, 3.10),
    # Refused on purpose: no product has this code.
    ("P099", "XX-0001", "Unknown product", datetime.date(2024, 1, 1), "", "", "", 5, 1.00),
]


def write_with_dates(name, rows, sheet):
    date_style = xlwt.easyxf(num_format_str="dd/mm/yyyy")
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet(sheet)
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if isinstance(value, datetime.date):
                ws.write(r, c, value, date_style)
            elif value != "":
                ws.write(r, c, value)
    book.save(os.path.join(HERE, name))


write_with_dates("batches.xls", BATCHES, "Batches")

# Products with their groups, units and prices. "Group" names the product's own
# group; a row may also name the group above it and the one above that, and
# the import creates whichever of them the company does not have yet (here
# "Anchors", "Varnishes", "Switches & Sockets" under groups of groups.xls, and
# "Outdoor" > "Garden" > "Hoses"/"Seeds" from nothing). The pack unit holds
# "Pack Size" base units; the sales unit must be one of the product's units.
PRODUCTS = [
    ("Product Code", "Product Name", "Group", "Parent Group", "Super Group", "Base Unit",
     "Pack Unit", "Pack Size", "Sales Unit", "MRP", "Purchase Rate", "Sale Rate", "Description"),
    ("P101", "Coach Screws M10 x 100", "Fasteners", "", "", "Nos", "Box", 100, "Box", 18.00,
     11.50, 15.00, "Zinc plated"),
    ("P102", "Spring Washers M10", "Fasteners", "", "", "Nos", "Box", 100, "Box", 4.50, 2.60,
     3.80, ""),
    ("P103", "Round Wire Nails 50 mm", "Fasteners", "", "", "Kg", "Box", 10, "Kg", 3.20, 1.90,
     2.70, "Bright steel"),
    ("P104", "Sleeve Anchors 10 x 75", "Anchors", "Fasteners", "", "Nos", "Box", 100, "Box",
     0.65, 0.38, 0.55, "For concrete and brick"),
    ("P105", "Butt Hinge 100 mm", "Hardware", "", "", "Nos", "Box", 10, "Nos", 2.40, 1.35, 2.10,
     "Pair, brass finish"),
    ("P106", "Gloss Paint Black 1 l", "Paints", "", "", "Ltr", "Box", 10, "Ltr", 12.90, 7.80,
     11.20, ""),
    ("P107", "Yacht Varnish Clear", "Varnishes", "Paints", "", "Ltr", "Box", 10, "Ltr", 15.50,
     9.20, 13.40, "Gloss, outdoor"),
    ("P108", "Mini Trunking 25 x 16", "Electricals", "", "", "Nos", "Box", 10, "Box", 3.10, 1.70,
     2.60, "3 m lengths"),
    ("P109", "Double Socket Switched", "Switches & Sockets", "Electricals", "", "Nos", "Box", 10,
     "Nos", 6.80, 3.90, 5.90, "13 A, white"),
    ("P110", "Garden Hose 30 m", "Hoses", "Garden", "Outdoor", "Nos", "Box", 10, "Nos", 34.00,
     21.00, 29.50, ""),
    ("P111", "Hose Connector 1/2 in", "Hoses", "Garden", "Outdoor", "Nos", "Box", 100, "Box",
     1.90, 0.95, 1.60, ""),
    ("P112", "Lawn Seed Hard Wearing", "Seeds", "Garden", "Outdoor", "Kg", "Box", 10, "Kg",
     8.40, 5.10, 7.20, "Sow in spring or autumn"),
    # Refused on purpose, so the log shows what a refusal looks like: the sales
    # unit is neither of the product's units.
    ("P113", "Cable Ties 200 mm", "Electricals", "", "", "Nos", "Box", 100, "Bag", 2.20, 1.10,
     1.90, ""),
]

write("products.xls", PRODUCTS, "Products")
