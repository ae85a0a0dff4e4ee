#!/bin/sh
# Every end-to-end case again, with the tool under valgrind memcheck: any error it finds, a leak
# included, changes the exit status and shows on standard error, so the case fails.
#
#   scripts/check/25-valgrind.sh [CASE_DIR...]   (default: every case)
#
# The tool is built without -static for this: memcheck replaces malloc and the string functions
# only in a shared C library and reports false errors inside a static one.
set -eu
cd "$(dirname "$0")/../.."
if ! command -v valgrind >/dev/null; then
    if [ "${CI:-}" = true ]; then
        echo "valgrind: valgrind is missing on CI (Debian package valgrind)"
        exit 1
    fi
    echo "SKIPPED valgrind: valgrind is missing (install the Debian package valgrind)"
    exit 0
fi
cmake --preset valgrind >/dev/null
cmake --build --preset valgrind
tool="$PWD/build/valgrind/pixfold"

[ "$#" -gt 0 ] || set -- tests/e2e/cases/*/
passed=0
skipped=0
failed=""
for case_dir in "$@"; do
    name=$(basename "$case_dir")
    set +e
    result=$(bash tests/e2e/run_case.sh "$case_dir" valgrind --quiet --error-exitcode=97 \
        --leak-check=full --show-leak-kinds=definite,indirect \
        --errors-for-leak-kinds=definite,indirect "$tool" 2>&1)
    status=$?
    set -e
    case $status in
    0) passed=$((passed + 1)) ;;
    77)
        skipped=$((skipped + 1))
        echo "$name: $result"
        ;;
    *)
        failed="$failed $name"
        echo "FAILED $name under valgrind:"
        echo "$result"
        ;;
    esac
done
echo "valgrind: $passed passed, $skipped skipped, failed:${failed:- none}"
[ -z "$failed" ]
