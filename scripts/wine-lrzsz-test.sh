#!/usr/bin/env bash
# quon-xfer.exe against lrzsz through a COM port of the Wine prefix: the port's link is a
# pseudo-terminal that socat relays to rx or sx (lrzsz flushes its input after every reply, which
# on a bare pseudo-terminal loses the other side's next bytes; socat's relay does not).
# usage: wine-lrzsz-test.sh WINE_RUN PREFIX QUON_XFER_EXE COM_NUMBER DIRECTION SIZE...
#   DIRECTION: send-128 (xmodem128 to rx, checksum), send-1k (xmodem1k-chk to rx -c, CRC),
#              receive-128 (sx), receive-1k (sx -k)
# Each file of SIZE random bytes must arrive whole, followed only by the sender's fill bytes up
# to a whole block.
set -euo pipefail
. "$(dirname "$0")/wait-until.sh"

wine_run=$1 prefix=$2 xfer=$3 com=$4 direction=$5
shift 5
link=$prefix/ports/com$com
work=$(mktemp -d)
relay=
cleanup() {
  [[ -n $relay ]] && kill "$relay" 2>/dev/null || true
  rm -f "$link"
  rm -rf "$work"
}
trap cleanup EXIT

# got must be sent followed by fill bytes only, up to a multiple of block bytes.
check() {
  local sent=$1 got=$2 fill=$3 block=$4 size padded
  size=$(stat -c %s "$sent")
  padded=$(stat -c %s "$got")
  if ! cmp -s -n "$size" "$sent" "$got" || ((padded < size)); then
    echo "wine-lrzsz-test: $direction of $size bytes: the data differ" >&2
    return 1
  fi
  if ((padded % block != 0 && padded != size)) ||
    [[ -n $(tail -c +"$((size + 1))" "$got" | tr -d "\\$fill") ]]; then
    echo "wine-lrzsz-test: $direction of $size bytes: $padded bytes with a bad tail" >&2
    return 1
  fi
  echo "wine-lrzsz-test: $direction of $size bytes arrived whole"
}

for size in "$@"; do
  rm -rf "$work/peer" && mkdir -p "$work/peer"
  head -c "$size" /dev/urandom >"$work/sent.bin"
  case $direction in
    send-128 | send-1k)
      if [[ $direction == send-128 ]]; then rx_options=-X protocol=xmodem128; else
        rx_options="-X -c" protocol=xmodem1k-chk
      fi
      socat PTY,link="$link",raw,echo=0,wait-slave \
        SYSTEM:"cd '$work/peer' && exec rx $rx_options got.bin" 2>"$work/peer.log" &
      relay=$!
      wait_until 60 "socat's COM$com" test -e "$link"
      (cd "$work" && "$wine_run" "$prefix" "$xfer" send --protocol "$protocol" "COM$com" sent.bin)
      wait "$relay"
      relay=
      check "$work/sent.bin" "$work/peer/got.bin" '000' 128
      ;;
    receive-128 | receive-1k)
      if [[ $direction == receive-128 ]]; then sx_options=-X; else sx_options="-X -k"; fi
      cp "$work/sent.bin" "$work/peer/sent.bin"
      socat PTY,link="$link",raw,echo=0,wait-slave \
        SYSTEM:"cd '$work/peer' && exec sx $sx_options sent.bin" 2>"$work/peer.log" &
      relay=$!
      wait_until 60 "socat's COM$com" test -e "$link"
      (cd "$work" && "$wine_run" "$prefix" "$xfer" receive "COM$com" got.bin)
      wait "$relay"
      relay=
      check "$work/sent.bin" "$work/got.bin" '032' 128
      ;;
    *)
      echo "usage: $0 WINE_RUN PREFIX QUON_XFER_EXE COM DIRECTION SIZE..." >&2
      exit 2
      ;;
  esac
done
