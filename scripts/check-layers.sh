#!/usr/bin/env bash
# Fails when a top-level folder of the tree has no row in the layer table of
# CONTRIBUTING.md, so that the table cannot fall behind the tree unseen.
#   scripts/check-layers.sh [ROOT]      ROOT: a git work tree (default: this one)
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
# The first column of the table under "## Layers": | `folder/` | ...
rows=$(sed -n '/^## Layers/,/^## /p' CONTRIBUTING.md | sed -n 's/^| `\([^`]*\)\/` |.*/\1/p')
status=0
while IFS= read -r folder; do
  [ -n "$folder" ] || continue
  if ! grep -qxF -- "$folder" <<<"$rows"; then
    echo "lint: $folder/ has no row in the layer table of CONTRIBUTING.md" >&2
    status=1
  fi
done < <(git ls-files | sed -n 's|^\([^/]*\)/.*|\1|p' | sort -u)
exit $status
