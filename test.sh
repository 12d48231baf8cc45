#!/usr/bin/env bash
# Builds and runs every test twice: a normal build (build/) and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), failing on any report.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0

configure_and_build build
ctest --test-dir build --output-on-failure --parallel "$(nproc)"

configure_and_build build-asan -DOLIXTRAP_SANITIZE=ON -DOLIXTRAP_BENCH=OFF
ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)"
