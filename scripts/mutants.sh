#!/usr/bin/env bash
# Plants each fault of a list, one at a time, in a copy of the tree, rebuilds,
# runs the tests the entry names against a MariaDB server, and reports which
# faults the tests missed (survivors) and the score.
#
#   scripts/mutants.sh [--quick] [--head] [--sanitize] [--list FILE] [--work DIR] [NAME...]
#
#   --quick      only the entries marked "quick: yes"
#   --head       plant into the last commit, not the working tree (others' edits left out)
#   --sanitize   build the copy with AddressSanitizer and UBSan (slower)
#   --list FILE  the fault list (default scripts/mutants.list)
#   --work DIR   where the copy and its build live (default /tmp/vantrel-mutants-UID);
#                kept between runs, so a rerun recompiles only what changed
#   NAME...      only these entries
# The build and test output of each fault is kept in WORK/logs/NAME.log.
#
# With VANTREL_TEST_MARIADB=HOST:PORT the tests use that server; otherwise the
# script starts a throw-away one on a free port and stops it at the end.
# Exit status: 0 when every planted fault was caught, 1 otherwise, 2 on a
# usage error or when the unchanged tree does not pass its own tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
list=$root/scripts/mutants.list
work=/tmp/vantrel-mutants-$(id -u)
quick=0
head=0
sanitize=OFF
only=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --quick) quick=1 ;;
    --head) head=1 ;;
    --sanitize) sanitize=ON ;;
    --list) list=$(realpath "$2"); shift ;;
    --work) work=$2; shift ;;
    -h | --help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "mutants: unknown option $1" >&2; exit 2 ;;
    *) only+=("$1") ;;
  esac
  shift
done
[[ -f $list ]] || { echo "mutants: no list $list" >&2; exit 2; }
tree=$work/tree
build=$work/build-$sanitize
mkdir -p "$tree" "$build" "$work/logs"

# The helper: syncs the copy with the working tree and plants or removes one fault.
helper=$work/mutant.py
cat >"$helper" <<'PY'
import os, shutil, subprocess, sys

def entries(path):
    out, cur = [], {}
    for raw in open(path, encoding="utf-8").read().split("\n") + [""]:
        line = raw.rstrip()
        if line.startswith("#"):
            continue
        if not line:
            if cur:
                out.append(cur)
            cur = {}
            continue
        key, _, value = line.partition(":")
        key, value = key.strip(), value[1:] if value.startswith(" ") else value
        if key.endswith("+"):
            cur[key[:-1]] = cur.get(key[:-1], "") + "\n" + value
        else:
            cur[key] = value
    return out

cmd = sys.argv[1]
if cmd == "sync":  # root tree [head]: copy what changed, drop what is gone
    root, tree = sys.argv[2], sys.argv[3]
    if len(sys.argv) > 4:  # the last commit, exported beside the copy
        export = sys.argv[4]
        shutil.rmtree(export, ignore_errors=True)
        os.makedirs(export)
        archive = subprocess.run(["git", "-C", root, "archive", "HEAD"], check=True,
                                 capture_output=True).stdout
        subprocess.run(["tar", "-x", "-C", export], input=archive, check=True)
        root = export
        files = [os.path.relpath(os.path.join(d, n), export)
                 for d, _, names in os.walk(export) for n in names]
    else:
        files = subprocess.run(["git", "-C", root, "ls-files", "-co", "--exclude-standard", "-z"],
                               check=True, capture_output=True).stdout.decode().split("\0")
    keep = {f for f in files if f and os.path.isfile(os.path.join(root, f))}
    for f in keep:
        src, dst = os.path.join(root, f), os.path.join(tree, f)
        if os.path.exists(dst) and open(src, "rb").read() == open(dst, "rb").read():
            continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        shutil.copyfile(src, dst)  # a fresh time stamp, so the build sees the change
    for dirpath, _, names in os.walk(tree):
        for n in names:
            rel = os.path.relpath(os.path.join(dirpath, n), tree)
            if rel not in keep:
                os.remove(os.path.join(dirpath, n))
elif cmd == "list":  # index<TAB>name<TAB>quick of every entry
    for i, e in enumerate(entries(sys.argv[2])):
        print("%d\t%s\t%s" % (i, e.get("name", "entry%d" % i), e.get("quick", "no")))
elif cmd == "field":
    print(entries(sys.argv[2])[int(sys.argv[3])].get(sys.argv[4], ""))
elif cmd == "plant":  # list index tree: exit 3 when the pattern does not match exactly once
    e = entries(sys.argv[2])[int(sys.argv[3])]
    path = os.path.join(sys.argv[4], e["file"])
    if not os.path.exists(path):
        print("no file " + e["file"]); sys.exit(3)
    text = open(path, encoding="utf-8").read()
    find = e["find"]
    n = text.count(find)
    if n != 1:
        print("pattern found %d times in %s" % (n, e["file"])); sys.exit(3)
    shutil.copyfile(path, path + ".orig")
    open(path, "w", encoding="utf-8").write(text.replace(find, e.get("replace", "")))
