#!/usr/bin/env bash
# Short sessions of the indicator under valgrind's memcheck: no memory errors, and no
# leaks definitely lost. Usage: memcheck.sh path/to/indicator
set -uo pipefail
indicator=$1
# mimalloc replaces malloc: memcheck has to be told to watch it, and sees its operator
# delete[] as free(), which is no fault of ours.
memcheck=(valgrind --quiet --error-exitcode=3 --leak-check=full --errors-for-leak-kinds=definite
          --show-mismatched-frees=no --soname-synonyms=somalloc='*mimalloc*')
failed=0

session() {
  local name=$1
  shift
  if "$@"; then echo "ok: $name"; else echo "FAIL: $name"; failed=1; fi
}

reports() {
  printf '%s\n' '{"title":"a","sections":[{"title":"s","rows":[{"label":"l","bar":"b","value":"v","detail":"d","tone":"good","hint":"h","emphasis":true}]}],"console":"http://127.0.0.1:8180"}' \
    'not json' '{"title":1}' '{}' '{"title":"\u2301 23%"}'
  printf '{"title":"last without a line feed"}'
}

session "reports from standard input" bash -c "$(declare -f reports); reports | ${memcheck[*]@Q} ${indicator@Q} 2>/dev/null"
session "self-test" bash -c "${memcheck[*]@Q} ${indicator@Q} --selftest </dev/null 2>/dev/null"
session "standard input at its end" bash -c "${memcheck[*]@Q} ${indicator@Q} </dev/null 2>/dev/null"

if [ "$failed" -ne 0 ]; then echo "0 passed, 1 failed"; exit 1; fi
