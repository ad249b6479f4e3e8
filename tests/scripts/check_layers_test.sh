#!/usr/bin/env bash
# scripts/check-layers.sh on small trees of its own: each case is the
# folders of the tree, the folders of the table, the exit code and what
# stderr must hold.
set -uo pipefail
check=$1/scripts/check-layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
run_case() {
  local name=$1 tree=$2 table=$3 code=$4 says=$5
  local dir=$work/$name
  mkdir -p "$dir" && git -C "$dir" init -q
  for folder in $tree; do mkdir -p "$dir/$folder" && touch "$dir/$folder/file"; done
  touch "$dir/top-level-file"
  {
    echo "# Contributing"
    echo "## Layers"
    echo "| Folder | What | May use |"
    echo "|---|---|---|"
    for folder in $table; do echo "| \`$folder/\` | something | nothing |"; done
    echo "## Naming"
    echo "| \`outside/\` | not a row of the layer table | |"
  } >"$dir/CONTRIBUTING.md"
  git -C "$dir" add -A
  local err rc
  err=$("$check" "$dir" 2>&1 >/dev/null)
  rc=$?
  if [ "$rc" -ne "$code" ] || ! grep -qF -- "$says" <<<"$err"; then
    echo "FAIL $name: exit $rc, stderr: $err" >&2
    failures=$((failures + 1))
  fi
}
#        name               tree                 table          exit  stderr holds
run_case every-folder      "core ui .ci"        "core ui .ci"  0     ""
run_case one-missing       "core ui tests"      "core ui"      1     "tests/ has no row"
run_case hidden-missing    "core .ci"           "core"         1     ".ci/ has no row"
run_case only-in-other-tbl "core outside"       "core"         1     "outside/ has no row"
run_case prefix-is-no-row  "core coreutils"     "core"         1     "coreutils/ has no row"
run_case untracked-ignored "core"               "core"         0     ""
mkdir -p "$work/untracked-ignored/build" && touch "$work/untracked-ignored/build/x"
"$check" "$work/untracked-ignored" || { echo "FAIL untracked folder counted" >&2; failures=$((failures + 1)); }
# The tree itself.
"$check" "$1" || failures=$((failures + 1))
exit $((failures > 0))
