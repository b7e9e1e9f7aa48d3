#!/usr/bin/env bash
# Builds (installing what is missing) and starts the program: on the data
# directory given as the first argument, or else on the one used last (on the
# first start the folder "Vennlok" in the documents).
set -euo pipefail
quelle="$(dirname "$0")/.."
bash "$quelle/scripts/einrichten.sh"
if [ $# -ge 1 ]; then
  exec "$quelle/build/ui/vennlok" --dir "$(realpath "$1")"
fi
exec "$quelle/build/ui/vennlok"
