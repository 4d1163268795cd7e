#!/bin/sh
# End-to-end timing of stippon-batch: an A4 print at 300 and at 1200 ppi from a real photograph,
# reading, stippling and writing included. Prints the median wall time and the peak resident
# memory of each resolution.
#
# Usage: bench/batch_end_to_end.sh [BUILD_DIR] [RUNS] [INPUT.pgm]
#   BUILD_DIR  a build of the project (default build/release), configured as RelWithDebInfo or
#              Release; the executable is BUILD_DIR/src/stippon-batch
#   RUNS       runs per resolution (default 5)
#   INPUT      default bench/data/coffee_gray_2400x1600_upscaled.pgm
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${2:-5}
input=${3:-$root/bench/data/coffee_gray_2400x1600_upscaled.pgm}
exe=$build/src/stippon-batch

if [ ! -x "$exe" ]; then
  echo "batch_end_to_end.sh: no executable $exe; build the target stippon-batch first" >&2
  exit 2
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM

echo "input: $input"
echo "executable: $exe"
for ppi in 300 1200; do
  : > "$scratch/times"
  run=1
  while [ "$run" -le "$runs" ]; do
    # %e: wall seconds, %M: peak resident set in KiB.
    /usr/bin/time -f '%e %M' -o "$scratch/time" \
      "$exe" --quiet --data "$root/data" --size A4 --ppi "$ppi" --seed "$run" \
      "$input" "$scratch/print.pgm" > /dev/null
    cat "$scratch/time" >> "$scratch/times"
    run=$((run + 1))
  done
  size=$(head -c 32 "$scratch/print.pgm" | sed -n 2p | sed "s/ / x /")
  sort -n "$scratch/times" | awk -v ppi="$ppi" -v size="$size" '
    { wall[NR] = $1; if ($2 > peak) peak = $2 }
    END {
      median = NR % 2 ? wall[(NR + 1) / 2] : (wall[NR / 2] + wall[NR / 2 + 1]) / 2
      printf "A4 at %4d ppi (%s pixels): median %.2f s over %d runs, peak RSS %.0f MiB\n",
             ppi, size, median, NR, peak / 1024
    }'
done
