#!/usr/bin/env bash
# Transfers and their cost side by side with lrzsz, in one run on the same machine. Both programs
# open the ends of the same kind of line directly (lrzsz redirected onto its pseudo-terminal, no
# relay on one side only), and every transfer is timed the same way: from the receiver's start
# until both programs have ended (and, in brackets, until the receiver has the whole file).
#
#   1. Unpaced, 4 MiB in 1K blocks with CRC, on a socat pseudo-terminal pair, in three rounds
#      that take the pairs in turn: the line's own stop-and-wait bound (a 1029-byte write
#      answered by one byte, bench_relay_bound), quon-xfer send -> quon-xfer receive --crc,
#      sx -k -> rx -c, and each Quon end against lrzsz's other end; the fastest round of each,
#      bytes/s, CPU seconds per MiB of each end, and the ratios.
#   2. System calls per 1K block (strace -c, 1 MiB, the same pair) at each end of
#      quon-xfer send -> quon-xfer receive --crc and of sx -k -> rx -c.
#   3. Paced at 115200 baud (nullmodem), 1 MiB: quon-xfer at both ends and lrzsz at both ends, as
#      a share of the line (baud / 10 for 8N1); then a 256 KiB get served by quon-server and by
#      the Qt server window (offscreen) to quon-calc: their CPU share of one core serving and idle.
#   4. Paced at 9600 baud, 64 KiB: quon-xfer and lrzsz at both ends.
#
#   nice -n 10 bench/xfer_throughput.sh [BUILD_DIR]   (default build/default; about ten minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/default}")
# shellcheck source=bench/line_setup.sh
source bench/line_setup.sh
qt_window=$build/bench/bench_server_window_qt
relay_bound=$build/bench/bench_relay_bound
require "$nullmodem" "$quon_xfer" "$quon_calc" "$quon_server" "$qt_window" "$relay_bound" \
  socat sx rx strace python3
ticks_per_second=$(getconf CLK_TCK)
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

