#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) into ./build-fuzz and runs each for SECONDS
# (default 60), starting from its seed corpus in tests/fuzz/korpus/. New
# inputs go to a temporary folder, never into the repository. A crash, a
# sanitizer report or a broken property stops with the input that caused it.
# Installs clang when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
sekunden=${1:-60}
bash scripts/einrichten.sh --nur-pakete
als_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
fehlend=()
for p in clang-14 libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || fehlend+=("$p")
done
if [ ${#fehlend[@]} -gt 0 ]; then
  echo "Installiere: ${fehlend[*]}"
  als_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive als_root apt-get install -y -qq --no-install-recommends "${fehlend[@]}"
fi
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENNLOK_FUZZ=ON >/dev/null
ziele=(fuzz_inistore fuzz_textformen fuzz_befehlszeile fuzz_journal fuzz_sepa)
cmake --build build-fuzz --parallel "$(nproc)" --target "${ziele[@]}"
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
arbeit=$(mktemp -d)
trap 'rm -rf "$arbeit"' EXIT
for ziel in "${ziele[@]}"; do
  mkdir -p "$arbeit/$ziel"
  echo "== $ziel, $sekunden s"
  status=0
  (cd "$arbeit" && "$OLDPWD/build-fuzz/tests/fuzz/$ziel" -max_total_time="$sekunden" -print_final_stats=1 \
      -max_len=4096 -artifact_prefix="$arbeit/" "$arbeit/$ziel" "$OLDPWD/tests/fuzz/korpus/$ziel") > "$arbeit/$ziel.log" 2>&1 \
    || status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$arbeit/$ziel.log" || true
  befund=$(find "$arbeit" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \))
  if [ "$status" -ne 0 ] || [ -n "$befund" ]; then
    grep -v '^#' "$arbeit/$ziel.log" | tail -40
    for f in $befund; do echo "Eingabe $f:"; od -c "$f" | head -20; done
    echo "$ziel: Befund"
    exit 1
  fi
done
echo "Alle Fuzz-Ziele liefen $sekunden s ohne Befund."
