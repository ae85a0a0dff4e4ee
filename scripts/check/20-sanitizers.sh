#!/bin/sh
# The whole test suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -eu
cmake --workflow --preset asan
