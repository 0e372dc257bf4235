#!/usr/bin/env bash
# The main job: sets up, builds, and runs the calculator server (quon-server, the server window
# without a display) against the virtual calculator (quon-calc) over a virtual serial line
# (nullmodem), in a scratch folder with sample files and a "quon.ini" whose device1 is the line.
# The calculator fetches a file with each of its three start characters and stores one; the
# server's log is shown and every file is compared byte for byte. Exits non-zero on any failure.
# The LOG_ texts come from the build's log_lines.sh.
# shellcheck disable=SC2154
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default

bin=$PWD/build/default
# shellcheck source=/dev/null
source "$bin/log_lines.sh"
idle_line=$LOG_StatusPrefix$LOG_CommsLineIdle
server_bin=$bin/server/quon-server
calc_bin=$bin/tools/quon_calc/quon-calc
line_bin=$bin/tools/nullmodem/nullmodem
baud=115200

demo=$(mktemp -d /tmp/quon-demo-XXXXXX)
cd "$demo"
line_pid=
server_pid=
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  [[ -n $line_pid ]] && kill "$line_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

failures=()
fail() {
  echo "FAILED: $*"
  failures+=("$*")
}

# Sample files: calculator system files of a few sizes, and a note on the calculator to store.
python3 - <<'PY'
import random
rng = random.Random(2024)
for name, size in [('orvo1.obj', 5000), ('orvo2.obj', 20000), ('orvocasb.obj', 897)]:
    with open(name, 'wb') as f:
        f.write(bytes(rng.randrange(256) for _ in range(size)))
with open('calc-note.txt', 'w') as f:
    f.write(''.join(f'Note {i}: stored on the PC by the calculator.\n' for i in range(40)))
PY

echo
echo "== Scratch folder $demo"
ls -l

echo
echo "== Virtual serial line at $baud baud: the PC on line-pc, the calculator on line-calc"
"$line_bin" --baud "$baud" --link-a "$demo/line-pc" --link-b "$demo/line-calc" \
  --ready-file "$demo/line.ready" >/dev/null 2>line.err &
line_pid=$!
for _ in $(seq 100); do [[ -e line.ready ]] && break; sleep 0.1; done
[[ -e line.ready ]] || { cat line.err; echo "demo: the virtual line did not start"; exit 1; }

# The server answers the next request only once its transfer has ended and a tick found the line
# quiet again.
wait_until_idle() {
  for _ in $(seq 200); do
    [[ $(grep "^$LOG_StatusPrefix" server.log | tail -1) == "$idle_line" ]] && return 0
    sleep 0.05
  done
  fail "quon-server did not return to IDLE"
}

# One server session with the given protocol; the calculator runs the commands given as
# "start:file" (get) or "put:name:file".
session() {
  local protocol=$1
  shift
  cat >quon.ini <<INI
[serial]
device1=$demo/line-pc
baud=$baud
protocol=$protocol
INI
  echo
  echo "== quon-server with protocol $protocol"
  "$server_bin" >server.log 2>server.err &
  server_pid=$!
  for _ in $(seq 100); do grep -qF "$LOG_CommsLineIdle" server.log 2>/dev/null && break; sleep 0.05; done
  timeout 30 "$calc_bin" --baud "$baud" download-mode line-calc || fail "download mode ($protocol)"
  local job
  for job in "$@"; do
    wait_until_idle
    IFS=: read -r kind name file <<<"$job"
    if [[ $kind == put ]]; then
      timeout 60 "$calc_bin" --baud "$baud" put line-calc "$name" "$file" || fail "put $name"
    else
      timeout 60 "$calc_bin" --baud "$baud" get line-calc "$name" --start "$kind" \
        --expect "$name" --out "got-$kind-$name" || fail "get $name with $kind"
    fi
  done
  wait_until_idle
  kill -INT "$server_pid"
  local status=0
  wait "$server_pid" || status=$?
  server_pid=
  [[ $status == 0 ]] || fail "quon-server ($protocol) exited with $status"
  echo "-- server log"
  sed 's/^/   | /' server.log
  [[ -s server.err ]] && sed 's/^/   ! /' server.err
  return 0
}

session Xmodem1K-ZKCRC D:orvo2.obj
session Xmodem1K-CHK C:orvo1.obj
session Xmodem128 NAK:orvocasb.obj put:calc-note.obj:calc-note.txt

# What a file looks like after XMODEM: the original, then fill up to the block size.
same_with_fill() {
  local original=$1 copy=$2 fill=$3
  local size
  size=$(stat -c %s "$original")
  cmp -s -n "$size" "$original" "$copy" || return 1
  [[ -z $(tail -c +"$((size + 1))" "$copy" | tr -d "$fill") ]]
}

echo
echo "== Files compared byte for byte"
compared=0
for pair in D:orvo2.obj C:orvo1.obj NAK:orvocasb.obj; do
  IFS=: read -r start name <<<"$pair"
  if [[ -e got-$start-$name ]] && same_with_fill "$name" "got-$start-$name" '\000'; then
    echo "   $name sent with start $start: $(stat -c %s "$name") bytes identical, the rest block fill"
    compared=$((compared + 1))
  else
    fail "$name received with start $start differs"
  fi
done
if [[ -e calc-note.obj ]] && same_with_fill calc-note.txt calc-note.obj '\000'; then
  echo "   calc-note.txt stored as calc-note.obj: $(stat -c %s calc-note.txt) bytes identical, the rest block fill"
  compared=$((compared + 1))
else
  fail "calc-note.obj differs from calc-note.txt"
fi

echo
if ((${#failures[@]})); then
  echo "demo: FAILED (${#failures[@]} problems: ${failures[*]}); files kept in $demo"
  exit 1
fi
echo "demo: OK - 3 gets (start D, C, NAK) and 1 put over a virtual $baud-baud line, $compared of 4 files byte-exact, server exited cleanly each time ($demo)"
