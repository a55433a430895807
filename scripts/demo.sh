#!/usr/bin/env bash
# The main job on the bundled samples: builds vantrel, creates a new company
# file and imports the sample masters of Harbor Lane Traders into it; writes
# the reports of the ledger and export imports and a screenshot of each. Then
# migrates the whole export, balances and stock included, in one command into
# a second company file (COMPANY_FILE's name with -migrated) and shows its
# trial balance and stock per depot.
# Usage: scripts/demo.sh [COMPANY_FILE]   (default: ./harborlane.db, replaced)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
company=${1:-$PWD/harborlane.db}
[ "${VANTREL_SKIP_APT:-}" = 1 ] || "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF >/dev/null
cmake --build "$root/build-release" >/dev/null
vantrel="$root/build-release/tools/vantrel/vantrel"
logs=$(cd "$(dirname "$company")" && pwd)/vantrel-logs
mkdir -p "$logs"
rm -f "$company" "$company-wal" "$company-shm"

run() { echo "+ vantrel $*"; "$vantrel" "$@" || echo "(exit status $?)"; }
w="$root/samples"
run init "$company"
# Workbooks first: heads, ledgers under them with opening balances, product
# groups, products with units, opening stock (its products first), batches.
run import account-heads "$w/heads.xls" --map "$w/heads-map.csv" --target "$company" --log-dir "$logs"
run import accounts "$w/ledgers.xls" --map "$w/ledgers-map.csv" --target "$company" --log-dir "$logs" \
  --report "$logs/ledgers-report.html"
run import product-groups "$w/groups.xls" --map "$w/groups-map.csv" --target "$company" --log-dir "$logs"
run import products "$w/products.xls" --map "$w/products-map.csv" --target "$company" --log-dir "$logs"
run import opening-stock "$w/stock.xls" --map "$w/stock-map.csv" --target "$company" --log-dir "$logs"
run import batches "$w/batches.xls" --map "$w/batches-map.csv" --target "$company" --log-dir "$logs"
# Then the export of the other accounting program.
run import accounts "$w/export.xml" --target "$company" --rejects "$logs/rejects.csv" \
  --report "$logs/export-accounts-report.html"
run import products "$w/export.xml" --target "$company"
run import depots "$w/export.xml" --target "$company"

for log in accountheads accounts productgroups products OpeningStock ProductBatch; do
  echo
  echo "== $logs/$log.log"
  cat "$logs/$log.log"
done
echo
echo "== $logs/rejects.csv"
cat "$logs/rejects.csv"
echo
echo "== The whole export in one command, into a new company file"
migrated="${company%.db}-migrated.db"
rm -f "$migrated" "$migrated-wal" "$migrated-shm"
run init "$migrated"
# A dry run first: the same summary and trial balance, and nothing written.
run migrate "$w/export.xml" --target "$migrated" --as-of 2024-04-01 --dry-run --quiet
run migrate "$w/export.xml" --target "$migrated" --as-of 2024-04-01 \
  --rejects "$logs/migration-rejects.csv" --report "$logs/migration-report.html"
echo
echo "== What $company holds now"
/usr/bin/python3 - "$company" "$migrated" <<'PY'
import sqlite3, sys

def show(path, queries):
    db = sqlite3.connect(path)
    for title, sql in queries:
        print(f"-- {title}")
        for row in db.execute(sql):
            print("   " + " | ".join(str(v) for v in row))

show(sys.argv[1], [
    ("account heads added", "select headcode, headname, underhead from accounthead where headcode >= 60 or headname in ('Misc. Expenses (ASSET)','Deposits (Asset)') order by headcode"),
    ("ledgers", "select ledcode, ledname, headcode, city from accountledger order by cast(ledcode as integer)"),
    ("opening balances (journal voucher JP)", "select vno, slno, ledcode, dbamt, cramt from generalledger where vtype='JP' order by vno, slno"),
    ("product groups", "select gpcode, gpname, gpunder from productgroup order by gpcode"),
    ("products", "select pcode, pname, gpcode, salesunit from product order by pcode"),
    ("units", "select pcode, unitid, unit, cf from productunits order by pcode, unitid"),
    ("batches", "select batchid, pcode, batchname, manfdate, expdate from productbatch order by batchid"),
    ("stock per product (depot 1)", "select i.pcode, p.pname, sum(i.os) from inventory i join product p on p.pcode = i.pcode group by i.pcode order by i.pcode"),
    ("opening stock receipt", "select rcptcode, rcpttype, rcptdate, amt from transactionreceipts where rcpttype='OS'"),
    ("receipt lines", "select slno, PCode, unitid, cf, batchid, qty, Rate from receiptdetails order by rcptcode, slno"),
    ("depots", "select dcode, dname from depot order by dcode"),
])

print()
print(f"== What {sys.argv[2]} holds now")
show(sys.argv[2], [
    ("opening balances (journal voucher JP)", "select g.slno, l.ledname, g.dbamt, g.cramt from generalledger g join accountledger l on l.ledcode = g.ledcode where g.vtype='JP' order by g.vno, g.slno"),
    ("trial balance", "select sum(coalesce(dbamt, 0)), sum(coalesce(cramt, 0)) from generalledger where vtype='JP'"),
    ("units", "select p.pname, u.unit, u.cf from productunits u join product p on p.pcode = u.pcode order by p.pname, u.unitid"),
    ("batches", "select p.pname, b.batchname from productbatch b join product p on p.pcode = b.pcode order by b.batchid"),
    ("stock per depot", "select d.dname, count(distinct i.pcode), sum(i.os) from inventory i join depot d on d.dcode = i.dcode group by d.dcode order by d.dcode"),
    ("opening stock receipts (one per depot)", "select r.rcptcode, d.dname, r.rcptdate, r.amt from transactionreceipts r join depot d on d.dcode = r.dcode where r.rcpttype='OS' order by r.rcptcode"),
])
PY

echo
echo "== Reports (open in a browser, or print on A4)"
sandbox=()
[ "$(id -u)" != 0 ] || sandbox=(--no-sandbox)  # Chromium runs as root only without it
for report in ledgers-report export-accounts-report migration-report; do
  echo "$logs/$report.html"
  if command -v chromium >/dev/null; then
    chromium --headless "${sandbox[@]}" --disable-gpu --disable-dev-shm-usage --hide-scrollbars \
      --user-data-dir="$logs/.chromium" --window-size=900,1300 \
      --screenshot="$logs/$report.png" "file://$logs/$report.html" >/dev/null 2>&1 &&
      echo "$logs/$report.png (screenshot)"
  else
    echo "(no screenshot: chromium is not installed)"
  fi
done
rm -rf "$logs/.chromium"