# One end of a transfer, on its end of the line; under the given wrapper (time or strace).
# On the unpaced line the port's rate means nothing, but it must be a valid one.
end_command() {  # quon|lrzsz send|receive baud
  local baud=${3/#0/115200}
  case $1/$2 in
    quon/send) echo "$quon_xfer send --protocol xmodem1k-chk --baud $baud $work/A src.bin" ;;
    quon/receive) echo "$quon_xfer receive --crc --baud $baud $work/B got.bin" ;;
    lrzsz/send) echo "sx -X -k src.bin" ;;
    lrzsz/receive) echo "rx -X -c got.bin" ;;
  esac
}
# Runs a program and writes its user and system CPU seconds ("U/S") to a file, to the
# microsecond (/usr/bin/time gives hundredths, too coarse for a paced megabyte).
cpu_time=(python3 -c '
import os, subprocess, sys
child = subprocess.Popen(sys.argv[2:])
_, _, usage = os.wait4(child.pid, 0)
with open(sys.argv[1], "w") as out:
    out.write("%.6f/%.6f\n" % (usage.ru_utime, usage.ru_stime))')

# Starts one end in the background under its wrapper; sets end_pid, the wrapper's.
start_end() {  # quon|lrzsz send|receive baud wrapper...
  local kind=$1 role=$2 baud=$3; shift 3
  local link=$work/A; [[ $role == receive ]] && link=$work/B
  local out=/dev/null; [[ $kind == lrzsz ]] && out=$link
  # shellcheck disable=SC2046
  env -C "$work" "$@" $(end_command "$kind" "$role" "$baud") <"$link" >"$out" 2>/dev/null &
  end_pid=$!
}
# Waits up to 15 s for the sender, which may wait on for the answer to its EOT (sx now and then
# does on the paced line: rx's answer, sent as it closes its end, does not reach it), then
# stops the program under its wrapper, which still reports what the program used, and leaves the
# file "stopped". A plain wait, so that the end is seen at once.
finish_sender() {  # wrapper-pid
  local watchdog
  rm -f "$work/stopped"
  (sleep 15 && pkill -P "$1" && : >"$work/stopped") >/dev/null 2>&1 &
  watchdog=$!
  wait "$1" 2>/dev/null || true
  pkill -P "$watchdog" 2>/dev/null || true
  wait "$watchdog" 2>/dev/null || true
}

# Prints the time at which the file has reached size bytes (polled every millisecond).
watch_file() {  # path size
  python3 -c '
import os, sys, time
path, size = sys.argv[1], int(sys.argv[2])
while True:
    try:
        if os.stat(path).st_size >= size:
            break
    except FileNotFoundError:
        pass
    time.sleep(0.001)
print("%.6f" % time.time())' "$1" "$2"
}

# One transfer of src.bin: the sender starts first and waits for the start character; the time
# runs from the receiver's start until both programs have ended, as a user sees the transfer
# (complete_seconds: until the receiver has the whole file); a sender that had to be stopped is
# timed to its stop, which stopped_note says. Sets seconds, complete_seconds, stopped_note, rate,
# tx_cpu and rx_cpu (s/MiB).
transfer() {  # sender-kind receiver-kind baud size
  local tx=$1 rx=$2 baud=$3 size=$4
  rm -f "$work/got.bin" "$work/tx.cpu" "$work/rx.cpu"
  start_end "$tx" send "$baud" "${cpu_time[@]}" "$work/tx.cpu"
  local sender_pid=$end_pid
  sleep 0.3
  local t0 t1 watcher
  watch_file "$work/got.bin" "$size" >"$work/complete" &
  watcher=$!
  t0=$(date +%s.%N)
  start_end "$rx" receive "$baud" "${cpu_time[@]}" "$work/rx.cpu"
  wait "$end_pid" || true
  finish_sender "$sender_pid"
  t1=$(date +%s.%N)
  stopped_note=
  [[ -e $work/stopped ]] && stopped_note="  [sender stopped after 15 s; timed to its stop]"
  kill "$watcher" 2>/dev/null || true
  wait "$watcher" 2>/dev/null || true
  cmp -s -n "$size" "$work/src.bin" "$work/got.bin" || { echo "$tx -> $rx: received file differs"; exit 1; }
  local complete; complete=$(cat "$work/complete")
  seconds=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
  complete_seconds=$(awk -v a="$t0" -v b="${complete:-$t1}" 'BEGIN { print b - a }')
  rate=$(awk -v s="$seconds" -v n="$size" 'BEGIN { print n / s }')
  tx_cpu=$(cpu_per_mib "$work/tx.cpu" "$size")
  rx_cpu=$(cpu_per_mib "$work/rx.cpu" "$size")
}
cpu_per_mib() {  # time-file size
  [[ -s $1 ]] || { echo "?"; return; }
  tail -n 1 "$1" | awk -v size="$2" -F/ '{ printf "%.3f", ($1 + $2) / (size / 1048576) }'
}
label_of() {  # sender-kind receiver-kind
  local s="quon-xfer send" r="quon-xfer receive --crc"
  [[ $1 == lrzsz ]] && s="sx -k"
  [[ $2 == lrzsz ]] && r="rx -c"
  echo "$s -> $r"
}
report() {  # label baud
  awk -v label="$1" -v baud="$2" -v s="$seconds" -v c="$complete_seconds" -v rate="$rate" \
      -v tx="$tx_cpu" -v rx="$rx_cpu" -v note="$stopped_note" 'BEGIN {
    line = baud > 0 ? sprintf("%5.1f%% of line", 100 * rate / (baud / 10)) : "";
    printf "  %-40s %6.2f s (has the file %6.2f s) %9.0f B/s %s  CPU s/MiB: sender %s, receiver %s%s\n",
           label, s, c, rate, line, tx, rx, note
  }'
}
# The line's own stop-and-wait bound, the fastest of the rounds: a 1029-byte write answered by one
# byte, nothing else.
bound_rate=0
bound_us=0
measure_bound() {
  local r u
  read -r r u < <("$relay_bound" "$work/A" "$work/B" 4096)
  if awk -v a="$r" -v b="$bound_rate" 'BEGIN { exit !(a > b) }'; then bound_rate=$r; bound_us=$u; fi
}
declare -A RATE TXCPU RXCPU BEST COMPLETE_BEST NOTE
# Each pair's fastest of `times` transfers (the machine is shared: the others only show what else
# ran). The rounds take the pairs in turn, so that a slow spell of the machine falls on all alike.
run_pairs() {  # baud size times sender-kind/receiver-kind...
  local baud=$1 size=$2 times=$3 pair; shift 3
  for pair in "$@"; do BEST[$pair]=""; done
  for _ in $(seq "$times"); do
    if [[ $baud == 0 ]]; then measure_bound; fi
    for pair in "$@"; do
      transfer "${pair%/*}" "${pair#*/}" "$baud" "$size"
      if [[ -z ${BEST[$pair]} ]] ||
          awk -v a="$seconds" -v b="${BEST[$pair]}" 'BEGIN { exit !(a < b) }'; then
        BEST[$pair]=$seconds; COMPLETE_BEST[$pair]=$complete_seconds; NOTE[$pair]=$stopped_note
        RATE[$pair]=$rate; TXCPU[$pair]=$tx_cpu; RXCPU[$pair]=$rx_cpu
      fi
    done
  done
  for pair in "$@"; do
    seconds=${BEST[$pair]}; complete_seconds=${COMPLETE_BEST[$pair]}; rate=${RATE[$pair]}
    stopped_note=${NOTE[$pair]}
    tx_cpu=${TXCPU[$pair]}; rx_cpu=${RXCPU[$pair]}
    report "$(label_of "${pair%/*}" "${pair#*/}")" "$baud"
  done
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# A server in the folder $work/srv serving one get by quon-calc; prints its CPU share of one core
# while serving and then while idle for five seconds.
serve() {  # label size start protocol baud command...
  local label=$1 size=$2 start=$3 protocol=$4 baud=$5; shift 5
  start_server "$baud" "$protocol" "$@"
  cp "$work/src.bin" "$work/srv/get.bin"
  local c0 c1 c2 t0 t1
  c0=$(cpu_ticks "$server_pid")
  t0=$(date +%s.%N)
  "$quon_calc" get "$work/B" get.bin --start "$start" --expect "$work/src.bin" --timeout 30 \
    >/dev/null || { echo "$label: the get failed"; exit 1; }
  t1=$(date +%s.%N)
  c1=$(cpu_ticks "$server_pid")
  sleep 5
  c2=$(cpu_ticks "$server_pid")
  stop_server
  awk -v label="$label" -v baud="$baud" -v size="$size" -v t0="$t0" -v t1="$t1" -v hz="$ticks_per_second" \
      -v c0="$c0" -v c1="$c1" -v c2="$c2" 'BEGIN {
    s = t1 - t0; rate = size / s;
    printf "  %-40s %6.1f s %9.0f B/s %5.1f%% of line  CPU %5.2f%% of a core serving (%.3f s/MiB), %5.2f%% idle\n",
           label, s, rate, 100 * rate / (baud / 10), 100 * (c1 - c0) / hz / s,
           (c1 - c0) / hz / (size / 1048576), 100 * (c2 - c1) / hz / 5
  }'
}

