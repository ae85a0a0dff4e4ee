#!/bin/sh
# The native release build and its whole test suite.
set -eu
cmake --workflow --preset dev
