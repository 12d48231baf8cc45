#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need (only those
# missing), then configures and builds into build/ (and build-asan/ when asked).
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev libsnmp-dev
  fonts-ipafont-gothic alsa-utils xdg-utils
  snmp python3-aiosmtpd tzdata
  qt6-translations-l10n
  dpkg-dev file desktop-file-utils libcap2-bin
  snmptrapd xvfb
  rapidjson-dev rsyslog rsyslog-kafka rsyslog-elasticsearch
  qt6-charts-dev libqt6opengl6-dev
  libsmi2-dev
  libsqlite3-dev sqlite3
  linux-perf
)
# Callers that need more (the fuzz build's clang) name them here.
read -r -a requested <<< "${OLIXTRAP_EXTRA_PACKAGES:-}"
PACKAGES+=("${requested[@]}")

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The cache hashes paths relative to this checkout, so a clone in another folder (CI's)
# finds what an earlier build of the same sources left.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"

# configure DIR [cmake options...]: the first call configures DIR; later ones apply only
# the options given, so that a build folder keeps its settings.
configure() {
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    # A compiler cache, where one is installed, makes rebuilds of other checkouts cheap
    # (paths are hashed relative to the checkout, see CCACHE_BASEDIR below).
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
  elif [ $# -gt 0 ]; then
    cmake -S . -B "$dir" "$@" >/dev/null
  fi
}

# configure_and_build DIR [cmake options...]: configures DIR and builds every target.
configure_and_build() {
  configure "$@"
  cmake --build "$1" --parallel "$(nproc)"
}
