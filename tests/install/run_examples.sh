#!/usr/bin/env bash
# Runs every command example of the README and the orvanta-cli manual page,
# as written, in an empty folder with the built orvanta-cli on the PATH.
set -euo pipefail
source_dir=$1 cli_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PATH="$cli_dir:$PATH"
{
  # The README's sh blocks from "Examples:" on, comments dropped.
  awk '/^Examples:/{seen=1} seen && /^```sh/{on=1; next} /^```/{on=0} on && !/^#/' "$source_dir/README.md"
  # The manual's EXAMPLES, as man would print them.
  awk '/^\.SH EXAMPLES/{on=1; next} /^\.SH/{on=0} on && !/^\./' "$source_dir/assets/man/orvanta-cli.1" |
    sed -e 's/\\e/\\/g' -e 's/\\-/-/g' -e 's/\\\\/\\/g'
} > "$work/examples.sh"
cd "$work"
count=$(grep -c 'orvanta-cli' examples.sh)
if ! bash -euo pipefail examples.sh > output.txt 2> errors.txt; then
  echo "an example failed:"; cat errors.txt; exit 1
fi
[ -s errors.txt ] && { echo "examples wrote to standard error:"; cat errors.txt; exit 1; }
grep -q 'https://example.org/offer.htm' popup.htm
echo "$count passed, 0 failed"
