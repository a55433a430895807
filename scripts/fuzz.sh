#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a short burst, seeded from the samples and the test data.
#   scripts/fuzz.sh                 every target, 12 s each
#   scripts/fuzz.sh 3600 xls_reader one target for an hour
# Targets: xml_document xls_reader xlsx_reader csv_reader map_file. New inputs
# collect in build-fuzz/corpus/<target>; a crash, leak, timeout (5 s; 30 s for
# .xls, whose parser runs in a child process) or an input
# that needs more than 256 MB is written to build-fuzz/findings/<target>/ and
# the script exits 1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-12}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(xml_document xls_reader xlsx_reader csv_reader map_file)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTREL_FUZZ=ON -DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF >/dev/null
if ! cmake --build build-fuzz >build-fuzz/build.log 2>&1; then
  grep -E "error|FAILED" -A5 build-fuzz/build.log >&2 || tail -20 build-fuzz/build.log >&2
  exit 1
fi

seeds() {
  case "$1" in
    xml_document) ls samples/*.xml tests/data/*.xml ;;
    xls_reader) ls samples/*.xls tests/data/*.xls tests/data/bad/*.xls ;;
    xlsx_reader) ls tests/data/*.xlsx ;;
    csv_reader) ls tests/data/*.csv samples/*.csv ;;
    map_file) ls samples/*-map.csv ;;
  esac
}

export LSAN_OPTIONS=suppressions=$root/fuzz/lsan.supp
# A small quarantine, so that the memory limit measures the readers, not the sanitizer.
export ASAN_OPTIONS=quarantine_size_mb=16:malloc_context_size=20
status=0
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t
  findings=build-fuzz/findings/$t
  mkdir -p "$corpus" "$findings"
  seeds "$t" | while read -r f; do cp -n "$f" "$corpus/" 2>/dev/null || true; done
  # FreeXL runs in a forked child; a few inputs keep it busy for seconds under
  # the sanitizers that take milliseconds in a release build.
  timeout=5
  [ "$t" = xls_reader ] && timeout=30
  echo "fuzz: $t for ${seconds}s"
  if ! build-fuzz/fuzz/fuzz_$t "$corpus" -max_total_time="$seconds" -timeout="$timeout" \
    -rss_limit_mb=256 -malloc_limit_mb=256 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$findings/" >build-fuzz/fuzz-$t.log 2>&1; then
    echo "fuzz: $t found a problem; see build-fuzz/fuzz-$t.log and $findings/" >&2
    tail -40 build-fuzz/fuzz-$t.log >&2
    status=1
    continue
  fi
  # The .xls parser runs in a forked child, which inherits the fuzzer's
  # handlers: what it leaves behind while the fuzzer itself passes is a fault
  # of FreeXL that the child contained (the reader refused the file).
  if [ -n "$(ls -A "$findings")" ]; then
    mkdir -p build-fuzz/contained/$t
    mv "$findings"/* build-fuzz/contained/$t/
    echo "fuzz: $t: $(ls build-fuzz/contained/$t | wc -l) inputs crashed FreeXL in its child process (contained, refused)"
  fi
  grep -E '^stat::number_of_executed_units' build-fuzz/fuzz-$t.log | tail -1 | sed "s/^/fuzz: $t /" || true
done
exit $status
