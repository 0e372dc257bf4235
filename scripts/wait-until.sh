# Sourced by the test scripts. wait_until SECONDS WHAT COMMAND [ARG...] runs COMMAND until it
# succeeds; when SECONDS have gone by first, says that WHAT never came and fails. SECONDS is a
# deadline that only ends a hung test, never the time that something is expected to take: on a
# busy machine set-up takes many times what it takes on a quiet one.
wait_until() {
  local seconds=$1 what=$2 end=$((SECONDS + $1))
  shift 2
  until "$@"; do
    if ((SECONDS >= end)); then
      echo "${0##*/}: $what: not within $seconds s" >&2
      return 1
    fi
    sleep 0.1
  done
}
