#!/usr/bin/env bash
# Fails when a core source (anything outside ui/ that is not a dialog) includes a Qt header.
set -u
cd "$1" || exit 2
hits=$(grep -nE '#\s*include\s*[<"](Q[A-Za-z]|qt)' -r reception snmp notify traplog users settings platform \
         --include='*.cpp' --include='*.h' 2>/dev/null | grep -vE 'Dlg\.(cpp|h):')
if [ -n "$hits" ]; then
  echo "Qt headers in core sources:"; echo "$hits"; exit 1
fi
echo "core is free of Qt"
