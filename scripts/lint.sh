#!/usr/bin/env bash
# Checks the written rules: .editorconfig (line ends, spaces, final newline),
# .clang-format and the naming rule in .clang-tidy.
#   scripts/lint.sh [build]        the lines changed since LINT_BASE (default:
#                                  the fork point from main, else HEAD~1)
#   LINT_ALL=1 scripts/lint.sh     every file, every line
# clang-tidy reads the compile database in the build folder (default build).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build}
status=0
fail() { echo "lint: $*" >&2; status=1; }

sources() { git ls-files '*.cpp' '*.h' | grep -v '^fuzz/\(seeds\|regressions\)/'; }
texts() {
  git ls-files | grep -v '^fuzz/\(seeds\|regressions\)/' |
    grep -Ev '\.(png|gif|ico|jpg|svg|ui)$'
}

if [ -n "${LINT_ALL:-}" ]; then
  base=
  scope="every file"
else
  base=${LINT_BASE:-$(git merge-base HEAD main 2>/dev/null || true)}
  if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then base=HEAD~1; fi
  scope="lines changed since $(git rev-parse --short "$base")"
fi
echo "lint: $scope"

# .editorconfig, on whole files either way: these are cheap to keep.
while IFS= read -r f; do
  [ -f "$f" ] || continue
  grep -q $'\r' "$f" && fail "$f: carriage returns (lines end in LF)"
  grep -qE '[[:space:]]+$' "$f" && fail "$f: trailing spaces (line $(grep -nE '[[:space:]]+$' "$f" | head -1 | cut -d: -f1))"
  [ -s "$f" ] && [ -n "$(tail -c1 "$f")" ] && fail "$f: no newline at the end"
  case $f in
    Makefile|*.mk) ;;
    *) grep -q $'^\t' "$f" && fail "$f: indented with tabs" ;;
  esac
done < <(if [ -n "$base" ]; then git diff --name-only --diff-filter=AMR "$base" -- ; else texts; fi |
           grep -v '^fuzz/\(seeds\|regressions\)/' | grep -Ev '\.(png|gif|ico|jpg|svg|ui)$')

# Every top-level folder has a row in the layer table of CONTRIBUTING.md.
scripts/check-layers.sh "$root" || status=1

# Layout.
if [ -n "$base" ]; then
  out=$(git diff -U0 --no-color "$base" -- '*.cpp' '*.h' | clang-format-diff -p1)
  if [ -n "$out" ]; then echo "$out"; fail "changed lines differ from .clang-format (diff above)"; fi
else
  sources | xargs clang-format --dry-run --Werror 2>&1 | grep -E '^[^ ]+:[0-9]+:[0-9]+: ' |
    cut -d: -f1 | sort | uniq -c | sort -rn | sed 's/^/lint: clang-format: /'
  sources | xargs clang-format --dry-run --Werror >/dev/null 2>&1 || fail "files differ from .clang-format"
fi

# Naming.
if [ ! -f "$build/compile_commands.json" ]; then
  fail "no $build/compile_commands.json: configure first (make configure)"
elif [ -n "$base" ]; then
  out=$(git diff -U0 --no-color "$base" -- '*.cpp' '*.h' |
        clang-tidy-diff -p1 -iregex '.*\.cpp' -path "$build" -quiet -j "${JOBS:-2}" 2>/dev/null | grep -E 'warning:|error:')
  if [ -n "$out" ]; then echo "$out"; fail "changed lines break the naming rule"; fi
else
  out=$(run-clang-tidy -p "$build" -j "${JOBS:-2}" -quiet \
        "$root/(core|files|ini|settings|cli|preview|modules|ui|tests|bench|fuzz)/" 2>/dev/null |
        grep -E 'warning:|error:' | sort -u)
  if [ -n "$out" ]; then echo "$out"; fail "$(echo "$out" | wc -l) names break the naming rule"; fi
fi
[ $status -eq 0 ] && echo "lint: clean"
exit $status
