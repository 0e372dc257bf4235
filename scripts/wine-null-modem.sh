#!/usr/bin/env bash
# A null-modem cable between two COM ports of a Wine prefix made by wine-run.sh: two
# pseudo-terminals relayed by socat, at the links the prefix maps COMa and COMb to.
# usage: wine-null-modem.sh start|stop PREFIX A B      (e.g. start build/windows/wineprefix 1 2)
set -euo pipefail
. "$(dirname "$0")/wait-until.sh"

action=$1 prefix=$2 a=$3 b=$4
ports=$prefix/ports
pidfile=$ports/com$a-com$b.pid

stop() {
  if [[ -f $pidfile ]]; then
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  fi
  rm -f "$ports/com$a" "$ports/com$b"
}

case $action in
  start)
    stop
    mkdir -p "$ports"
    setsid socat PTY,link="$ports/com$a",raw,echo=0 PTY,link="$ports/com$b",raw,echo=0 \
      </dev/null >"$ports/com$a-com$b.log" 2>&1 &
    echo $! >"$pidfile"
    wait_until 60 "socat's ports" test -e "$ports/com$a" -a -e "$ports/com$b"
    ;;
  stop) stop ;;
  *)
    echo "usage: $0 start|stop PREFIX A B" >&2
    exit 2
    ;;
esac
