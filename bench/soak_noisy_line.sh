#!/usr/bin/env bash
# Soak on a noisy line: quon-server serves quon-calc over nullmodem lines that drop, corrupt and
# insert bytes (each a third of RATE per byte, both ways, seeded). Gets alternate between the
# start characters 'D' (ZK CRC) and 'C' (CRC-16) under the default protocol; puts use the
# checksum. Several server/line pairs run side by side, each with its own folder and seed.
#
# Every get must end with the right file or a clean failure: the server logs a result code, and
# the cancel sequence reaches the calculator, or waits on its side of the line when quon-calc had
# already given up. The server must be back to "Comms line is
# IDLE" after each request and serve the next. Puts measure the checksum's miss rate: puts that
# reported success with a stored file other than the one sent.
#
#   bench/soak_noisy_line.sh [BUILD_DIR]       (default build/default)
#   environment: GETS (1000), PUTS (200), PAIRS (4), RATE (1e-3), SEED (1)
# Prints one line per category and exits non-zero on a wrong get, an unclean failure or a stuck
# server.
# The LOG_ texts come from the build's log_lines.sh.
# shellcheck disable=SC2154
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/default}")
# shellcheck source=/dev/null
source "$build/log_lines.sh"
idle_line=$LOG_StatusPrefix$LOG_CommsLineIdle
gets=${GETS:-1000} puts=${PUTS:-200} pairs=${PAIRS:-4} rate=${RATE:-1e-3} seed=${SEED:-1}
server_bin=$build/server/quon-server
calc_bin=$build/tools/quon_calc/quon-calc
line_bin=$build/tools/nullmodem/nullmodem
for tool in "$server_bin" "$calc_bin" "$line_bin"; do
  [[ -x $tool ]] || { echo "missing: $tool (build first)"; exit 1; }
done
third=$(awk -v r="$rate" 'BEGIN { printf "%g", r / 3 }')

