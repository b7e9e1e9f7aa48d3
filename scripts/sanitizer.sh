#!/usr/bin/env bash
# The sanitizer suite: builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer into ./build-san and runs every test there.
# Any report (memory error, leak, undefined behaviour) fails the test it
# happens in. Installs what is missing first, like the test command.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/einrichten.sh --nur-pakete
cmake -S . -B build-san -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENNLOK_SANITIZE=ON >/dev/null
cmake --build build-san --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/fuzz/lsan.supp
cd build-san
ctest --output-on-failure --parallel "$(nproc)"
