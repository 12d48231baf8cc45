#!/usr/bin/env bash
# One line naming this machine's processor for the benchmarks' figures: model, cores and
# whether it has the instruction sets the program uses where present.
has() { grep -qw "$1" /proc/cpuinfo && echo yes || echo no; }
echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores," \
  "AVX-512F $(has avx512f), AVX-512BW $(has avx512bw), SHA $(has sha_ni), AVX2 $(has avx2)"
