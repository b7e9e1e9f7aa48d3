#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing, then
# configures and builds into ./build. Safe to run again: it installs only what
# is missing and rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."

pakete=(cmake make g++ qt6-base-dev qt6-translations-l10n locales poppler-utils libxml2-utils libxml2-dev
        dpkg-dev lintian appstream)
fehlend=()
for p in "${pakete[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || fehlend+=("$p")
done
als_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
if [ ${#fehlend[@]} -gt 0 ]; then
  echo "Installiere: ${fehlend[*]}"
  als_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive als_root apt-get install -y -qq --no-install-recommends "${fehlend[@]}"
fi
# The tests also run under German settings; that locale must exist.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  als_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

# --nur-pakete: the packages only (the sanitizer and fuzz scripts build elsewhere).
[ "${1:-}" = "--nur-pakete" ] && exit 0

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"
