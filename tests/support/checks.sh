# The shell tests' harness: a work folder and background processes cleaned up
# at exit, and check, which counts what passed and names what failed.
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT

passed=0 failed=0
check() { # check DESCRIPTION COMMAND...: the command must succeed
  local what=$1 && shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAILED: $what" >&2; fi
}
