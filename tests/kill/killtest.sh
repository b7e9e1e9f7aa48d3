#!/usr/bin/env bash
# Kills replays of a generated pact with SIGKILL at random moments, opens each
# directory again, checks that its files agree with each other (pruefen),
# resumes the replay after its last durable line (--fortsetzen), and
# compares the result with an uninterrupted replay (every other run with a
# checkpoint after each commit): the data files must be
# identical (the booking logs apart from the lines that opening a month adds).
# Arguments: the vennlok-cli program, the number of kills (default 30).
set -euo pipefail
cli=$1
runden=${2:-30}
arbeit=$(mktemp -d)
trap 'rm -rf "$arbeit"' EXIT

"$cli" erzeugen --teilhaber 60 --monate 12 --seed 7 > "$arbeit/pakt.aut"
mkdir "$arbeit/ref"
beginn=$(date +%s%N)
"$cli" replay "$arbeit/pakt.aut" --dir "$arbeit/ref" > /dev/null 2>&1
# The kills fall anywhere in a replay's time (with a checkpoint after each
# commit it takes longer): in milliseconds, at least 50.
dauer=$(( ($(date +%s%N) - beginn) / 1000000 * 3 / 2 + 50 ))

# A file as it is compared: log lines of opening and of recovery left out.
stand() {
  local dir=$1 f
  for f in $(cd "$dir" && ls | grep -v '^Vennlok.lck$' | sort); do
    echo "== $f"
    case "$f" in
      *.buc) tr -d '\r' < "$dir/$f" | grep -av -e '^KasseAuf,' -e '^BuchungsLog vom' -e '^Datum,' -e '^Eine unterbrochene' -e '^Eine verwaiste' -e '^$' || true ;;
      *) cat "$dir/$f" ;;
    esac
  done
}
stand "$arbeit/ref" > "$arbeit/ref.txt"

fehler=0
for ((i = 1; i <= runden; i++)); do
  d="$arbeit/lauf$i"
  mkdir "$d"
  # Every other run writes its files out after each month, so that kills
  # also land inside a checkpoint.
  if ((i % 2)); then export VENNLOK_SICHERUNG_AB=0; else unset VENNLOK_SICHERUNG_AB; fi
  "$cli" replay "$arbeit/pakt.aut" --dir "$d" > /dev/null 2>&1 &
  pid=$!
  ms=$(( (RANDOM * 32768 + RANDOM) % dauer ))
  sleep "$((ms / 1000)).$(printf '%03d' $((ms % 1000)))"
  kill -9 "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
  # Opening finishes or undoes an interrupted transaction; the files then agree with each other.
  "$cli" oeffnen --dir "$d" 2> /dev/null
  if [ -f "$d/A_Vennlok.ven" ] && ! "$cli" pruefen --dir "$d" > "$d.pruefen" 2>&1; then
    echo "Lauf $i: pruefen meldet Befunde nach dem Öffnen"; cat "$d.pruefen"; fehler=1
  fi
  # The replay goes on after its last durable line.
  "$cli" replay "$arbeit/pakt.aut" --dir "$d" --fortsetzen > /dev/null 2> "$d.err" || { echo "Lauf $i: Fortsetzen misslang"; cat "$d.err"; fehler=1; continue; }
  ab=$(grep -m1 -o 'gesichert bis Zeile [0-9]*' "$d.err" || echo "nichts fortzusetzen")
  if ls "$d" | grep -q -e '~$' -e '^Vennlok.jrn$'; then
    echo "Lauf $i: Reste einer Transaktion: $(ls "$d" | grep -e '~$' -e '^Vennlok.jrn$')"; fehler=1
  fi
  stand "$d" > "$d.txt"
  if ! cmp -s "$arbeit/ref.txt" "$d.txt"; then
    echo "Lauf $i ($ab): Dateien weichen ab"; diff "$arbeit/ref.txt" "$d.txt" | head -20; fehler=1
  else
    echo "Lauf $i: gleich ($ab)"
  fi
done
if [ "$fehler" -ne 0 ]; then
  echo "0 passed, 1 failed"
  exit 1
fi
echo "Alle $runden abgebrochenen Läufe ergeben nach dem Fortsetzen dieselben Dateien."
