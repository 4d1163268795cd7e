#!/bin/sh
# End-to-end timing of stippon-batch: an A4 print at 300 and at 1200 ppi from a real photograph,
# reading, stippling and writing included, then an A3-wide print (420 mm) as a 300 ppi PGM
# against the same dots as SVG shapes, circles and points, at packing 2 and at packing 1 (a
# quarter of the dots). Prints the median wall time and the peak resident memory of each.
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

# The A3 width: the raster print against its vector forms, the same seed each run.
for packing in 2 1; do
  for output in pgm shapes circles points; do
    : > "$scratch/times"
    case $output in
      pgm) file=$scratch/print.pgm; dots="" ;;
      *) file=$scratch/print.svg; dots="--svg-dots $output" ;;
    esac
    run=1
    while [ "$run" -le "$runs" ]; do
      # shellcheck disable=SC2086
      /usr/bin/time -f '%e %M' -o "$scratch/time" \
        "$exe" --verbose --data "$root/data" --width 420mm --packing "$packing" --seed 1 $dots \
        "$input" "$file" > /dev/null 2> "$scratch/messages"
      cat "$scratch/time" >> "$scratch/times"
      run=$((run + 1))
    done
    bytes=$(stat -c %s "$file")
    count=$(sed -n 's/.*: \([0-9]*\) dots in.*/\1/p' "$scratch/messages")
    travel=$(sed -n 's/.*pen-up travel \(.*\)/; pen-up travel \1/p' "$scratch/messages")
    sort -n "$scratch/times" | awk -v what="$output" -v packing="$packing" -v bytes="$bytes" \
      -v dots="$count" -v travel="$travel" '
      { wall[NR] = $1; if ($2 > peak) peak = $2 }
      END {
        median = NR % 2 ? wall[(NR + 1) / 2] : (wall[NR / 2] + wall[NR / 2 + 1]) / 2
        printf "A3 wide, packing %d, %-7s: median %.2f s over %d runs, peak RSS %.0f MiB, %.1f MB",
               packing, what, median, NR, peak / 1024, bytes / 1e6
        if (dots != "") printf " (%s dots, %.0f bytes a dot)%s", dots, bytes / dots, travel
        printf "\n"
      }'
  done
done
