#!/bin/sh
# The whole test suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
. "$(dirname "$0")/../lib/leg.sh"
cmake --workflow --preset asan
