#!/usr/bin/env bash
# Builds the libFuzzer entry points (fuzz/*_fuzz.cpp) with clang, ASan and UBSan into
# build-fuzz/ and runs them one after another, one job each at low priority, for the given
# seconds each (default 600). Corpora grow in build-fuzz/corpus/<fuzzer>/; a finding is
# written to build-fuzz/ as crash-* and stops that fuzzer. Not part of ./test.sh.
#   tools/fuzz.sh [seconds] [fuzzer...]
set -euo pipefail
cd "$(dirname "$0")/.."
OLIXTRAP_EXTRA_PACKAGES="clang" source tools/setup.sh

# Leaks inside the libraries the core links (libsmi) are not findings.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0

seconds=${1:-600}
shift || true
fuzzers=("$@")
[ ${#fuzzers[@]} -gt 0 ] || fuzzers=(decode_fuzz inform_fuzz mail_reply_fuzz settings_fuzz record_lines_fuzz forward_fuzz
                                     texts_fuzz mib_module_fuzz)

if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOLIXTRAP_FUZZ=ON -DOLIXTRAP_BENCH=OFF
fi
cmake --build build-fuzz --target "${fuzzers[@]}"

for fuzzer in "${fuzzers[@]}"; do
  corpus=build-fuzz/corpus/$fuzzer
  mkdir -p "$corpus"
  seeds=(fuzz/seeds/"$fuzzer")
  case $fuzzer in
    decode_fuzz | forward_fuzz) seeds=(tests/data/datagrams) ;;
    inform_fuzz) seeds=(fuzz/seeds/inform_fuzz tests/data/datagrams) ;;
    mib_module_fuzz) seeds=(tests/data/mibs) ;;
  esac
  # Rule records are 665 bytes on disk: room for a dozen.
  [ "$fuzzer" = record_lines_fuzz ] && options=(-max_len=8192) || options=()
  [ -d "${seeds[0]}" ] || seeds=()
  (cd build-fuzz && nice -n 10 "./$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
    "${options[@]}" "../$corpus" "${seeds[@]/#/../}")
done