work=$(mktemp -d /tmp/quon-soak-XXXXXX)
cleanup() {
  kill $(jobs -p) 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

# Waits until the server's last state line is IDLE; a transfer that the calculator gave up on may
# take the sender's whole error limit to end.
wait_idle() {
  for _ in $(seq 1800); do
    [[ $(grep "^$LOG_StatusPrefix" server.log | tail -1) == "$idle_line" ]] && return 0
    sleep 0.1
  done
  return 1
}

# What the server logged for the last request, from line $1 on: "none" (no transfer began),
# "ok", or the failure's result text.
server_outcome() {
  tail -n +"$1" server.log | awk -v receiving="$LOG_ReceivingFile" \
      -v sendFailed="$LOG_ProblemsSending" -v receiveFailed="$LOG_ProblemsReceiving" '
    /^Sending via/ || index($0, receiving) == 1 { began = 1 }
    failed == 1 { result = $0; failed = 2 }
    $0 == sendFailed || $0 == receiveFailed { failed = 1 }
    END { print !began ? "none" : failed ? (result == "" ? "no-result" : result) : "ok" }'
}

# Empties the calculator's side of the line of what came after quon-calc left; true when that
# ends with the cancel sequence (two CANs among its last bytes, allowing for the noise).
drain_ends_with_cancel() {
  python3 - line-calc <<'PY'
import os, select, sys
fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
data = b''
while select.select([fd], [], [], 0.3)[0]:
    data += os.read(fd, 4096)
os.close(fd)
sys.exit(0 if b'\x18\x18' in data[-24:] else 1)
PY
}

# Stored file = source, then fill bytes 00 to a whole 128-byte block.
stored_right() {
  python3 - "$1" "$2" <<'PY'
import sys
src, got = (open(p, 'rb').read() for p in sys.argv[1:])
padded = src + bytes(-len(src) % 128)
sys.exit(0 if got == padded else 1)
PY
}

pair() {  # index gets puts
  local p=$1 n_gets=$2 n_puts=$3 dir=$work/pair$1
  mkdir -p "$dir/calc" && cd "$dir"
  python3 - <<'PY'
import random
rng = random.Random(7)
for name, size in [('small.obj', 700), ('medium.obj', 1500), ('large.obj', 3000)]:
    open(name, 'wb').write(bytes(rng.randrange(256) for _ in range(size)))
for i, size in enumerate([300, 1000, 2000]):
    open(f'calc/note{i}.txt', 'wb').write(bytes(rng.randrange(256) for _ in range(size)))
PY
  "$line_bin" --seed $((seed * 100 + p)) --drop "$third" --corrupt "$third" --insert "$third" \
    --link-a "$dir/line-pc" --link-b "$dir/line-calc" --ready-file "$dir/ready" \
    >/dev/null 2>line.err &
  line_pid=$!
  server_pid=
  trap 'kill $server_pid $line_pid 2>/dev/null; wait' EXIT
  for _ in $(seq 100); do [[ -e ready ]] && break; sleep 0.05; done
  # Held open, the calculator's side keeps what arrives after quon-calc has gone (a last close
  # would throw it away), so that the cancel of a transfer it gave up on can be looked for.
  exec 7<>line-calc
  printf '[serial]\ndevice1=%s\nbaud=115200\n' "$dir/line-pc" >quon.ini
  "$server_bin" >server.log 2>server.err &
  server_pid=$!
  wait_idle || { echo "pair $p server start" >>"$work/results"; return; }
  local files=(small.obj medium.obj large.obj) i start name from rc outcome reason
  for ((i = 0; i < n_gets; i++)); do
    start=$([[ $((i % 2)) == 0 ]] && echo D || echo C)
    name=${files[i % 3]}
    from=$(($(wc -l <server.log) + 1))
    rc=0
    "$calc_bin" get line-calc "$name" --start "$start" --expect "$name" --timeout 3 \
      >/dev/null 2>calc.err || rc=$?
    wait_idle || { echo "get $start stuck" >>"$work/results"; return; }
    outcome=$(server_outcome "$from")
    reason=$(sed 's/^quon-calc: [^:]*: //' calc.err)
    cancel_waiting=no
    drain_ends_with_cancel && cancel_waiting=yes
    if ((rc == 0)); then
      echo "get $start delivered|$outcome"
    elif [[ $reason == *"received data differs"* ]]; then
      echo "get $start WRONG|$reason"
    elif [[ $outcome == none ]]; then
      echo "get $start request lost|$reason"
    elif [[ $outcome == ok || $outcome == no-result ]]; then
      echo "get $start UNCLEAN|$outcome|$reason"
    elif [[ $reason == *"cancelled the transfer"* ]]; then
      echo "get $start cancelled|$outcome"
    elif [[ $cancel_waiting == yes ]]; then
      echo "get $start calculator gave up, cancel followed|$outcome|$reason"
    else
      echo "get $start UNCLEAN, no cancel|$outcome|$reason"
    fi >>"$work/results"
  done
  for ((i = 0; i < n_puts; i++)); do
    name=put$i.txt
    from=$(($(wc -l <server.log) + 1))
    rc=0
    "$calc_bin" put line-calc "$name" "calc/note$((i % 3)).txt" --timeout 3 >/dev/null \
      2>calc.err || rc=$?
    wait_idle || { echo "put stuck" >>"$work/results"; return; }
    outcome=$(server_outcome "$from")
    if ((rc != 0)); then
      echo "put failed|$outcome"
    elif stored_right "calc/note$((i % 3)).txt" "$name"; then
      echo "put stored|$outcome"
    else
      echo "put MISSED|$outcome"
    fi >>"$work/results"
    rm -f "$name"
  done
}

echo "soak: $gets gets, $puts puts on $pairs lines, faults $rate per byte, seed $seed ($work)"
t0=$(date +%s)
for ((p = 0; p < pairs; p++)); do
  pair "$p" $(((gets + pairs - 1 - p) / pairs)) $(((puts + pairs - 1 - p) / pairs)) &
done
wait
echo "elapsed $(($(date +%s) - t0)) s"
for ((p = 0; p < pairs; p++)); do
  sed -n "s/^nullmodem: /line $p: /p" "$work/pair$p/line.err"
done

cut -d'|' -f1 "$work/results" | sort | uniq -c
echo "server results of failed gets:"
awk -F'|' '$1 ~ /^get/ && $2 ~ /^ERROR/ { print $2 }' "$work/results" | sort | uniq -c
awk -F'|' '$1 ~ /^put/ { n++; if ($1 ~ /MISSED/) m++; if ($1 ~ /failed/) f++ }
  END { if (n) printf "puts: %d, failed %d (%.1f%%), missed %d (miss rate %.4f of puts)\n",
                      n, f, 100 * f / n, m, m / n }' "$work/results"
bad=$(grep -cE 'WRONG|UNCLEAN|stuck|server start' "$work/results" || true)
done_gets=$(grep -c '^get' "$work/results" || true)
if ((bad > 0 || done_gets < gets)); then
  grep -E 'WRONG|UNCLEAN|stuck|server start' "$work/results" | head
  echo "soak: FAILED ($bad bad, $done_gets of $gets gets run)"
  exit 1
fi
rm -rf "$work"
echo "soak: passed"
