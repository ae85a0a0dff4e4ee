#!/bin/sh
# The native release build and its whole test suite: units, platform layer, end-to-end cases,
# pixfold-gallery, the install and the manual pages.
. "$(dirname "$0")/../lib/leg.sh"
cmake --workflow --preset dev
