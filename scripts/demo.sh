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

set -x
"$vantrel" init "$company"
"$vantrel" import account-heads "$root/samples/heads.xls" --map "$root/samples/heads-map.csv" \
  --target "$company" --log-dir "$logs" || true
"$vantrel" import accounts "$root/samples/export.xml" --target "$company"
"$vantrel" import products "$root/samples/export.xml" --target "$company"
"$vantrel" import depots "$root/samples/export.xml" --target "$company"
{ set +x; } 2>/dev/null

echo
echo "== $logs/accountheads.log"
cat "$logs/accountheads.log"
echo "== What $company holds now"
/usr/bin/python3 - "$company" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
for title, sql in [
    ("account heads added", "select headcode, headname, underhead from accounthead where headcode >= 60 or headname in ('Misc. Expenses (ASSET)','Deposits (Asset)') order by headcode"),
    ("ledgers", "select ledcode, ledname, headcode from accountledger order by cast(ledcode as integer)"),
    ("product groups", "select gpcode, gpname, gpunder from productgroup order by gpcode"),
    ("products", "select pcode, pname, gpcode from product order by cast(pcode as integer)"),
    ("depots", "select dcode, dname from depot order by dcode"),
]:
    print(f"-- {title}")
    for row in db.execute(sql):
        print("   " + " | ".join(str(v) for v in row))
PY
