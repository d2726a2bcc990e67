#!/bin/sh
# After the integration tests: every record the providers of the run wrote at the most verbose
# level (one file, see CMakeLists.txt) must hold none of the passwords the tests use and no
# ticket. The passwords are every userPassword of the test data and every literal of the form
# Word#chars in the test sources (the convention of the tests' passwords); a ticket is 32
# lowercase hex digits standing alone (the directory keeps only a 64-digit SHA-256 of it).
#   secrets_in_records.sh <records file> <tests folder>
set -eu
records=$1 tests=$2
if [ ! -s "$records" ]; then
  echo "secrets_in_records: no provider wrote a record in this run; nothing to look at"
  exit 0
fi
secrets=$(mktemp)
trap 'rm -f "$secrets"' EXIT
{
  grep -rhoE '^userPassword: .+' "$tests" --include='*.ldif' | sed 's/^userPassword: //'
  grep -rhoE "[\"'][A-Za-z]+#[A-Za-z0-9]+[\"']" "$tests" \
      --include='*.cpp' --include='*.h' --include='*.mjs' --include='*.sh' \
    | tr -d "\"'" | grep -v -x 'select#namespace'
} | sort -u > "$secrets"
[ -s "$secrets" ] || { echo "secrets_in_records: found no test password to look for" >&2; exit 1; }

echo "secrets_in_records: $(wc -l < "$records") records, $(wc -l < "$secrets") passwords"
found=0
if grep -n -F -f "$secrets" "$records" > /dev/null; then
  echo "secrets_in_records: a password is in the records:" >&2
  grep -n -o -F -f "$secrets" "$records" | head -n 20 >&2
  found=1
fi
if grep -n -E '(^|[^0-9a-f])[0-9a-f]{32}([^0-9a-f]|$)' "$records" > /dev/null; then
  echo "secrets_in_records: a ticket-shaped value is in the records:" >&2
  grep -n -E '(^|[^0-9a-f])[0-9a-f]{32}([^0-9a-f]|$)' "$records" | head -n 5 >&2
  found=1
fi
exit $found
