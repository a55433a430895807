#!/usr/bin/env bash
# Installs a Release build into a temporary prefix and checks what a host
# program gets from it: the shared library exports only the public interface
# under a versioned SONAME; the C example builds through pkg-config (shared and
# static), the C++ example through find_package (shared and static), the
# Python example runs through ctypes; all of them, copied away from the source
# tree, import the sample account heads into new company files and agree with
# the installed tool.
# With --deb it also builds the Debian package and, as root, installs it with
# apt, runs `vantrel --version` and removes it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VANTREL_INSTALL_BUILD:-$root/build-install}
deb=0
[ "${1:-}" = --deb ] && deb=1

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_TESTS=OFF \
  -DVANTREL_BENCH=OFF >/dev/null
cmake --build "$build" -j"${VANTREL_JOBS:-2}"

work=$(mktemp -d /tmp/vantrel-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() {
  echo "install-test: $*" >&2
  exit 1
}

libdir=$(dirname "$(find "$prefix" -name 'libvantrel.so.0' | head -n1)")
[ -n "$libdir" ] && [ "$libdir" != . ] || fail "libvantrel.so.0 not installed"
for f in "$libdir/libvantrel.a" "$libdir/pkgconfig/vantrel.pc" \
  "$libdir/cmake/vantrel/vantrelConfig.cmake" "$prefix/bin/vantrel" \
  "$prefix/share/man/man1/vantrel.1" "$prefix/include/vantrel/vantrel.h" \
  "$prefix/include/vantrel/DependProcesser.h" "$prefix/include/vantrel/host.h" \
  "$prefix/include/vantrel/export.h" "$prefix/include/vantrel/version.h" \
  "$prefix/include/vantrel/message_style.h"; do
  [ -e "$f" ] || fail "missing from the install: ${f#"$prefix"/}"
done

# The SONAME carries the major version; the dynamic symbols are the C
# interface and vantrel:: public API only.
readelf -d "$libdir/libvantrel.so.0" | grep -q 'SONAME.*\[libvantrel\.so\.0\]' ||
  fail "SONAME is not libvantrel.so.0"
stray=$(nm -D --defined-only "$libdir/libvantrel.so.0" | c++filt |
  awk '$2 != "A" { $1 = ""; $2 = ""; sub(/^  /, ""); print }' |
  grep -Ev '^(vantrel_[a-z_]+|vantrel::[A-Za-z]|(typeinfo|typeinfo name|vtable) for vantrel::)' || true)
[ -z "$stray" ] || fail "exported beyond the public API:
$stray"
# Every exported vantrel:: name is declared in an installed header.
for name in $(nm -D --defined-only "$libdir/libvantrel.so.0" | c++filt |
  grep -o 'vantrel::[A-Za-z_]*' | sort -u); do
  grep -qw "${name#vantrel::}" "$prefix"/include/vantrel/*.h ||
    fail "$name is exported but no public header declares it"
done
count=$(nm -D --defined-only "$libdir/libvantrel.so.0" | grep -vc ' A ')
echo "install-test: libvantrel.so.0 exports $count symbols, all public"

# Consumers see the installed tree only: their sources are copied out.
cp -r "$root/examples" "$work/examples"
cp "$root/samples/heads.xls" "$root/samples/heads-map.csv" "$work/"
export PKG_CONFIG_PATH=$libdir/pkgconfig
export VANTREL_LOG_DIR=$work
cd "$work"

cc -std=c11 -Wall -Wextra -Werror -o c_shared examples/c/import_heads.c \
  $(pkg-config --cflags --libs vantrel) -Wl,-rpath,"$libdir"
cc -std=c11 -Wall -Wextra -Werror -o c_static examples/c/import_heads.c \
  $(pkg-config --cflags vantrel) "$libdir/libvantrel.a" \
  $(pkg-config --static --libs vantrel | sed 's/-lvantrel\b//')
for kind in shared static; do
  static=OFF
  [ $kind = static ] && static=ON
  cmake -S examples/cpp -B "cpp_$kind" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DVANTREL_EXAMPLE_STATIC=$static -DCMAKE_BUILD_RPATH="$libdir" >/dev/null
  cmake --build "cpp_$kind" >/dev/null
done
ldd c_static | grep -q libvantrel && fail "the static C example still needs libvantrel.so"

# Every consumer imports the same sample into its own company file.
"$prefix/bin/vantrel" --version
"$prefix/bin/vantrel" init tool.db >/dev/null
"$prefix/bin/vantrel" import account-heads heads.xls --map heads-map.csv --target tool.db |
  sed 's/, log:.*//' >expected.txt
grep -q ' rows imported' expected.txt || fail "the tool imported nothing: $(cat expected.txt)"
run() {
  local name=$1
  shift
  "$@" heads.xls heads-map.csv "$name.db" >"$name.out" || fail "$name failed: $(cat "$name.out")"
  grep ' rows imported' "$name.out" | sed 's/, log:.*//' >"$name.txt"
  cmp -s expected.txt "$name.txt" || fail "$name: '$(cat "$name.txt")', the tool: '$(cat expected.txt)'"
  echo "install-test: $name: $(cat "$name.txt")"
}
run c_shared ./c_shared
run c_static ./c_static
run cpp_shared ./cpp_shared/import_heads
run cpp_static ./cpp_static/import_heads
VANTREL_LIBRARY=$libdir/libvantrel.so.0 run python python3 examples/python/import_heads.py

if [ $deb = 1 ]; then
  (cd "$build" && cpack -G DEB >/dev/null)
  package=$(ls "$build"/vantrel_*.deb)
  dpkg-deb -f "$package" Depends
  if [ "$(id -u)" = 0 ]; then
    apt-get install -y -qq "$package" >/dev/null
    # The loader finds the packaged library by its SONAME alone.
    status=0
    (vantrel --version && run deb_python python3 examples/python/import_heads.py) || status=$?
    apt-get remove -y -qq vantrel >/dev/null
    [ $status = 0 ] || fail "the installed package does not work"
  fi
fi
echo "install-test: passed"
