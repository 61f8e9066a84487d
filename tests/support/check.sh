# The shell suites' one way to check and to report; sourced, not run.
#   check "what it proves" COMMAND [ARGS...]   runs the command; it must succeed
#   finish_checks                              prints the tally; fails when any check failed

check_passed=0
check_failed=0

check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
    check_passed=$((check_passed + 1))
  else
    echo "FAILED: $what"
    check_failed=$((check_failed + 1))
  fi
}

finish_checks() {
  echo "$check_passed passed, $check_failed failed"
  [ "$check_failed" -eq 0 ]
}