elif cmd == "restore":  # tree file
    path = os.path.join(sys.argv[2], sys.argv[3])
    os.replace(path + ".orig", path)
    os.utime(path)  # newer than the mutant's object file
PY

# A fault left planted by an interrupted run is taken out first.
if [[ -f $work/planted ]]; then
  python3 "$helper" restore "$tree" "$(cat "$work/planted")" || true
  rm -f "$work/planted"
fi
if [[ $head == 1 ]]; then
  python3 "$helper" sync "$root" "$tree" "$work/head"
else
  python3 "$helper" sync "$root" "$tree"
fi

dbdir=
cleanup() {
  if [[ -f $work/planted ]]; then
    python3 "$helper" restore "$tree" "$(cat "$work/planted")" || true
    rm -f "$work/planted"
  fi
  if [[ -n $dbdir ]]; then
    "$root/scripts/mariadb-test-server.sh" stop "$dbdir" >/dev/null 2>&1 || true
    rm -rf "$dbdir"
  fi
}
trap cleanup EXIT
if [[ -z ${VANTREL_TEST_MARIADB:-} ]]; then
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  dbdir=$(mktemp -d /tmp/vantrel-mutants-db.XXXXXX)
  "$root/scripts/mariadb-test-server.sh" start "$dbdir" "$port" >/dev/null
  export VANTREL_TEST_MARIADB=127.0.0.1:$port
fi
export VANTREL_REQUIRE_MARIADB=1

cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=$sanitize \
  -DVANTREL_BENCH=OFF >/dev/null
compile() { cmake --build "$build" -j2 --target vantrel_tests >"$work/build.log" 2>&1; }
run_tests() {
  timeout 900 "$build/tests/vantrel_tests" --gtest_filter="$1" --gtest_brief=1 \
    >"$work/test.log" 2>&1
}

selected=()
while IFS=$'\t' read -r index name is_quick; do
  if [[ ${#only[@]} -gt 0 ]]; then
    [[ " ${only[*]} " == *" $name "* ]] || continue
  elif [[ $quick == 1 && $is_quick != yes ]]; then
    continue
  fi
  selected+=("$index")
done < <(python3 "$helper" list "$list")
[[ ${#selected[@]} -gt 0 ]] || { echo "mutants: no entry selected" >&2; exit 2; }

filter_of() {
  local f
  f=$(python3 "$helper" field "$list" "$1" tests)
  echo "${f:-*}"
}

# The unchanged tree must pass the tests the selected entries run.
echo "mutants: building the unchanged tree in $build"
compile || { tail -n 30 "$work/build.log"; echo "mutants: the unchanged tree does not build" >&2; exit 2; }
while read -r filter; do
  if ! run_tests "$filter"; then
    tail -n 30 "$work/test.log"
    echo "mutants: the unchanged tree fails the tests $filter; no score" >&2
    exit 2
  fi
done < <(for i in "${selected[@]}"; do filter_of "$i"; done | sort -u)

caught=0 planted=0 stale=0 broken=0
survivors=()
start=$SECONDS
for i in "${selected[@]}"; do
  name=$(python3 "$helper" field "$list" "$i" name)
  t0=$SECONDS
  verdict=
  if ! why=$(python3 "$helper" plant "$list" "$i" "$tree"); then
    printf '%-32s STALE  (%s)\n' "$name" "$why"
    stale=$((stale + 1))
    continue
  fi
  file=$(python3 "$helper" field "$list" "$i" file)
  echo "$file" >"$work/planted"
  if ! compile; then
    verdict="BROKEN (does not build)"
    broken=$((broken + 1))
  else
    planted=$((planted + 1))
  fi
  if [[ $verdict == BROKEN* ]]; then
    :
  elif run_tests "$(filter_of "$i")"; then
    verdict="SURVIVED"
    survivors+=("$name")
  else
    verdict=caught
    caught=$((caught + 1))
  fi
  python3 "$helper" restore "$tree" "$file"
  rm -f "$work/planted"
  cat "$work/build.log" "$work/test.log" >"$work/logs/$name.log" 2>/dev/null || true
  printf '%-32s %-24s %3ds\n' "$name" "$verdict" $((SECONDS - t0))
done
compile || true  # leaves the build matching the unchanged tree

echo
echo "mutants: $caught of $planted planted faults caught$( ((planted)) && echo " ($((100 * caught / planted))%)")," \
  "$stale stale and $broken broken entries, $((SECONDS - start)) s"
for s in "${survivors[@]}"; do echo "  survived: $s"; done
[[ $caught == "$planted" && $stale == 0 && $broken == 0 ]]
