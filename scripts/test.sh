#!/usr/bin/env bash
# Sets up, builds and runs every test, as stages (scripts/test.sh --list names them): the builds
# (default, POSIX core alone, sanitizer, both Windows builds, plain Release, the Arm cross builds)
# and the suites on them (ctest's, the Windows ones under Wine, the Arm ones under qemu-user, the
# real-driver suite in a virtual PC and on a virtual arm64 board, the package's systemd units in
# a Debian guest, the packages installed and removed again, the README's pictures remade).
#
#   scripts/test.sh                    every stage
#   scripts/test.sh --only STAGE...    those stages and the stages they need
#   scripts/test.sh --list             the stages and what each needs
#
# A build takes every core, so builds run one at a time; a suite mostly waits (on serial lines,
# peers, Wine and emulators), so up to three run beside the build of the moment. A stage starts
# once the stages it needs have passed; one whose needs failed or could not run does not run,
# and the others go on. A stage that cannot run on this machine exits 77 after a line
# "NAME: not run: WHY". The last lines list every stage as passed, failed or not run (with why),
# then "all stages: N passed, N failed", counting the tests of every stage.
set -euo pipefail
cd "$(dirname "$0")/.."

# NAME | build or suite | the stages it needs, comma-separated | command (a function below).
# Builds start in this order, so that the suites that take longest can start soonest: the packages
# need the 0.1 package for their upgrade check (made once a machine, then kept), and the
# sanitizer's and the POSIX core's suites are short.
stage_table=(
  "setup|build||set_up"
  "default build|build|setup|build default"
  "windows builds|build|setup|windows_builds"
  "arm builds|build|setup|arm_builds"
  "0.1 package|build|setup|root_only \"install the Debian packages with apt\" scripts/old-release-deb.sh"
  "release build|build|setup|release_build"
  "sanitizer build|build|setup|build sanitize"
  "posix build|build|setup|build posix"
  "default suite|suite|default build|ctest --preset default"
  "systemd guest|suite|default build|root_only \"make the guest's Debian system\" scripts/systemd-guest-test.sh build/default"
  "clean systems|suite|default build|root_only \"make clean Debian systems\" prepare_clean_systems"
  "real drivers|suite|default build|scripts/real-drivers-test.sh build/default"
  "windows64 suite|suite|windows builds|ctest --preset windows64"
  "windows suite|suite|windows builds|windows32_suite"
  "linux-arm64 suite|suite|arm builds|arm_suite arm64"
  "linux-armhf suite|suite|arm builds|arm_suite armhf"
  "real drivers arm64|suite|arm builds|board_suite"
  "sanitizer suite|suite|sanitizer build|ctest --preset sanitize"
  "posix suite|suite|posix build|ctest --preset posix"
  "pictures|suite|default build,windows builds|scripts/pictures.sh --check && scripts/pictures.sh --out build/pictures"
  "packages|suite|default build,windows builds,arm builds,0.1 package,clean systems|root_only \"install the Debian packages with apt\" scripts/package.sh --check"
)
max_suites=3

set_up() {
  scripts/setup.sh
  scripts/setup-windows.sh
}

build() {
  cmake --preset "$1" >/dev/null
  nice -n 10 cmake --build --preset "$1"
}

windows_builds() {
  build windows64
  build windows
}

arm_builds() {
  local preset
  for preset in linux-arm64 linux-armhf; do
    scripts/cross-configure.sh "$preset"
    nice -n 10 cmake --build --preset "$preset"
  done
}

# The plain Release build that packagers and users run, without the presets: the programs must
# build, and without a warning (the default build has compiled the tests already).
release_build() {
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUON_TESTS=OFF >/dev/null
  CMAKE_BUILD_PARALLEL_LEVEL=$(nproc) nice -n 10 cmake --build build/release >build/release/build.log 2>&1 ||
    { cat build/release/build.log; return 1; }
  if grep -q "warning:" build/release/build.log; then
    echo "The plain Release build warns (see build/release/build.log)" >&2
    return 1
  fi
  echo "built without a warning"
}

