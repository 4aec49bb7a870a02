# Shared by the tests of the tree checkers (sourced, not run): a work folder, and expect, which
# runs the checker on the made-up tree in $work/t and compares its exit status.
#   callers set checker before sourcing, then build trees and call: expect STATUS DESCRIPTION
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane_checker.XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0

expect() {  # expect STATUS DESCRIPTION
  "$checker" "$work/t" >"$work/out" 2>&1
  local got=$?
  if [ "$got" -ne "$1" ]; then
    echo "FAIL: $2: exit $got, expected $1"; cat "$work/out"; failed=1
  else
    echo "ok: $2"
  fi
}
