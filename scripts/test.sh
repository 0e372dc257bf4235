#!/usr/bin/env bash
# Sets up, builds and runs every test: the default build, the sanitizer build, the two Windows
# builds with their tests under Wine (the 64-bit one always, under wine64; the 32-bit one where
# this machine runs 32-bit programs, in a clean 32-bit system where Wine's 32-bit half cannot be
# installed here, else built only), the real-driver suite in a virtual PC and on a virtual arm64
# board (where the linux-arm64 build is there), the package's systemd units in a Debian guest
# booted with systemd, the plain Release build (build only) and the Arm cross builds
# (linux-arm64, linux-armhf) with their tests under qemu-user; last the packages of both
# platforms, installed and removed again (the Debian packages on this machine and in clean
# Debian systems, the Windows installers under Wine). A line says which Windows suites ran, and
# one which Arm suites did not, and why. Run by another user than root, on a machine already set
# up, each stage that only root can run says so in one line instead (see root_only).
#
# A suite mostly waits (on serial lines, peers and Wine), so each runs while the next build
# compiles at low priority; its report is shown when it ends, and a last line gives each
# stage's time.
set -euo pipefail
cd "$(dirname "$0")/.."

stage_times=()
failed=()
declare -A stage_pid
rm -rf build/stages # the closing count reads every log there

# A stage still running when the script ends early goes with it, with all it started.
end_tree() {
  local child
  for child in $(pgrep -P "$1"); do end_tree "$child"; done
  kill -TERM "$1" 2>/dev/null || true
}
end_stages() {
  local pid
  for pid in "${stage_pid[@]}"; do end_tree "$pid"; done
}
trap end_stages EXIT

# Runs a stage in the foreground; a failure ends the script.
run_stage() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  "$@"
  stage_times+=("$name $((SECONDS - start)) s")
}

# Starts a stage in the background, its output kept in build/stages/ until finish_stage.
start_stage() {
  local name=$1
  shift
  local log="build/stages/${name// /-}"
  mkdir -p build/stages
  (
    start=$SECONDS
    status=0
    "$@" || status=$?
    echo "$((SECONDS - start))" >"$log.seconds"
    exit "$status"
  ) >"$log.log" 2>&1 &
  stage_pid[$name]=$!
}

# Waits for a background stage and shows its output; a failure is reported at the end.
finish_stage() {
  local name=$1 status=0
  wait "${stage_pid[$name]}" || status=$?
  unset "stage_pid[$name]"
  echo "== $name"
  local log="build/stages/${name// /-}"
  cat "$log.log"
  stage_times+=("$name $(<"$log.seconds") s")
  ((status == 0)) || failed+=("$name")
}

# The command of a stage that only root can run, as in `run_stage NAME root_only WHY COMMAND...`
# (or start_stage): run by root; for anyone else one line says that the stage did not run and
# why, and the stage passes, so that the rest still runs.
root_only() {
  local why=$1
  shift
  if ((EUID == 0)); then
    "$@"
  else
    echo "$name: not run: needs root to $why"
  fi
}

build() {
  cmake --preset "$1" >/dev/null
  nice -n 10 cmake --build --preset "$1"
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

run_stage setup bash -c 'scripts/setup.sh && scripts/setup-windows.sh'
export QUON_SET_UP=yes
if how=$(scripts/runs-32-bit.sh); then
  windows="windows64 (64-bit): tested under wine64; windows (32-bit): tested $how"
  windows_suites=(windows64 windows)
else
  windows="windows64 (64-bit): tested under wine64; windows (32-bit): built, not run: $how"
  windows_suites=(windows64)
fi
echo "$windows"

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
      3) ;; # its line said why, and the package check says it again
      *) result=1 ;;
    esac
  done
  return "$result"
}

run_stage "default build" build default
start_stage "default suite" ctest --preset default
start_stage "clean systems" root_only "make clean Debian systems" prepare_clean_systems
# A Debian guest booted with systemd runs the package's units: about one core of emulation from
# here to the packages, while the builds below compile at low priority.
start_stage "systemd guest" root_only "make the guest's Debian system" \
  scripts/systemd-guest-test.sh build/default
