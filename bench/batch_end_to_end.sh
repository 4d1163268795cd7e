#!/bin/sh
# End-to-end timing of stippon-batch against netpbm's halftoning of the same page, in the same
# run: reading, stippling and writing included. Prints the median wall and CPU time and the peak
# resident memory of each case, and the ratio of each Stippon case to its peer.
#
# Usage: bench/batch_end_to_end.sh [BUILD_DIR] [RUNS] [INPUT.pgm] [EARLIER]
#   BUILD_DIR  a build of the project (default build/release), configured as RelWithDebInfo or
#              Release; the executable is BUILD_DIR/src/stippon-batch
#   RUNS       runs per case (default 5; the A0 cases run once)
#   INPUT      default bench/data/coffee_gray_2400x1600_upscaled.pgm
#   EARLIER    an earlier stippon-batch, timed on the A4 300 ppi case beside this one
# Needs netpbm (pamscale, pamditherbw, ppmtopgm, pgmtoppm) and libjpeg-turbo-progs (djpeg, cjpeg).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${2:-5}
input=${3:-$root/bench/data/coffee_gray_2400x1600_upscaled.pgm}
earlier=${4:-}
exe=$build/src/stippon-batch
a4_pixels=3506  # an A4 page's long side at 300 ppi

if [ ! -x "$exe" ]; then
  echo "batch_end_to_end.sh: no executable $exe; build the target stippon-batch first" >&2
  exit 2
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM

# run_once NAME COMMAND: runs the shell command once; records "wall cpu peak_kib".
run_once() {
  /usr/bin/time -f '%e %U %S %M' -o "$scratch/time" sh -c "$2" > /dev/null 2>&1
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$scratch/time" >> "$scratch/$1.times"
}

# measure NAME RUNS COMMAND: runs the shell command RUNS times and reports.
measure() {
  : > "$scratch/$1.times"
  run=1
  while [ "$run" -le "$2" ]; do
    run_once "$1" "$3"
    run=$((run + 1))
  done
  report "$1"
}

# report NAME: the medians and the peak of the runs recorded.
report() {
  name=$1
  mw=$(cut -d' ' -f1 "$scratch/$name.times" | sort -n | median)
  mc=$(cut -d' ' -f2 "$scratch/$name.times" | sort -n | median)
  peak=$(cut -d' ' -f3 "$scratch/$name.times" | sort -n | tail -n 1)
  printf "%-26s median %6.2f s wall, %6.2f s CPU, peak RSS %5.0f MiB\n" "$name" "$mw" "$mc" \
    "$(echo "$peak" | awk '{ print $1 / 1024 }')"
  echo "$name $mw $mc" >> "$scratch/medians"
}

median() {  # of sorted numbers on standard input
  awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

ratio() {  # ratio CASE PEER
  awk -v a="$1" -v b="$2" '$1 == a { aw = $2; ac = $3 } $1 == b { bw = $2; bc = $3 }
    END { printf "  %s / %s: %.2fx wall, %.2fx CPU\n", a, b, aw / bw, ac / bc }' "$scratch/medians"
}

batch="$exe --quiet --data $root/data --seed 7"
echo "input: $input"
echo "executable: $exe"
measure netpbm_A4_300 "$runs" "pamscale -width $a4_pixels '$input' | pamditherbw -fs > $scratch/peer.pbm"
measure stippon_A4_300_pgm "$runs" "$batch --size A4 '$input' $scratch/a.pgm"
if [ -n "$earlier" ]; then
  measure earlier_A4_300_pgm "$runs" \
    "$earlier --quiet --data $root/data --seed 7 --size A4 '$input' $scratch/a0.pgm"
fi
# The prints made in bands, on one thread and on two.
for threads in 1 2; do
  t="$batch --threads $threads"
  measure "stippon_A4_1200_pgm_t$threads" "$runs" "$t --size A4 --ppi 1200 '$input' $scratch/b.pgm"
  measure "stippon_A4_1200_png_t$threads" "$runs" "$t --size A4 --ppi 1200 '$input' $scratch/d.png"
  measure "stippon_A3_1200_bw_tif_t$threads" "$runs" \
    "$t --width 420mm --ppi 1200 --mode bw '$input' $scratch/c.tif"
  measure "stippon_A0_1200_bw_tif_t$threads" 1 \
    "$t --width 1189mm --ppi 1200 --mode bw '$input' $scratch/e.tif"
done

# A 24-megapixel colour JPEG, as a camera gives it.
pamscale -width 6000 -height 4000 "$input" | pgmtoppm white | cjpeg -quality 92 > "$scratch/photo.jpg"
measure netpbm_jpeg_A4_300 "$runs" \
  "djpeg $scratch/photo.jpg | ppmtopgm | pamscale -width $a4_pixels | pamditherbw -fs > $scratch/peer2.pbm"
measure stippon_jpeg_A4_300 "$runs" "$batch --size A4 $scratch/photo.jpg $scratch/f.pgm"

# An A3-wide print (420 mm) as the raster the batch writes by default (300 ppi) and as the vector
# forms a plotter takes, from the same photograph and settings: 271 k dots at packing 1, 1.08 M at
# packing 2. The runs take turns, so that each form sees the same load of the machine.
for packing in 1 2; do
  a3="$batch --width 420mm --packing $packing '$input'"
  forms="pgm svg_shapes svg_circles svg_points"
  for form in $forms; do : > "$scratch/stippon_A3_p${packing}_$form.times"; done
  run=1
  while [ "$run" -le "$runs" ]; do
    run_once "stippon_A3_p${packing}_pgm" "$a3 $scratch/a3.pgm"
    for dots in shapes circles points; do
      run_once "stippon_A3_p${packing}_svg_$dots" "$a3 --svg-dots $dots $scratch/a3.svg"
    done
    run=$((run + 1))
  done
  for form in $forms; do report "stippon_A3_p${packing}_$form"; done
done

echo "ratios (same run):"
ratio stippon_A4_300_pgm netpbm_A4_300
[ -z "$earlier" ] || ratio stippon_A4_300_pgm earlier_A4_300_pgm
for threads in 1 2; do
  for case in A4_1200_pgm A4_1200_png A3_1200_bw_tif A0_1200_bw_tif; do
    ratio "stippon_${case}_t$threads" netpbm_A4_300
  done
done
for case in A4_1200_png A3_1200_bw_tif A0_1200_bw_tif; do
  ratio "stippon_${case}_t1" "stippon_${case}_t2"
done
ratio stippon_jpeg_A4_300 netpbm_jpeg_A4_300
for packing in 1 2; do
  for dots in shapes circles points; do
    ratio "stippon_A3_p${packing}_svg_$dots" "stippon_A3_p${packing}_pgm"
  done
done
