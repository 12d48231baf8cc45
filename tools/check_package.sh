#!/usr/bin/env bash
# Builds the Debian package and checks what it holds: the executable, the help, the
# MIB loader, the desktop entry (validated), the icons at their sizes, the service unit, and the
# postinst that gives the executable the port capability, the base MIB definitions.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(./package.sh | tail -1)
echo "== $deb"
dpkg-deb -f "$deb" Package Version Depends
contents=$(dpkg-deb -c "$deb")
echo "$contents"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -R "$deb" "$unpacked"
failed=0
expect() {  # expect DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then echo "ok: $what"; else echo "FAILED: $what"; failed=1; fi
}
expect "executable" test -x "$unpacked/usr/bin/olixtrap"
expect "MIB loader beside the bin folder" test -x "$unpacked/usr/lib/olixtrap/olixtrap-mibload"
expect "help document" test -s "$unpacked/usr/share/olixtrap/OlixTrap.html"
expect "desktop entry is valid" desktop-file-validate "$unpacked/usr/share/applications/olixtrap.desktop"
for size in 48 256; do
  expect "${size}-pixel icon" grep -q "PNG image data, $size x $size" \
    <(file "$unpacked/usr/share/icons/hicolor/${size}x${size}/apps/olixtrap.png")
done
expect "service unit" test -s "$unpacked/usr/lib/systemd/system/olixtrap.service"
expect "postinst gives the port capability" grep -q "cap_net_bind_service" "$unpacked/DEBIAN/postinst"
expect "dependencies from the linked libraries" grep -q "libqt6widgets6" <(dpkg-deb -f "$deb" Depends)
expect "libsmi among the dependencies" grep -q "libsmi2" <(dpkg-deb -f "$deb" Depends)
expect "base MIB definitions" test -s "$unpacked/usr/share/olixtrap/base-mibs/SNMPv2-SMI.txt"
[ "$failed" -eq 0 ] || { echo "package check failed"; exit 1; }
echo "package check passed"
