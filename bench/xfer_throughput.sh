#!/usr/bin/env bash
# Transfers and their CPU cost side by side with lrzsz, in one run on the same machine, over the
# virtual line (nullmodem; lrzsz behind socat, as it needs):
#
#   1. Paced at 115200 baud, 1 MiB in 1K blocks with CRC: quon-xfer send and sx -k, each to
#      rx -c, and quon-server serving quon-calc's get (start C); throughput as a share of the
#      line's limit (baud / 10 for 8N1).
#   2. Paced at 115200 baud, a 256 KiB get: the CPU share of one core that quon-server and the Qt
#      server window (offscreen) use while serving it and while idle, next to sx -k sending the
#      same file to rx -c.
#   3. Unpaced, 4 MiB in 1K blocks with CRC: quon-xfer send -> rx -c and sx -k -> quon-xfer
#      receive --crc against sx -k -> rx -c, with the CPU seconds per MiB of each side.
#   4. Paced at 9600 baud, 64 KiB: quon-xfer send and sx -k to rx -c.
#
#   nice -n 10 bench/xfer_throughput.sh [BUILD_DIR]   (default build/default; about nine minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/default}")
nullmodem=$build/tools/nullmodem/nullmodem
quon_xfer=$build/tools/quon_xfer/quon-xfer
quon_calc=$build/tools/quon_calc/quon-calc
quon_server=$build/server/quon-server
qt_window=$build/bench/bench_server_window_qt
for tool in "$nullmodem" "$quon_xfer" "$quon_calc" "$quon_server" "$qt_window" /usr/bin/time \
    socat sx rx; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (build first; scripts/setup.sh)"; exit 1; }
done

work=$(mktemp -d)
line_pid=
server_pid=
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  [[ -n $line_pid ]] && kill "$line_pid" 2>/dev/null && wait "$line_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
ticks_per_second=$(getconf CLK_TCK)

start_line() {  # baud (0: unpaced)
  local pace=()
  [[ $1 -gt 0 ]] && pace=(--baud "$1")
  rm -f "$work/ready"
  "$nullmodem" "${pace[@]}" --link-a "$work/A" --link-b "$work/B" --ready-file "$work/ready" \
    >/dev/null 2>&1 &
  line_pid=$!
  for _ in $(seq 100); do [[ -e $work/ready ]] && return; sleep 0.05; done
  echo "nullmodem did not start"; exit 1
}

stop_line() {
  kill "$line_pid"; wait "$line_pid" 2>/dev/null || true; line_pid=
}

# The two ends of a transfer; each writes its user and system CPU seconds to a file ("U/S").
# lrzsz's ends also write to the file's ".pair" the figure of their socat, which does their pty
# reads and writes, with their own included. On the unpaced line the port's rate means nothing,
# but it must be a valid one.
receiver() {  # quon|lrzsz baud cpu-file
  if [[ $1 == quon ]]; then
    /usr/bin/time -f %U/%S -o "$3" "$quon_xfer" receive --crc --baud "${2/#0/115200}" \
      "$work/B" got.bin
  else
    /usr/bin/time -f %U/%S -o "$3.pair" socat "FILE:$work/B,raw,echo=0" \
      EXEC:"/usr/bin/time -f %U/%S -o $3 rx -X -c got.bin"
  fi
}
sender() {  # quon|lrzsz baud cpu-file
  if [[ $1 == quon ]]; then
    /usr/bin/time -f %U/%S -o "$3" "$quon_xfer" send --protocol xmodem1k-chk \
      --baud "${2/#0/115200}" "$work/A" src.bin
  else
    /usr/bin/time -f %U/%S -o "$3.pair" socat "FILE:$work/A,raw,echo=0" \
      EXEC:"/usr/bin/time -f %U/%S -o $3 sx -X -k src.bin"
  fi
}

