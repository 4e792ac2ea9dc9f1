#!/usr/bin/env bash
# Builds the Debian package and checks it: unpacked into a scratch root, the desktop entry and the
# AppStream file validated, the installed programs run.
# Usage: bash tools/package.sh [BUILD_DIR]   (default: a Release build in build/release)
# Then, as root: apt-get install ./BUILD_DIR/quelix_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
build=${1:-build/release}
if [ $# -eq 0 ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUELIX_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)"
fi
rm -f "$build"/quelix_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/quelix_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
app=$root/usr/share/applications/org.tolvar.Quelix.desktop
for f in "$root/usr/bin/quelix" "$root/usr/bin/quelix-cli" "$app" \
         "$root/usr/share/metainfo/org.tolvar.Quelix.metainfo.xml" \
         "$root/usr/share/icons/hicolor/scalable/apps/org.tolvar.Quelix.svg" \
         "$root/usr/share/man/man1/quelix-cli.1.gz"; do
  [ -e "$f" ] || { echo "package: missing ${f#"$root"}"; exit 1; }
done
for s in 16 32 48 64 128 256; do
  [ -s "$root/usr/share/icons/hicolor/${s}x${s}/apps/org.tolvar.Quelix.png" ] || { echo "package: no ${s}px icon"; exit 1; }
done
desktop-file-validate "$app"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.tolvar.Quelix.metainfo.xml" >/dev/null
man -l "$root/usr/share/man/man1/quelix-cli.1.gz" >/dev/null 2>&1 || { echo "package: man page does not format"; exit 1; }
echo '{"a":[1,2]}' | "$root/usr/bin/quelix-cli" get - 'a[1]' | grep -qx 2
echo "package ok: $deb"
