#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds the Debian package;
# checks that the programs, the help, the demo, the menu entry, the icons,
# the AppStream description and the manual pages are where a desktop finds
# them, and lets Debian's own checks (lintian, appstreamcli) judge the
# package where they are installed. Arguments: the build folder, and ON
# when it was built with Debian's hardening flags (a sanitizer build is
# never packaged: its programs are not checked as a package's).
set -euo pipefail
build="$1"
gehaertet="${2:-ON}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fehler() { echo "FEHLER: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/prefix" > /dev/null
for datei in bin/vennlok bin/vennlok-cli share/vennlok/VennlokDoku.html share/vennlok/demo.aut \
             share/applications/vennlok.desktop share/icons/hicolor/scalable/apps/vennlok.svg \
             share/icons/hicolor/48x48/apps/vennlok.png share/icons/hicolor/128x128/apps/vennlok.png \
             share/icons/hicolor/256x256/apps/vennlok.png share/metainfo/example.vennlok.Buchungsprogramm.metainfo.xml \
             share/man/man1/vennlok.1.gz share/man/man1/vennlok-cli.1.gz share/doc/vennlok/copyright \
             share/doc/vennlok/changelog.gz; do
  [ -s "$tmp/prefix/$datei" ] || fehler "$datei fehlt nach der Installation"
done
[ -x "$tmp/prefix/bin/vennlok" ] || fehler "bin/vennlok ist nicht ausführbar"
grep -q '^Exec=vennlok$' "$tmp/prefix/share/applications/vennlok.desktop" || fehler "der Menüeintrag startet vennlok nicht"
grep -q '^Comment\[de\]=' "$tmp/prefix/share/applications/vennlok.desktop" || fehler "der Menüeintrag hat keinen deutschen Kommentar"
if command -v desktop-file-validate > /dev/null; then desktop-file-validate "$tmp/prefix/share/applications/vennlok.desktop"; fi
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net "$tmp/prefix/share/metainfo/example.vennlok.Buchungsprogramm.metainfo.xml" > /dev/null \
    || fehler "appstreamcli lehnt die AppStream-Beschreibung ab"
fi
# Each PNG icon is as large as its folder says.
for groesse in 48 128 256; do
  kopf="$(od -An -tx1 -j16 -N8 "$tmp/prefix/share/icons/hicolor/${groesse}x${groesse}/apps/vennlok.png" | tr -d ' \n')"
  [ "$kopf" = "$(printf '%08x%08x' "$groesse" "$groesse")" ] || fehler "das Symbol ${groesse}x${groesse} hat andere Maße"
done
# The manual pages are German and name every command of the help.
handbuch="$(zcat "$tmp/prefix/share/man/man1/vennlok-cli.1.gz")"
grep -q '^\.SH BESCHREIBUNG' <<< "$handbuch" || fehler "vennlok-cli.1 ist keine deutsche Handbuchseite"
for befehl in $("$tmp/prefix/bin/vennlok-cli" --hilfe | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p; s/^  \([a-z][a-z-]*\)$/\1/p' | sort -u); do
  grep -q -- "$(sed 's/-/\\\\-/g' <<< "$befehl")" <<< "$handbuch" \
    || fehler "vennlok-cli.1 nennt den Befehl $befehl nicht"
done
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
dpkg-deb --field "$paket" Depends | grep -q 'libc6' || fehler "das Paket hängt nicht von der C-Bibliothek ab"
# The programs are stripped and built with Debian's hardening.
mkdir "$tmp/inhalt" && dpkg-deb -x "$paket" "$tmp/inhalt"
if [ "$gehaertet" != "ON" ]; then
  echo "Installation und Paket $(basename "$paket") in Ordnung (ohne Härtung gebaut: Härtung und lintian nicht geprüft)."
  exit 0
fi
for programm in vennlok vennlok-cli; do
  abschnitte="$(readelf -S --wide "$tmp/inhalt/usr/bin/$programm")"
  dynamisch="$(readelf -d "$tmp/inhalt/usr/bin/$programm")"
  symbole="$(readelf --dyn-syms --wide "$tmp/inhalt/usr/bin/$programm")"
  ! grep -q '\.debug_info' <<< "$abschnitte" || fehler "$programm ist nicht gestrippt"
  grep -q 'BIND_NOW' <<< "$dynamisch" || fehler "$programm ist ohne -z now gebaut"
  grep -q '__stack_chk_fail' <<< "$symbole" || fehler "$programm ist ohne Stack-Schutz gebaut"
done
if command -v lintian > /dev/null; then
  # Every remaining warning is explained in the README; an error fails the test.
  lintian --fail-on error --tag-display-limit 0 "$paket" || fehler "lintian findet Fehler im Paket"
fi
echo "Installation und Paket $(basename "$paket") in Ordnung."