# System calls of one end per 1K block, from strace -c's summary.
syscalls() {  # label strace-output blocks
  awk -v label="$1" -v blocks="$3" '
    # % time, seconds, usecs/call, calls, [errors,] syscall
    $1 ~ /^[0-9.]+$/ { calls[$NF] = $4; errors[$NF] = NF == 6 ? $5 : 0 }
    END {
      printf "  %-26s per block: write %4.1f  read %4.1f (failed %3.1f)  poll %4.1f  ioctl %4.1f  all %5.1f\n",
             label, calls["write"] / blocks, calls["read"] / blocks, errors["read"] / blocks,
             (calls["poll"] + calls["pselect6"]) / blocks, calls["ioctl"] / blocks,
             calls["total"] / blocks
    }' "$2"
}
strace_pair() {  # sender-kind receiver-kind size
  local tx=$1 rx=$2 size=$3
  rm -f "$work/got.bin"
  start_end "$tx" send 0 strace -c -o "$work/tx.strace"
  local sender_pid=$end_pid
  sleep 0.3
  start_end "$rx" receive 0 strace -c -o "$work/rx.strace"
  wait "$end_pid" || true
  finish_sender "$sender_pid"
  cmp -s -n "$size" "$work/src.bin" "$work/got.bin" || { echo "strace $tx -> $rx: received file differs"; exit 1; }
  local label; label=$(label_of "$tx" "$rx")
  syscalls "${label% -> *}" "$work/tx.strace" $((size / 1024))
  syscalls "${label#* -> }" "$work/rx.strace" $((size / 1024))
}

