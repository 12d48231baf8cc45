#!/usr/bin/env bash
# Takes docs/screenshot.png headless: the main window after a few traps from snmptrap, and
# beside it the reception graph and the rejected messages window.
# Usage: tools/screenshot.sh [PORT]   (a free UDP port on 127.0.0.1, default 24990)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
configure_and_build build
cmake --build build --target olixtrap_screenshot

port=${1:-24990}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# The first-run settings, on a port that needs no privileges.
printf '[INIT]\r\nTRECV=0\r\nRECVP=%s\r\nHOST=0\r\nLOG=1\r\nT1MSG=Com = %%C / ePrise = %%E / GID = %%G / SID = %%S / TickTime = %%T / VarBindings = %%B\r\nT2MSG=Com = %%C / VarBindings = %%B\r\nT3MSG=User = %%u / eBoots = %%b / eTime = %%t / VarBindings = %%B\r\nLOGDELM=3\r\n' \
  "$port" >"$home/OlixTrap.ini"
mkdir -p docs
# A window layout kept from the user's own runs would change the pictures.
QT_QPA_PLATFORM=offscreen OLIXTRAP_HOME="$home" XDG_CONFIG_HOME="$home/config" \
  build/olixtrap_screenshot docs/screenshot.png "$port"
echo "docs/screenshot.png, docs/screenshot-1280.png, docs/screenshot-graph.png and docs/screenshot-rejected.png written"
