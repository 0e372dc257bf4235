#!/usr/bin/env bash
# quon-server's CPU and memory in the real-driver suite's virtual machines, the amd64 PC beside
# the arm64 board (both emulated), serving paced gets (bench/guest_server_load.py).
#   bench/guest_server_load.sh [BUILD...]   (default build/default build/linux-arm64, those built;
#                                            about a minute and a half each)
set -euo pipefail
cd "$(dirname "$0")/.."
builds=("$@")
((${#builds[@]})) || builds=(build/default build/linux-arm64)
for build in "${builds[@]}"; do
  if [[ ! -x $build/server/quon-server ]]; then
    echo "$build: not built, left out"
    continue
  fi
  scripts/real-drivers-test.sh --bench "$build"
done