echo "Unpaced, 4 MiB, 1K blocks with CRC, on a socat pseudo-terminal pair (fastest of three rounds)"
head -c 4194304 /dev/urandom >"$work/src.bin"
start_line socat
run_pairs 0 4194304 3 quon/quon lrzsz/lrzsz quon/lrzsz lrzsz/quon
printf "  %-40s %9.0f B/s, %.0f us a block\n" "stop-and-wait bound of the line" "$bound_rate" "$bound_us"
echo "  ratios:"
echo "    quon <-> quon against sx -k -> rx -c, bytes/s:        $(ratio "${RATE[quon/quon]}" "${RATE[lrzsz/lrzsz]}")"
echo "    quon <-> quon against the line's bound, bytes/s:      $(ratio "${RATE[quon/quon]}" "$bound_rate")"
echo "    lrzsz <-> lrzsz against the line's bound, bytes/s:    $(ratio "${RATE[lrzsz/lrzsz]}" "$bound_rate")"
echo "    sender: quon-xfer send -> rx -c against sx -k -> rx -c, bytes/s $(ratio "${RATE[quon/lrzsz]}" "${RATE[lrzsz/lrzsz]}"), CPU/MiB $(ratio "${TXCPU[quon/lrzsz]}" "${TXCPU[lrzsz/lrzsz]}")"
echo "    receiver: sx -k -> quon-xfer receive against sx -k -> rx -c, bytes/s $(ratio "${RATE[lrzsz/quon]}" "${RATE[lrzsz/lrzsz]}"), CPU/MiB $(ratio "${RXCPU[lrzsz/quon]}" "${RXCPU[lrzsz/lrzsz]}")"

echo "System calls per 1K block (strace -c, 1 MiB, the same pair)"
head -c 1048576 /dev/urandom >"$work/src.bin"
strace_pair quon quon 1048576
strace_pair lrzsz lrzsz 1048576
stop_line

echo "Paced 115200 baud (nullmodem), 1 MiB, 1K blocks with CRC"
start_line 115200
run_pairs 115200 1048576 1 quon/quon lrzsz/lrzsz
echo "  ratio: quon-xfer send CPU/MiB against sx -k's: $(ratio "${TXCPU[quon/quon]}" "${TXCPU[lrzsz/lrzsz]}")"
stop_line

echo "Paced 115200 baud, 256 KiB get (ZK CRC), CPU of the serving side"
head -c 262144 /dev/urandom >"$work/src.bin"
start_line 115200
serve "quon-server" 262144 D Xmodem1K-ZKCRC 115200 "$quon_server"
serve "Qt server window (offscreen)" 262144 D Xmodem1K-ZKCRC 115200 "$qt_window"
stop_line

echo "Paced 9600 baud, 64 KiB, 1K blocks with CRC"
head -c 65536 /dev/urandom >"$work/src.bin"
start_line 9600
run_pairs 9600 65536 1 quon/quon lrzsz/lrzsz
stop_line
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
