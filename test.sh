#!/usr/bin/env bash
# Builds and runs every test twice: a normal build (build/) and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), failing on any report.
# The normal build holds the benchmarks as well, so their libraries must be there.
# OLIXTRAP_WERROR=ON (as CI sets it) turns every compiler warning into an error.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0

werror=(-DOLIXTRAP_WERROR="${OLIXTRAP_WERROR:-OFF}")

configure_and_build build -DOLIXTRAP_BENCH=ON -DOLIXTRAP_BENCH_REQUIRED=ON "${werror[@]}"
ctest --test-dir build --output-on-failure --parallel "$(nproc)"

configure_and_build build-asan -DOLIXTRAP_SANITIZE=ON -DOLIXTRAP_BENCH=OFF "${werror[@]}"
ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)"
