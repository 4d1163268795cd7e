#!/bin/sh
# End-to-end timing of stippon-batch against netpbm's halftoning of the same page, in the same
# run: reading, stippling and writing included. Prints the median wall and CPU time and the peak
# resident memory of each case, and the ratio of each Stippon case to its peer.
#
# Usage: bench/batch_end_to_end.sh [BUILD_DIR] [RUNS] [INPUT.pgm]
#   BUILD_DIR  a build of the project (default build/release), configured as RelWithDebInfo or
#              Release; the executable is BUILD_DIR/src/stippon-batch
#   RUNS       runs per case (default 5; the A0 case runs once)
#   INPUT      default bench/data/coffee_gray_2400x1600_upscaled.pgm
# Needs netpbm (pamscale, pamditherbw, ppmtopgm, pgmtoppm) and libjpeg-turbo-progs (djpeg, cjpeg).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${2:-5}
input=${3:-$root/bench/data/coffee_gray_2400x1600_upscaled.pgm}
exe=$build/src/stippon-batch
a4_pixels=3506  # an A4 page's long side at 300 ppi

if [ ! -x "$exe" ]; then
  echo "batch_end_to_end.sh: no executable $exe; build the target stippon-batch first" >&2
  exit 2
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM

# measure NAME RUNS COMMAND: runs the shell command RUNS times; records "wall cpu peak_kib".
measure() {
  name=$1 count=$2 command=$3
  : > "$scratch/$name.times"
  run=1
  while [ "$run" -le "$count" ]; do
    /usr/bin/time -f '%e %U %S %M' -o "$scratch/time" sh -c "$command" > /dev/null 2>&1
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$scratch/time" >> "$scratch/$name.times"
    run=$((run + 1))
  done
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
measure stippon_A4_1200_pgm "$runs" "$batch --size A4 --ppi 1200 '$input' $scratch/b.pgm"
measure stippon_A4_1200_bw_tif "$runs" \
  "$batch --size A4 --ppi 1200 --mode bw '$input' $scratch/c.tif"
measure stippon_A4_1200_png "$runs" "$batch --size A4 --ppi 1200 '$input' $scratch/d.png"
measure stippon_A0_1200_bw_tif 1 \
  "$batch --width 1189mm --ppi 1200 --mode bw '$input' $scratch/e.tif"

# A 24-megapixel colour JPEG, as a camera gives it.
pamscale -width 6000 -height 4000 "$input" | pgmtoppm white | cjpeg -quality 92 > "$scratch/photo.jpg"
measure netpbm_jpeg_A4_300 "$runs" \
  "djpeg $scratch/photo.jpg | ppmtopgm | pamscale -width $a4_pixels | pamditherbw -fs > $scratch/peer2.pbm"
measure stippon_jpeg_A4_300 "$runs" "$batch --size A4 $scratch/photo.jpg $scratch/f.pgm"

# An A3-wide print (420 mm) as a raster and as the vector forms a plotter takes.
for form in shapes circles points; do
  measure "stippon_A3_svg_$form" "$runs" \
    "$batch --width 420mm --packing 1 --svg-dots $form '$input' $scratch/a3.svg"
done
measure stippon_A3_300_pgm "$runs" "$batch --width 420mm --packing 1 '$input' $scratch/a3.pgm"

echo "ratios (same run):"
ratio stippon_A4_300_pgm netpbm_A4_300
ratio stippon_A4_1200_pgm netpbm_A4_300
ratio stippon_A4_1200_bw_tif netpbm_A4_300
ratio stippon_jpeg_A4_300 netpbm_jpeg_A4_300
ratio stippon_A3_svg_shapes stippon_A3_300_pgm
ratio stippon_A3_svg_circles stippon_A3_300_pgm
