#!/usr/bin/env bash
# When a receive ends, against the line's own time and against lrzsz, in one run. Every time runs
# until both programs have ended; the pairs are taken in turn, ROUNDS times (default 9), and the
# medians are printed, since the machine is shared.
#
#   1. Paced at 115200 baud (nullmodem): quon-calc sends 1000 and 8000 bytes (128-byte blocks with
#      the checksum) to quon-xfer receive and to rx, both asking for the checksum as the server
#      does; from the receiver's start. The line's own time is that of every byte both ways, one
#      after the other as stop-and-wait sends them.
#   2. quon-server at 9600 and 115200 baud: quon-calc puts 1000 bytes and gets the same file (the
#      default protocol, 1K blocks with the ZK CRC); from the calculator's start, and in brackets
#      from the server's ACK of the request, which leaves out where the request fell between the
#      server's 250 ms ticks. A put may take its get's time and the line time of the bytes it
#      moves beyond the get's.
#
#   nice -n 10 bench/receive_end.sh [BUILD_DIR]   (default build/default; about four minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/default}")
# shellcheck source=bench/line_setup.sh
source bench/line_setup.sh
require "$nullmodem" "$quon_xfer" "$quon_calc" "$quon_server" rx
rounds=${ROUNDS:-9}
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

# Bytes on the line both ways for size bytes in blocks of 128 with the checksum: the start
# character, each block (3 + 128 + 1) and its ACK, the EOT and its ACK.
line_bytes_128() { echo $(((($1 + 127) / 128) * 133 + 3)); }
seconds_of() { awk -v b="$1" -v baud="$2" 'BEGIN { printf "%.4f", b * 10 / baud }'; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.4f", b - a }'; }

# quon-calc sends src.bin; the receiver starts 0.3 s later. Sets elapsed: seconds until both ended,
# or nothing when the transfer failed (counted in failed; rx flushes its input after every answer,
# which on a busy machine now and then loses a block's start).
declare -A failed
calc_to() {  # quon|lrzsz baud size
  rm -f "$work/got.bin"
  "$quon_calc" --baud "$2" send "$work/A" "$work/src.bin" >/dev/null 2>&1 &
  local calc=$! t0
  sleep 0.3
  t0=$(now)
  if [[ $1 == quon ]]; then
    "$quon_xfer" receive --baud "$2" "$work/B" "$work/got.bin" 2>/dev/null || true
  else
    (cd "$work" && rx -X got.bin <"$work/B" >"$work/B" 2>/dev/null) || true
  fi
  # A receiver that gave up leaves the calculator waiting for answers: it gets 5 s more.
  local watchdog sent=0
  (sleep 5 && kill "$calc") >/dev/null 2>&1 &
  watchdog=$!
  wait "$calc" || sent=$?
  elapsed=$(since "$t0")
  pkill -P "$watchdog" 2>/dev/null || true
  wait "$watchdog" 2>/dev/null || true
  if ((sent != 0)) || ! cmp -s -n "$3" "$work/src.bin" "$work/got.bin"; then
    elapsed=
    failed[$1]=$((${failed[$1]:-0} + 1))
  fi
}

echo "Paced 115200 baud (nullmodem), quon-calc sending, 128-byte blocks with the checksum (median of $rounds)"
start_line 115200
for size in 1000 8000; do
  head -c "$size" /dev/urandom >"$work/src.bin"
  quon=() lrzsz=()
  for _ in $(seq "$rounds"); do
    calc_to quon 115200 "$size"; [[ -n $elapsed ]] && quon+=("$elapsed")
    calc_to lrzsz 115200 "$size"; [[ -n $elapsed ]] && lrzsz+=("$elapsed")
  done
  line=$(seconds_of "$(line_bytes_128 "$size")" 115200)
  awk -v n="$size" -v q="$(median "${quon[@]}")" -v r="$(median "${lrzsz[@]}")" -v l="$line" \
      -v qf="${failed[quon]:-0}" -v rf="${failed[lrzsz]:-0}" 'BEGIN {
    printf "  %5d bytes: line %.3f s  quon-xfer receive %.3f s (line + %.3f s, %d failed)  rx %.3f s (line + %.3f s, %d failed)  quon/rx %.2f\n",
           n, l, q, q - l, qf, r, r - l, rf, (r > 0 ? q / r : 0)
  }'
  failed=()
done
stop_line

# One request of quon-calc to the server. Sets elapsed, the seconds until it ended, and xfer, the
# seconds it gives for the transfer after the server's ACK.
request() {  # baud get|put
  local t0 out
  t0=$(now)
  if [[ $2 == get ]]; then
    out=$("$quon_calc" --baud "$1" get "$work/B" get.bin --expect "$work/src.bin" --timeout 30) ||
      { echo "the get failed"; exit 1; }
  else
    out=$("$quon_calc" --baud "$1" put "$work/B" put.bin "$work/src.bin" --timeout 30) ||
      { echo "the put failed"; exit 1; }
  fi
  elapsed=$(since "$t0")
  xfer=$(sed -n 's/.* bytes in \([0-9.]*\) s.*/\1/p' <<<"$out")
  # The server answers the next request only from its polling state; the pause varies over a
  # tick, so that the requests fall on every phase of the server's ticks alike.
  sleep "0.$((60 + RANDOM % 25))"
}

echo "quon-server, quon-calc puts 1000 bytes and gets them (default protocol), median of $rounds"
head -c 1000 /dev/urandom >"$work/src.bin"
for baud in 9600 115200; do
  start_line "$baud"
  start_server "$baud" Xmodem1K-ZKCRC "$quon_server"
  cp "$work/src.bin" "$work/srv/get.bin"
  puts=() put_xfers=() gets=() get_xfers=()
  for _ in $(seq "$rounds"); do
    request "$baud" put
    cmp -s -n 1000 "$work/src.bin" "$work/srv/put.bin" || { echo "the put stored another file"; exit 1; }
    puts+=("$elapsed"); put_xfers+=("$xfer")
    request "$baud" get
    gets+=("$elapsed"); get_xfers+=("$xfer")
  done
  stop_server
  stop_line
  # The get: the start character, one 1K block (3 + 1024 + 2) and its ACK, the EOT and its ACK.
  extra=$(seconds_of $(($(line_bytes_128 1000) - (1 + 1029 + 1 + 2))) "$baud")
  awk -v baud="$baud" -v p="$(median "${puts[@]}")" -v px="$(median "${put_xfers[@]}")" \
      -v g="$(median "${gets[@]}")" -v gx="$(median "${get_xfers[@]}")" -v e="$extra" 'BEGIN {
    printf "  %6d baud: put %.3f s (%.3f s)  get %.3f s (%.3f s)  extra bytes %.3f s  put - get - extra %+.3f s (%+.3f s)\n",
           baud, p, px, g, gx, e, p - g - e, px - gx - e
  }'
done
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
