#!/usr/bin/env bash
# Builds (installing what is missing) and starts the program on a data
# directory: the first argument, or the current directory.
set -euo pipefail
verzeichnis="$(realpath "${1:-.}")"
quelle="$(dirname "$0")/.."
bash "$quelle/scripts/einrichten.sh"
exec "$quelle/build/ui/vennlok" --dir "$verzeichnis"
