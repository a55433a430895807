#!/usr/bin/env bash
# Builds Vantrel with AddressSanitizer and UndefinedBehaviorSanitizer, starts a
# throw-away MariaDB server on loopback, runs the whole test suite, checks the
# installed library with its example consumers, then runs each fuzz target for
# a short burst.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ "${VANTREL_SKIP_APT:-}" = 1 ] || scripts/install-deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON >/dev/null
cmake --build build-test

port=${VANTREL_TEST_PORT:-3399}
dbdir=$(mktemp -d /tmp/vantrel-mariadb.XXXXXX)
cleanup() {
  scripts/mariadb-test-server.sh stop "$dbdir" >/dev/null 2>&1 || true
  rm -rf "$dbdir"
}
trap cleanup EXIT
scripts/mariadb-test-server.sh start "$dbdir" "$port"

export VANTREL_TEST_MARIADB=127.0.0.1:$port
export VANTREL_REQUIRE_MARIADB=1
ctest --test-dir build-test --output-on-failure -j2 --timeout 900

# The installed library as other programs use it: a Release build installed
# into a temporary prefix, the C, C++ and Python examples built and run against it.
bash scripts/install-test.sh

# Each fuzz target for a short burst (12 s each, about a minute in all).
bash scripts/fuzz.sh "${VANTREL_FUZZ_SECONDS:-12}"
