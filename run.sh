#!/usr/bin/env bash
# Builds the trap receiver into build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
configure_and_build build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting on Qt's offscreen platform (reception, logging and actions work; no window is visible)."
  export QT_QPA_PLATFORM=offscreen
fi
exec build/olixtrap "$@"