# The 32-bit build holds no tests where this machine cannot run them (see CMakeLists.txt).
windows32_suite() {
  local how
  if ! how=$(scripts/runs-32-bit.sh); then
    echo "$name: not run: $how"
    return 77
  fi
  echo "windows (32-bit): tested $how"
  scripts/runs-32-bit.sh --run ctest --preset windows
}

arm_suite() {
  local why
  if ! why=$(scripts/cross-ready.sh "$1" --run); then
    echo "$name: not run: $why"
    return 77
  fi
  ctest --preset "linux-$1"
}

board_suite() {
  if [[ ! -x build/linux-arm64/server/quon-server ]]; then
    echo "$name: not run: the linux-arm64 build holds no quon-server"
    return 77
  fi
  scripts/real-drivers-test.sh build/linux-arm64
}

# The clean Debian systems that the package check installs into hold what the package depends on,
# which its first build tells; making them is mostly the archive and the disk, so it starts early.
prepare_clean_systems() {
  rm -rf build/clean-systems
  cpack --config build/default/CPackConfig.cmake -B build/clean-systems >build/clean-systems.log 2>&1 ||
    { cat build/clean-systems.log; return 1; }
  local suite status result=0
  local -A pid
  for suite in bookworm trixie; do
    scripts/check-in-clean-system.sh --prepare --suite "$suite" build/clean-systems/*.deb &
    pid[$suite]=$!
  done
  for suite in bookworm trixie; do
    status=0
    wait "${pid[$suite]}" || status=$?
    case $status in
      0) echo "Debian $suite system ready" ;;
      77) ;; # its line said why, and the package check says it again
      *) result=1 ;;
    esac
  done
  return "$result"
}

# As in `root_only WHY COMMAND...`: run by root; for anyone else the stage does not run.
root_only() {
  local why=$1
  shift
  if ((EUID == 0)); then
    "$@"
  else
    echo "$name: not run: needs root to $why"
    return 77
  fi
}

declare -A kind needs command state seconds cpu why pid_of
order=()
for row in "${stage_table[@]}"; do
  IFS='|' read -r name k n c <<<"$row"
  order+=("$name")
  kind[$name]=$k needs[$name]=$n command[$name]=$c
done

case ${1:-} in
  --list)
    for name in "${order[@]}"; do echo "$name${needs[$name]:+ (needs ${needs[$name]//,/, })}"; done
    exit 0
    ;;
  --only)
    shift
    (($#)) || { echo "usage: scripts/test.sh --only STAGE..." >&2; exit 2; }
    declare -A wanted
    want() {
      [[ -n ${kind[$1]:-} ]] || { echo "scripts/test.sh: no stage \"$1\" (see --list)" >&2; exit 2; }
      wanted[$1]=1
      local need
      IFS=',' read -ra list <<<"${needs[$1]}"
      for need in "${list[@]}"; do want "$need"; done
    }
    for name in "$@"; do want "$name"; done
    kept=()
    for name in "${order[@]}"; do [[ -z ${wanted[$name]:-} ]] || kept+=("$name"); done
    order=("${kept[@]}")
    ;;
  "") ;;
  *) echo "usage: scripts/test.sh [--list | --only STAGE...]" >&2; exit 2 ;;
esac

# A stage still running when the script ends early goes with it, with all it started.
end_tree() {
  local child
  for child in $(pgrep -P "$1"); do end_tree "$child"; done
  kill -TERM "$1" 2>/dev/null || true
}
end_stages() {
  local name
  for name in "${!pid_of[@]}"; do end_tree "${pid_of[$name]}"; done
}
trap end_stages EXIT

rm -rf build/stages # the closing count reads every log there
mkdir -p build/stages
export QUON_SET_UP=yes # package.sh and the like need not set up again
log_of() { echo "build/stages/${1// /-}.log"; }

start() {
  local name=$1 log
  log=$(log_of "$name")
  echo "-- $name: started"
  (
    begun=$SECONDS
    status=0
    (eval "${command[$name]}") || status=$?
    echo "$((SECONDS - begun))" >"${log%.log}.seconds"
    # The CPU time of all the stage waited for, which tells how much of its time it waited.
    times >"${log%.log}.times"
    exit "$status"
  ) >"$log" 2>&1 </dev/null &
  pid_of[$name]=$!
  state[$name]=running
}

finish() {
  local name=$1 status=$2 log
  log=$(log_of "$name")
  unset "pid_of[$name]"
  seconds[$name]=$(<"${log%.log}.seconds")
  cpu[$name]=$(awk 'NR == 2 { gsub(/[ms]/, " "); printf "%.0f\n", $1 * 60 + $2 + $3 * 60 + $4 }' \
    "${log%.log}.times")
  case $status in
    0) state[$name]=passed ;;
    77)
      state[$name]="not run"
      why[$name]=$(grep -o 'not run: .*' "$log" | tail -n 1 | cut -c10-)
      ;;
    *) state[$name]=failed ;;
  esac
  echo "== $name: ${state[$name]} (${seconds[$name]} s, CPU ${cpu[$name]} s)"
  cat "$log"
}

# Starts what may start: returns how many stages are still to end.
schedule() {
  local name need left=0 builds=0 suites=0 blocked
  for name in "${order[@]}"; do
    [[ ${state[$name]:-} != running ]] || { [[ ${kind[$name]} == build ]] && ((++builds)) || ((++suites)); }
  done
  for name in "${order[@]}"; do
    [[ -z ${state[$name]:-} ]] || { [[ ${state[$name]} != running ]] || ((++left)); continue; }
    blocked=
    IFS=',' read -ra list <<<"${needs[$name]}"
    for need in "${list[@]}"; do
      case ${state[$need]:-} in
        passed) ;;
        failed | "not run")
          state[$name]="not run"
          why[$name]="needs $need, which ${state[$need]/not run/did not run}"
          echo "== $name: not run: ${why[$name]}"
          continue 2
          ;;
        *) blocked=yes ;;
      esac
    done
    ((++left))
    [[ -z $blocked ]] || continue
    if [[ ${kind[$name]} == build ]] && ((builds == 0)); then
      start "$name"
      ((++builds))
    elif [[ ${kind[$name]} == suite ]] && ((suites < max_suites)); then
      start "$name"
      ((++suites))
    fi
  done
  return $((left > 0 ? 0 : 1))
}

while schedule; do
  status=0
  wait -n -p ended "${pid_of[@]}" || status=$?
  for name in "${!pid_of[@]}"; do
    if [[ ${pid_of[$name]} == "$ended" ]]; then finish "$name" "$status"; fi
  done
done

echo "== stages"
passed=0 failed=0 failures=()
for name in "${order[@]}"; do
  case ${state[$name]} in
    passed) echo "$name: passed (${seconds[$name]} s, CPU ${cpu[$name]} s)" ;;
    failed)
      echo "$name: failed (${seconds[$name]} s, CPU ${cpu[$name]} s, $(log_of "$name"))"
      failures+=("$name")
      ;;
    *) echo "$name: not run: ${why[$name]}" ;;
  esac
  log=$(log_of "$name")
  [[ -f $log ]] || continue
  # The stage's tests, from ctest's summary or a guest suite's own line; a failed stage that
  # counted none counts as one failure.
  read -r p f < <(awk '
    /tests passed, [0-9]+ tests failed out of [0-9]+/ { f += $(NF-5); p += $NF - $(NF-5) }
    /^[a-z0-9 -]+: [0-9]+ passed, [0-9]+ failed$/ { p += $(NF-3); f += $(NF-1) }
    END { printf "%d %d\n", p, f }' "$log")
  [[ ${state[$name]} != failed ]] || ((f > 0)) || f=1
  ((passed += p, failed += f)) || true
done
echo "all: $SECONDS s"
for name in "${failures[@]}"; do
  # The stages' reports above may be long; what failed is said again last, where it is seen.
  log=$(log_of "$name")
  echo "== $name failed ($log):"
  { grep -E '^(FAIL|not ok)\b|\((Failed|Timeout|SEGFAULT|Subprocess aborted|Exception)\)$|error:' \
    "$log" | head -n 40 || true; tail -n 3 "$log"; } | awk '!seen[$0]++'
done
echo "all stages: $passed passed, $failed failed"
((${#failures[@]} == 0))
