#!/usr/bin/env bash
# Builds the Debian package (build/olixtrap_VERSION_ARCH.deb); install it with
#   sudo apt-get install ./build/olixtrap_*.deb
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
configure_and_build build
rm -f build/olixtrap_*.deb
(cd build && cpack -G DEB >/dev/null)
ls build/olixtrap_*.deb
