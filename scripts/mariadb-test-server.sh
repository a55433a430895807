#!/usr/bin/env bash
# Starts and stops a throw-away MariaDB server for the tests.
#
#   mariadb-test-server.sh start DIR PORT   data in DIR/data, log DIR/server.log, pid DIR/pid
#   mariadb-test-server.sh stop DIR
#
# The server listens on 127.0.0.1:PORT and on the socket DIR/sock, folds table
# names to lower case, and holds the account the tests connect with
# (orvikuser / marblequince). Running start twice reuses the running server.
set -euo pipefail

readonly TEST_USER=orvikuser
readonly TEST_PASSWORD=marblequince
readonly WAIT_SECONDS=60

usage() {
  echo "usage: $0 start DIR PORT | stop DIR" >&2
  exit 2
}

log_tail() {
  local dir=$1
  if [[ -f "$dir/server.log" ]]; then
    echo "---- last lines of $dir/server.log ----" >&2
    tail -n 40 "$dir/server.log" >&2
  fi
}

fail() {
  local dir=$1
  shift
  echo "mariadb-test-server: $*" >&2
  log_tail "$dir"
  exit 1
}

server_pid() {
  local dir=$1
  [[ -f "$dir/pid" ]] || return 1
  local pid
  pid=$(cat "$dir/pid" 2>/dev/null) || return 1
  [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null || return 1
  echo "$pid"
}

pings() {
  mariadb-admin --no-defaults --socket="$1/sock" --user=root --connect-timeout=2 ping \
    >/dev/null 2>&1
}

create_account() {
  local dir=$1 host
  for host in 127.0.0.1 localhost %; do
    mariadb --no-defaults --socket="$dir/sock" --user=root -e \
      "CREATE USER IF NOT EXISTS '$TEST_USER'@'$host' IDENTIFIED BY '$TEST_PASSWORD';
       GRANT ALL PRIVILEGES ON *.* TO '$TEST_USER'@'$host';" ||
      return 1
  done
  mariadb --no-defaults --socket="$dir/sock" --user=root -e "FLUSH PRIVILEGES;"
}

start() {
  local dir=$1 port=$2
  [[ "$port" =~ ^[0-9]+$ ]] || usage
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)

  if server_pid "$dir" >/dev/null && pings "$dir"; then
    create_account "$dir" || fail "$dir" "could not create the test account"
    echo "MariaDB test server already running on 127.0.0.1:$port"
    return 0
  fi

  if [[ ! -d "$dir/data/mysql" ]]; then
    rm -rf "$dir/data"
    mariadb-install-db --no-defaults --user=root --lower-case-table-names=1 \
      --auth-root-authentication-method=socket --skip-test-db \
      --datadir="$dir/data" >"$dir/install.log" 2>&1 ||
      {
        cat "$dir/install.log" >&2
        fail "$dir" "mariadb-install-db failed"
      }
  fi

  rm -f "$dir/sock" "$dir/pid"
  # setsid detaches the server from the caller's terminal and process group.
  setsid mariadbd --no-defaults --user=root --datadir="$dir/data" --socket="$dir/sock" \
    --port="$port" --bind-address=127.0.0.1 --lower-case-table-names=1 --skip-log-bin \
    --pid-file="$dir/mariadbd.pid" --log-error="$dir/server.log" \
    </dev/null >>"$dir/server.log" 2>&1 &
  local pid=$!
  echo "$pid" >"$dir/pid"

  local waited=0
  until pings "$dir"; do
    kill -0 "$pid" 2>/dev/null || fail "$dir" "the server exited during start-up"
    ((waited < WAIT_SECONDS)) || fail "$dir" "no answer after ${WAIT_SECONDS}s"
    sleep 1
    waited=$((waited + 1))
  done

  create_account "$dir" || fail "$dir" "could not create the test account"
  echo "MariaDB test server running on 127.0.0.1:$port (pid $pid)"
}

stop() {
  local dir=$1
  [[ -d "$dir" ]] || return 0
  dir=$(cd "$dir" && pwd)
  local pid
  if ! pid=$(server_pid "$dir"); then
    rm -f "$dir/pid"
    echo "MariaDB test server in $dir is not running"
    return 0
  fi
  mariadb-admin --no-defaults --socket="$dir/sock" --user=root shutdown >/dev/null 2>&1 ||
    kill "$pid" 2>/dev/null || true
  local waited=0
  while kill -0 "$pid" 2>/dev/null; do
    if ((waited >= WAIT_SECONDS)); then
      kill -9 "$pid" 2>/dev/null || true
      break
    fi
    sleep 1
    waited=$((waited + 1))
  done
  rm -f "$dir/pid"
  echo "MariaDB test server stopped"
}

case "${1:-}" in
  start)
    [[ $# -eq 3 ]] || usage
    start "$2" "$3"
    ;;
  stop)
    [[ $# -eq 2 ]] || usage
    stop "$2"
    ;;
  *) usage ;;
esac