run_stage "sanitizer build" build sanitize
finish_stage "default suite"

start_stage "sanitizer suite" ctest --preset sanitize
# The 32-bit build holds no tests where this machine cannot run them (see CMakeLists.txt).
windows_builds() {
  build windows64
  build windows
}
run_stage "windows builds" windows_builds
finish_stage "sanitizer suite"

# The Windows suites wait on Wine more than they compute: both run at once, each in its own
# prefix with its own display, beside the virtual PC of the real-driver suite, which keeps one
# core busy, and the release build at low priority.
start_stage "windows64 suite" ctest --preset windows64
((${#windows_suites[@]} == 1)) ||
  start_stage "windows suite" scripts/runs-32-bit.sh --run ctest --preset windows
start_stage "real drivers" scripts/real-drivers-test.sh build/default
run_stage "release build" release_build
arm_builds() {
  local preset
  for preset in linux-arm64 linux-armhf; do
    scripts/cross-configure.sh "$preset"
    nice -n 10 cmake --build --preset "$preset"
  done
}
run_stage "arm builds" arm_builds
for stage in "${windows_suites[@]/%/ suite}" "real drivers"; do
  finish_stage "$stage"
done

# The Arm suites, each a core's worth of emulation under qemu-user, and the arm64 board, another,
# on the programs of the arm64 build, beside the packages, which mostly wait on apt and Wine.
arm_suites=()
arm_skipped=()
for arch in arm64 armhf; do
  if why=$(scripts/cross-ready.sh $arch --run); then
    arm_suites+=("linux-$arch suite")
    start_stage "linux-$arch suite" ctest --preset linux-$arch
  else
    arm_skipped+=("linux-$arch suite not run: $why")
  fi
done
if ((${#arm_skipped[@]})); then
  arm=$(IFS=';'; echo "${arm_skipped[*]}" | sed 's/;/; /g')
else
  arm="linux-arm64, linux-armhf: tested under qemu-user"
fi
echo "$arm"
board_stages=()
if [[ -x build/linux-arm64/server/quon-server ]]; then
  start_stage "real drivers arm64" scripts/real-drivers-test.sh build/linux-arm64
  board_stages=("real drivers arm64")
else
  echo "real drivers arm64: skipped: build/linux-arm64 is not built"
fi
finish_stage "clean systems"
finish_stage "systemd guest"
# The packages need only the builds, which have all passed by here: a failed suite does not keep
# them from being checked.
start_stage packages root_only "install the Debian packages with apt" scripts/package.sh --check
for stage in "${arm_suites[@]}" "${board_stages[@]}" packages; do
  finish_stage "$stage"
done

stage_times+=("all $SECONDS s")
echo "stages: $(IFS=';'; echo "${stage_times[*]}" | sed 's/;/; /g')"
# One count over every stage's tests: ctest's summary lines and the guest suites' own.
totals=$(cat build/stages/*.log | awk '
  /tests passed, [0-9]+ tests failed out of [0-9]+/ { f += $(NF-5); p += $NF - $(NF-5) }
  /^[a-z0-9 ]+: [0-9]+ passed, [0-9]+ failed$/ { p += $(NF-3); f += $(NF-1) }
  END { printf "%d %d", p, f }')
read -r passed_total failed_total <<<"$totals"
if ((${#failed[@]})); then
  # The stages' reports above may be long; what failed is said again last, where it is seen.
  for stage in "${failed[@]}"; do
    log="build/stages/${stage// /-}.log"
    echo "== $stage failed ($log):" >&2
    { grep -E '^(FAIL|not ok)\b|\((Failed|Timeout|SEGFAULT|Subprocess aborted|Exception)\)$|error:' \
      "$log" | head -n 40 || true; tail -n 3 "$log"; } >&2
  done
  echo "failed: ${failed[*]}" >&2
  echo "all stages: $passed_total passed, $failed_total failed"
  exit 1
fi
echo "$windows"
echo "$arm"
echo "all stages: $passed_total passed, $failed_total failed"
