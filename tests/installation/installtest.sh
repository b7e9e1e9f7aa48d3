#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds the Debian package;
# checks that the programs, the help, the demo, the menu entry and the icon
# are where a desktop finds them. Argument: the build folder.
set -euo pipefail
build="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fehler() { echo "FEHLER: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/prefix" > /dev/null
for datei in bin/vennlok bin/vennlok-cli share/vennlok/VennlokDoku.html share/vennlok/demo.aut \
             share/applications/vennlok.desktop share/icons/hicolor/scalable/apps/vennlok.svg; do
  [ -s "$tmp/prefix/$datei" ] || fehler "$datei fehlt nach der Installation"
done
[ -x "$tmp/prefix/bin/vennlok" ] || fehler "bin/vennlok ist nicht ausführbar"
grep -q '^Exec=vennlok$' "$tmp/prefix/share/applications/vennlok.desktop" || fehler "der Menüeintrag startet vennlok nicht"
grep -q '^Comment\[de\]=' "$tmp/prefix/share/applications/vennlok.desktop" || fehler "der Menüeintrag hat keinen deutschen Kommentar"
if command -v desktop-file-validate > /dev/null; then desktop-file-validate "$tmp/prefix/share/applications/vennlok.desktop"; fi
# The installed program finds its version without a display.
"$tmp/prefix/bin/vennlok" --version | grep -q '^Vennlok Buchungsprogramm ' || fehler "vennlok --version"
# Nothing of the tests or benchmarks is installed.
[ -z "$(find "$tmp/prefix" -name 'tst_*' -o -name 'bench_*' -o -name 'vennlok_bildschirmfotos')" ] || fehler "Testprogramme installiert"

(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -G DEB > /dev/null)
paket="$(ls "$tmp"/vennlok_*.deb)"
inhalt="$(dpkg-deb --contents "$paket")"
for datei in ./usr/bin/vennlok ./usr/bin/vennlok-cli ./usr/share/vennlok/VennlokDoku.html ./usr/share/applications/vennlok.desktop; do
  grep -q " $datei\$" <<< "$inhalt" || fehler "$datei fehlt im Paket"
done
dpkg-deb --field "$paket" Depends | grep -q 'libqt6widgets6' || fehler "das Paket hängt nicht von Qt ab"
echo "Installation und Paket $(basename "$paket") in Ordnung."
