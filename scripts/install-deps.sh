#!/usr/bin/env bash
# Installs the Debian packages Vantrel builds and tests with (run as root);
# chromium renders the import report in the tests and the demo.
set -euo pipefail
if [ "$(id -u)" != 0 ]; then
  echo "install-deps: run as root (apt-get), or install the packages listed here yourself" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config clang-format \
  libsqlite3-dev libmariadb-dev mariadb-server libfreexl-dev libpugixml-dev \
  libcli11-dev libgtest-dev libzip-dev libicu-dev python3 python3-xlwt \
  clang libclang-rt-14-dev llvm chromium >/dev/null
