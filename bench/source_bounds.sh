#!/usr/bin/env bash
# Peak resident memory and time of `scenarioc compile` on sources no scenario
# could need: a 100 GB file (sparse), 2 GiB of NUL bytes (sparse), 50 MB of
# commas, refused before they are read; and files of 16 MiB, the bound, in
# the shapes that once made the compiler hold many copies of them.
#
#   bench/source_bounds.sh [BUILD_DIR]     (default: build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
scenarioc=$(realpath "$build/scenarioc")
[ -x "$scenarioc" ] || { echo "source_bounds.sh: $scenarioc is missing" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "source_bounds.sh: /usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$scenarioc" emit >/dev/null
bound=$((16 * 1024 * 1024))

truncate -s 100G huge_linea.txt
truncate -s 2G nul_linea.txt
head -c 52428800 /dev/zero | tr '\0' ',' >commas50_linea.txt
head -c "$bound" /dev/zero | tr '\0' ',' >commas16_linea.txt
head -c "$bound" /dev/zero >nul16_linea.txt
head -c "$bound" /dev/zero | tr '\0' '\n' >lineends16_linea.txt
{ printf '[generale]\r\nlunghezza percorso,'; head -c $((bound - 31)) /dev/zero | tr '\0' '7'; } >digits16_linea.txt

printf '%-22s %12s %6s %9s %10s  %s\n' "line file" "bytes" "status" "seconds" "peak KiB" "first line on stderr"
for f in huge nul commas50 commas16 nul16 lineends16 digits16; do
  src=${f}_linea.txt
  set +e
  /usr/bin/time -v -o time.txt "$scenarioc" compile "$src" Valdena_704-.txt --train-number 1 \
    --dir . >/dev/null 2>err.txt
  status=$?
  set -e
  printf '%-22s %12d %6d %9s %10s  %s\n' "$src" "$(stat -c %s "$src")" "$status" \
    "$(awk -F': ' '/Elapsed/ { print $2 }' time.txt)" \
    "$(awk -F': ' '/Maximum resident/ { print $2 }' time.txt)" \
    "$(head -n 1 err.txt | tr -d '\0' | cut -c 1-90)"
done
