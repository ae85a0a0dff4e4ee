#!/bin/sh
# Every end-to-end case again, with the tool under valgrind memcheck: any error it finds, a leak
# included, fails the case. One case alone: ctest --preset valgrind -R CASE.
#
# The tool is built without -static for this: memcheck replaces malloc and the string functions
# only in a shared C library and reports false errors inside a static one.
. "$(dirname "$0")/../lib/leg.sh"
need_commands valgrind valgrind
cmake --workflow --preset valgrind
