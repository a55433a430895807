#!/usr/bin/env bash
# The main job on the bundled samples: builds vantrel, creates a new company
# file and imports the sample masters of Harbor Lane Traders into it.
# Usage: scripts/demo.sh [COMPANY_FILE]   (default: ./harborlane.db, replaced)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
company=${1:-$PWD/harborlane.db}
[ "${VANTREL_SKIP_APT:-}" = 1 ] || "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF >/dev/null
cmake --build "$root/build-release" >/dev/null
vantrel="$root/build-release/tools/vantrel/vantrel"
logs=$(dirname "$company")/vantrel-logs
mkdir -p "$logs"
rm -f "$company" "$company-wal" "$company-shm"

run() { echo "+ vantrel $*"; "$vantrel" "$@" || echo "(exit status $?)"; }
w="$root/samples"
run init "$company"
# Workbooks first: heads, ledgers under them with opening balances, product
# groups, products with units, opening stock (its products first), batches.
run import account-heads "$w/heads.xls" --map "$w/heads-map.csv" --target "$company" --log-dir "$logs"
run import accounts "$w/ledgers.xls" --map "$w/ledgers-map.csv" --target "$company" --log-dir "$logs"
run import product-groups "$w/groups.xls" --map "$w/groups-map.csv" --target "$company" --log-dir "$logs"
run import products "$w/products.xls" --map "$w/products-map.csv" --target "$company" --log-dir "$logs"
run import opening-stock "$w/stock.xls" --map "$w/stock-map.csv" --target "$company" --log-dir "$logs"
run import batches "$w/batches.xls" --map "$w/batches-map.csv" --target "$company" --log-dir "$logs"
# Then the export of the other accounting program.
run import accounts "$w/export.xml" --target "$company" --rejects "$logs/rejects.csv"
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
echo "== What $company holds now"
/usr/bin/python3 - "$company" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
for title, sql in [
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
]:
    print(f"-- {title}")
    for row in db.execute(sql):
        print("   " + " | ".join(str(v) for v in row))
PY
