# Sourced by the transfer benchmarks (bash, set -euo pipefail, in the project's root, with $build
# set): a work folder removed at exit, the line between its links $work/A and $work/B (a socat
# pseudo-terminal pair or a paced nullmodem), and quon-server serving the folder $work/srv.
nullmodem=$build/tools/nullmodem/nullmodem
quon_xfer=$build/tools/quon_xfer/quon-xfer
quon_calc=$build/tools/quon_calc/quon-calc
quon_server=$build/server/quon-server

require() {  # program...
  local tool
  for tool; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (build first; scripts/setup.sh)"; exit 1; }
  done
}

work=$(mktemp -d)
line_pid=
server_pid=
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  [[ -n $line_pid ]] && kill "$line_pid" 2>/dev/null && wait "$line_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

wait_for_links() {
  for _ in $(seq 100); do [[ -e $work/A && -e $work/B ]] && return; sleep 0.05; done
  echo "the line did not start"; exit 1
}

start_line() {  # socat | baud
  rm -f "$work/A" "$work/B" "$work/ready"
  if [[ $1 == socat ]]; then
    socat PTY,link="$work/A",raw,echo=0 PTY,link="$work/B",raw,echo=0 2>/dev/null &
  else
    "$nullmodem" --baud "$1" --link-a "$work/A" --link-b "$work/B" \
      --ready-file "$work/ready" >/dev/null 2>&1 &
  fi
  line_pid=$!
  wait_for_links
  [[ $1 == socat ]] || for _ in $(seq 100); do [[ -e $work/ready ]] && break; sleep 0.05; done
}

stop_line() {
  kill "$line_pid"; wait "$line_pid" 2>/dev/null || true; line_pid=
}

# A server on end A serving the folder $work/srv (made here); sets server_pid. It is given two
# seconds to open the port.
start_server() {  # baud protocol command...
  local baud=$1 protocol=$2; shift 2
  mkdir -p "$work/srv"
  printf '[serial]\nport=COMM 1\ndevice1=%s\nbaud=%s\nprotocol=%s\n' "$work/A" "$baud" \
    "$protocol" >"$work/srv/quon.ini"
  (cd "$work/srv" && exec env QT_QPA_PLATFORM=offscreen "$@" >/dev/null 2>&1) &
  server_pid=$!
  sleep 2
}

stop_server() {
  kill "$server_pid"; wait "$server_pid" 2>/dev/null || true; server_pid=
}

now() { date +%s.%N; }

# The median of the numbers given.
median() {
  printf '%s\n' "$@" | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
