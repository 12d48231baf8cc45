#!/usr/bin/env bash
# Builds the trap receiver into build/ and starts it. Only the program is built (the help
# document is written when the folder is configured); ./test.sh builds the rest.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
configure build
cmake --build build --parallel "$(nproc)" --target olixtrap
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting on Qt's offscreen platform (reception, logging and actions work; no window is visible)."
  export QT_QPA_PLATFORM=offscreen
fi
exec build/olixtrap "$@"
