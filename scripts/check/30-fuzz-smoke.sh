#!/bin/sh
# Each fuzz target for a short, bounded time: the targets build, run, and find nothing new.
# The long runs are scripts/fuzz with a longer time (docs/fuzzing.md).
. "$(dirname "$0")/../lib/leg.sh"
need_commands "clang, libclang-rt-14-dev" clang++
exec scripts/fuzz "${PIXFOLD_FUZZ_SMOKE_SECONDS:-20}"
