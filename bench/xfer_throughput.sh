#!/usr/bin/env bash
# Sender throughput on the virtual line, paced like a real one: quon-xfer's 1K CRC sender and
# lrzsz's (sx -k) each send the same file to lrzsz's rx (behind socat, as lrzsz needs), at 115200
# baud (1 MiB) and at 9600 baud (64 KiB). Prints the effective bytes per second, its share of the
# line's limit (baud / 10 for 8N1) and the CPU seconds of each side.
#
#   bench/xfer_throughput.sh [BUILD_DIR]     (default build/default; takes about four minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/default}")
nullmodem=$build/tools/nullmodem/nullmodem
quon_xfer=$build/tools/quon_xfer/quon-xfer
for tool in "$nullmodem" "$quon_xfer" /usr/bin/time socat sx rx; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (build first; scripts/setup.sh)"; exit 1; }
done

work=$(mktemp -d)
line_pid=
cleanup() {
  [[ -n $line_pid ]] && kill "$line_pid" 2>/dev/null && wait "$line_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_line() {  # baud
  "$nullmodem" --baud "$1" --link-a "$work/A" --link-b "$work/B" --ready-file "$work/ready" \
    >/dev/null 2>&1 &
  line_pid=$!
  for _ in $(seq 100); do [[ -e $work/ready ]] && return; sleep 0.05; done
  echo "nullmodem did not start"; exit 1
}

stop_line() {
  kill "$line_pid"; wait "$line_pid" 2>/dev/null || true; line_pid=
}

# One transfer: the receiver on side B, then the sender (a command line) on side A.
run() {  # label baud size sender...
  local label=$1 baud=$2 size=$3; shift 3
  rm -f "$work/got.bin"
  (cd "$work" && /usr/bin/time -f "%U %S" -o "$work/rx.cpu" \
    socat "FILE:$work/B,raw,echo=0" EXEC:"rx -X -c got.bin" 2>/dev/null) &
  local receiver=$!
  sleep 0.3
  local t0 t1
  t0=$(date +%s.%N)
  (cd "$work" && /usr/bin/time -f "%U %S" -o "$work/tx.cpu" "$@" >/dev/null 2>&1)
  t1=$(date +%s.%N)
  wait "$receiver" || true
  cmp -s -n "$size" "$work/src.bin" "$work/got.bin" || { echo "$label: received file differs"; exit 1; }
  awk -v label="$label" -v baud="$baud" -v size="$size" -v t0="$t0" -v t1="$t1" \
      -v tx="$(cat "$work/tx.cpu")" -v rx="$(cat "$work/rx.cpu")" 'BEGIN {
    split(tx, a, " "); split(rx, b, " ");
    rate = size / (t1 - t0);
    printf "%-22s %6d baud %8d bytes %7.1f s %8.0f B/s %5.1f%% of line  CPU sender %.2f s, receiver %.2f s\n",
           label, baud, size, t1 - t0, rate, 100 * rate / (baud / 10), a[1] + a[2], b[1] + b[2]
  }'
}

for pair in "115200 1048576" "9600 65536"; do
  read -r baud size <<<"$pair"
  head -c "$size" /dev/urandom >"$work/src.bin"
  start_line "$baud"
  run "quon-xfer xmodem1k-chk" "$baud" "$size" \
    "$quon_xfer" send --protocol xmodem1k-chk --baud "$baud" "$work/A" src.bin
  run "sx -k (lrzsz)" "$baud" "$size" socat "FILE:$work/A,raw,echo=0" EXEC:"sx -X -k src.bin"
  stop_line
done
