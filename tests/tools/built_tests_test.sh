#!/usr/bin/env bash
# built_tests_test.sh SOURCE_DIR: every source file and script of the tests is named in a
# CMakeLists.txt of the tests, so that none drops out of the build, and its tests out of the
# run, unseen.
set -uo pipefail
cd "$1/tests" || exit 1
mapfile -t lists < <(find . -name CMakeLists.txt)
status=0
while read -r file; do
  stem=$(basename "${file%.*}")
  if ! grep -qw -- "$stem" "${lists[@]}"; then
    echo "named in no CMakeLists.txt of the tests: tests/${file#./}"
    status=1
  fi
done < <(find . \( -name '*.cpp' -o -name '*.c' -o -name '*.sh' \) | sort)
[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