# One transfer of src.bin over the running line; prints its figures and sets `seconds`.
transfer() {  # label sender-kind receiver-kind baud size [baseline-seconds]
  local label=$1 tx=$2 rx=$3 baud=$4 size=$5 base=${6:-}
  rm -f "$work/got.bin" "$work"/{tx,rx}.cpu.pair
  (cd "$work" && receiver "$rx" "$baud" "$work/rx.cpu" >/dev/null 2>&1) &
  local receiver_pid=$!
  sleep 0.3
  local t0 t1
  t0=$(date +%s.%N)
  (cd "$work" && sender "$tx" "$baud" "$work/tx.cpu" >/dev/null 2>&1) || true
  t1=$(date +%s.%N)
  wait "$receiver_pid" || true
  cmp -s -n "$size" "$work/src.bin" "$work/got.bin" || { echo "$label: received file differs"; exit 1; }
  seconds=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
  awk -v label="$label" -v baud="$baud" -v size="$size" -v s="$seconds" -v base="$base" \
      -v tx="$(cat "$work/tx.cpu")" -v rx="$(cat "$work/rx.cpu")" \
      -v txpair="$(cat "$work/tx.cpu.pair" 2>/dev/null)" \
      -v rxpair="$(cat "$work/rx.cpu.pair" 2>/dev/null)" 'BEGIN {
    mib = size / 1048576; rate = size / s;
    line = baud > 0 ? sprintf("%5.1f%% of line", 100 * rate / (baud / 10)) : "";
    ratio = base != "" ? sprintf("%5.2fx", base / s) : "";
    printf "  %-34s %6.1f s %9.0f B/s %s %s  CPU s/MiB: sender %s, receiver %s\n",
           label, s, rate, line, ratio, cpu(tx, txpair, mib), cpu(rx, rxpair, mib)
  }
  function cpu(own, pair, mib,   a, b) {
    split(own, a, "/");
    if (pair == "") return sprintf("%.3f", (a[1] + a[2]) / mib);
    split(pair, b, "/");
    return sprintf("%.3f (%.3f with socat)", (a[1] + a[2]) / mib, (b[1] + b[2]) / mib);
  }'
}

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# A server in the folder $work/srv serving one get by quon-calc; prints its CPU share of one core
# while serving and then while idle for five seconds.
serve() {  # label size start protocol baud command...
  local label=$1 size=$2 start=$3 protocol=$4 baud=$5; shift 5
  mkdir -p "$work/srv"
  cp "$work/src.bin" "$work/srv/get.bin"
  printf '[serial]\nport=COMM 1\ndevice1=%s\nbaud=%s\nprotocol=%s\n' "$work/A" "$baud" \
    "$protocol" >"$work/srv/quon.ini"
  (cd "$work/srv" && exec env QT_QPA_PLATFORM=offscreen "$@" >/dev/null 2>&1) &
  server_pid=$!
  sleep 2
  local c0 c1 c2 t0 t1
  c0=$(cpu_ticks "$server_pid")
  t0=$(date +%s.%N)
  "$quon_calc" get "$work/B" get.bin --start "$start" --expect "$work/src.bin" --timeout 30 \
    >/dev/null || { echo "$label: the get failed"; exit 1; }
  t1=$(date +%s.%N)
  c1=$(cpu_ticks "$server_pid")
  sleep 5
  c2=$(cpu_ticks "$server_pid")
  kill "$server_pid"; wait "$server_pid" 2>/dev/null || true; server_pid=
  awk -v label="$label" -v baud="$baud" -v size="$size" -v t0="$t0" -v t1="$t1" -v hz="$ticks_per_second" \
      -v c0="$c0" -v c1="$c1" -v c2="$c2" 'BEGIN {
    s = t1 - t0; rate = size / s;
    printf "  %-34s %6.1f s %9.0f B/s %5.1f%% of line  CPU %5.2f%% of a core serving (%.3f s/MiB), %5.2f%% idle\n",
           label, s, rate, 100 * rate / (baud / 10), 100 * (c1 - c0) / hz / s,
           (c1 - c0) / hz / (size / 1048576), 100 * (c2 - c1) / hz / 5
  }'
}

echo "Paced 115200 baud, 1 MiB, 1K blocks with CRC"
head -c 1048576 /dev/urandom >"$work/src.bin"
start_line 115200
transfer "quon-xfer send -> rx -c" quon lrzsz 115200 1048576
transfer "sx -k -> rx -c (lrzsz)" lrzsz lrzsz 115200 1048576
serve "quon-server, get (start C)" 1048576 C Xmodem1K-CHK 115200 "$quon_server"
stop_line

echo "Paced 115200 baud, 256 KiB get (ZK CRC), CPU of the serving side"
head -c 262144 /dev/urandom >"$work/src.bin"
start_line 115200
serve "quon-server" 262144 D Xmodem1K-ZKCRC 115200 "$quon_server"
serve "Qt server window (offscreen)" 262144 D Xmodem1K-ZKCRC 115200 "$qt_window"
transfer "sx -k -> rx -c (lrzsz)" lrzsz lrzsz 115200 262144
stop_line

echo "Unpaced, 4 MiB, 1K blocks with CRC (ratios against sx -k -> rx -c)"
head -c 4194304 /dev/urandom >"$work/src.bin"
start_line 0
transfer "sx -k -> rx -c (lrzsz)" lrzsz lrzsz 0 4194304
baseline=$seconds
transfer "quon-xfer send -> rx -c" quon lrzsz 0 4194304 "$baseline"
transfer "sx -k -> quon-xfer receive --crc" lrzsz quon 0 4194304 "$baseline"
stop_line

echo "Paced 9600 baud, 64 KiB, 1K blocks with CRC"
head -c 65536 /dev/urandom >"$work/src.bin"
start_line 9600
transfer "quon-xfer send -> rx -c" quon lrzsz 9600 65536
transfer "sx -k -> rx -c (lrzsz)" lrzsz lrzsz 9600 65536
stop_line
