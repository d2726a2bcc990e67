#!/bin/bash
# Runs every command block of README.md marked as runnable (a fence opened with "```sh runnable")
# the way a reader would from the repository root, but in a temporary folder: data/, scripts/
# and build/ there lead to the source tree's folders and to this build, TMPDIR and HOME are the
# folder itself, so a block writes nothing elsewhere. Each block runs on its own with
# bash -euo pipefail; one failing fails the test.
#   readme_test.sh <README.md> <source dir> <build dir>
set -euo pipefail
readme=$1 source=$2 build=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/basalt-readme.XXXXXX")
trap 'rm -rf "$work"' EXIT

awk -v dir="$work" '
  /^```sh runnable[[:space:]]*$/ { n++; file = sprintf("%s/block-%02d.sh", dir, n); inside = 1; next }
  inside && /^```[[:space:]]*$/ { inside = 0; close(file); next }
  inside { print > file }
  END { if (inside) { print "README.md: runnable block " n " is not closed" > "/dev/stderr"; exit 1 } }
' "$readme"

shopt -s nullglob
blocks=("$work"/block-*.sh)
[ ${#blocks[@]} -gt 0 ] || { echo "readme_test: no runnable block in $readme" >&2; exit 1; }

failed=0
for block in "${blocks[@]}"; do
  name=$(basename "$block" .sh)
  folder="$work/$name.run"
  mkdir -p "$folder"
  ln -s "$source/data" "$folder/data"
  ln -s "$source/scripts" "$folder/scripts"
  ln -s "$build" "$folder/build"
  if (cd "$folder" && env -u BASALT_HOME -u BASALT_LIBRARY TMPDIR="$folder" HOME="$folder" \
        bash -euo pipefail "$block") > "$folder.log" 2>&1; then
    echo "readme_test: $name passed"
  else
    echo "readme_test: $name FAILED; the block:" >&2
    sed 's/^/    /' "$block" >&2
    echo "  its output:" >&2
    sed 's/^/    /' "$folder.log" >&2
    failed=1
  fi
done
exit $failed
