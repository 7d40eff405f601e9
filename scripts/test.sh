#!/usr/bin/env bash
# Installs what is missing (the test tools and peers among it), builds with
# warnings as errors under AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs every test (the fuzz targets among them, a bounded run each over its
# seed corpus).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
build=${BUILD_DIR:-build-test}
# A build directory left by an older make-based run cannot switch generator.
if [[ -f $build/CMakeCache.txt ]] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
# Line tables only (-g1): enough for the sanitizers' stack traces, and far
# less for the compiler and the linker to write than full debug information.
# A unity build: each target's files compiled in batches, so the headers are
# parsed and their inline code emitted once per batch, not once per file.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKZM_WERROR=ON -DKZM_SANITIZE=ON -DKZM_TESTS=ON \
  -DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DKZM_FAST_LINKER=ON -DKZM_UNITY_BUILD=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Most tests spend much of their time waiting on the programs they drive (a
# console's once-a-second refresh, a build's progress, a service's interval):
# twice as many tests as cores keep the cores busy meanwhile.
ctest --test-dir "$build" --output-on-failure -j"$(( $(nproc) * 2 ))" --timeout 300
