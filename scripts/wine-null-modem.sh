#!/usr/bin/env bash
# A null-modem cable between two COM ports of a Wine prefix made by wine-run.sh: two
# pseudo-terminals relayed by socat, at the links the prefix maps COMa and COMb to.
# usage: wine-null-modem.sh start|stop PREFIX A B      (e.g. start build/windows/wineprefix 1 2)
set -euo pipefail

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
    for _ in $(seq 50); do
      [[ -e $ports/com$a && -e $ports/com$b ]] && exit 0
      sleep 0.1
    done
    echo "wine-null-modem: socat made no ports" >&2
    exit 1
    ;;
  stop) stop ;;
  *)
    echo "usage: $0 start|stop PREFIX A B" >&2
    exit 2
    ;;
esac
