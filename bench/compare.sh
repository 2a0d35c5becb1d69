#!/usr/bin/env bash
# Times the command line against copying the files it writes, side by side
# in one run: `scenarioc compile` of the largest scenario against `cp` of its
# three compiled files, and the built-in run against `cp` of its three
# compiled files; then the peak resident memory of each compile.
#
#   bench/compare.sh [BUILD_DIR] [REPETITIONS]
#
# BUILD_DIR holds scenarioc and bench/gen_largest (default: build-bench);
# REPETITIONS defaults to 11. Prints the median times and the median ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
reps=${2:-11}
scenarioc=$build/scenarioc
gen=$build/bench/gen_largest
for exe in "$scenarioc" "$gen"; do
  [ -x "$exe" ] || { echo "compare.sh: $exe is missing; build with -DSCENARIOC_BENCH=ON" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "compare.sh: /usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/out" "$work/copy" "$work/builtin" "$work/builtin-copy"
mapfile -t sources < <("$gen" "$work/src")
largest_files=(Lungavia_linea.dat Lungavia_9001.sim Lungavia_9001.dat)
builtin_files=(Valdena_linea.dat Valdena_704.sim Valdena_704.dat)

compile_largest() { "$scenarioc" compile "${sources[@]}" --dir "$work/out" >/dev/null; }
run_builtin() { "$scenarioc" --dir "$work/builtin" --console >/dev/null; }

# The first runs warm the page cache and check that both compile cleanly.
compile_largest || { echo "compare.sh: the largest scenario does not compile cleanly" >&2; exit 1; }
run_builtin || { echo "compare.sh: the built-in run failed" >&2; exit 1; }

now_us() { local t=${EPOCHREALTIME/[.,]/}; echo "$t"; }

# time_pair NAME RUN OUT_DIR COPY_DIR FILES...: REPETITIONS of the command
# and of the copy of its files, each into a directory emptied beforehand.
time_pair() {
  local name=$1 run=$2 out=$3 copy=$4
  shift 4
  local files=("$@") t0 t1 t2 i
  local runs=() copies=() ratios=()
  for ((i = 0; i < reps; i++)); do
    rm -f "${files[@]/#/$out/}"
    t0=$(now_us); $run; t1=$(now_us)
    rm -f "${files[@]/#/$copy/}"
    cp "${files[@]/#/$out/}" "$copy/"; t2=$(now_us)
    runs+=($((t1 - t0))); copies+=($((t2 - t1)))
    ratios+=("$(awk -v a=$((t1 - t0)) -v b=$((t2 - t1)) 'BEGIN { printf "%.3f", a / b }')")
  done
  local bytes
  bytes=$(cat "${files[@]/#/$out/}" | wc -c)
  printf '%-22s %6.1f ms   cp %6.1f ms   median ratio %5.2f   (%d bytes written, %d runs)\n' \
    "$name" "$(median "${runs[@]}" | awk '{ print $1 / 1000 }')" \
    "$(median "${copies[@]}" | awk '{ print $1 / 1000 }')" "$(median "${ratios[@]}")" \
    "$bytes" "$reps"
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

peak_kib() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'; }

echo "machine: $(lscpu | awk -F': +' '/Model name/ { print $2 }'), $(nproc) cores"
echo "whole process against cp of its three output files:"
time_pair "largest compile" compile_largest "$work/out" "$work/copy" "${largest_files[@]}"
time_pair "built-in run" run_builtin "$work/builtin" "$work/builtin-copy" "${builtin_files[@]}"

plan_bytes=$(stat -c %s "$work/out/Lungavia_linea.dat")
largest_kib=$(peak_kib "$scenarioc" compile "${sources[@]}" --dir "$work/out")
builtin_kib=$(peak_kib "$scenarioc" --dir "$work/builtin" --console)
echo "peak resident memory:"
printf '%-22s %6d KiB   (line plan file %d KiB)\n' "largest compile" "$largest_kib" \
  $((plan_bytes / 1024))
printf '%-22s %6d KiB\n' "built-in run" "$builtin_kib"
