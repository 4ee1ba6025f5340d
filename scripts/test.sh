#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal build and
# once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
jobs=$(nproc)
# The end-to-end tests spend most of their time waiting on the simulated device's
# real-time answers, so more of them run at once than there are processors.
test_jobs=$((jobs * 2))

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$test_jobs")

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKS936_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
(cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$test_jobs")
