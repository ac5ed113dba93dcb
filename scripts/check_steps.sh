# The verdict of the check scripts, sourced by each: every check prints one
# line and counts as passed or failed; the script ends on the two counts.
passed=0
failed=0

# check <what> <command...>
check() {
  local what=$1
  shift
  if "$@"; then
    echo "  ok   $what"
    passed=$((passed + 1))
  else
    echo "  FAIL $what"
    failed=$((failed + 1))
  fi
}

# stop_process <pid>: ends a background process of the check, if any.
stop_process() {
  [ -n "${1:-}" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
