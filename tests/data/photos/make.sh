#!/usr/bin/env bash
# Makes the photo-reader fixtures and their expectations. Not run by the tests: the files are
# committed. Needs ImageMagick 6 (/usr/bin/convert), netpbm and libjpeg-turbo-progs (djpeg).
#
# Each picture NAME.EXT has NAME.EXT.pam beside it: its pixels as 8-bit samples (with alpha where
# the file has one), decoded by another program than Stippon's reader (netpbm for PNG, JPEG and
# BMP, ImageMagick for TIFF, WebP and GIF) and brought to 8 bits by netpbm's pamdepth. The test
# puts alpha over white and greys the colours itself, and compares with the reader exactly.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
C=/usr/bin/convert
images=../../../data/images
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A 40 x 24 colour picture (three grey photographs as R, G, B) and the same with an alpha ramp.
$C "$images/coffee_gray.pgm" "$images/chelsea_gray.pgm" "$images/astronaut_gray.pgm" \
  -resize 600x400\! -combine -crop 40x24+300+150 +repage -depth 8 "$tmp/src.ppm"
$C "$tmp/src.ppm" \( -size 24x40 gradient:black-white -rotate 90 \) -alpha off \
  -compose CopyOpacity -composite PNG32:"$tmp/srca.png"
deep() { $C "$1" -depth 16 -evaluate multiply 1.0001 "${@:2}"; }  # low bytes that matter

# TIFF: compressions, depths, alpha, palette, bilevel, byte orders, layouts, pages.
$C "$tmp/src.ppm" -compress None tiff_rgb8.tif
$C "$tmp/src.ppm" -compress LZW tiff_rgb8_lzw.tif
$C "$tmp/src.ppm" -compress Zip tiff_rgb8_deflate.tif
$C "$tmp/src.ppm" -endian MSB tiff_rgb8_big_endian.tif
deep "$tmp/src.ppm" -compress None tiff_rgb16.tif
deep "$tmp/src.ppm" -compress LZW tiff_rgb16_lzw.tif
deep "$tmp/src.ppm" -compress Zip tiff_rgb16_deflate.tif
$C "$tmp/src.ppm" -colorspace gray tiff_grey8.tif
deep "$tmp/src.ppm" -colorspace gray tiff_grey16.tif
$C "$tmp/src.ppm" -colorspace gray -depth 4 tiff_grey4.tif
$C "$tmp/src.ppm" -colorspace gray -depth 2 tiff_grey2.tif
$C "$tmp/src.ppm" -colorspace gray -define quantum:polarity=min-is-white tiff_min_is_white.tif
$C "$tmp/src.ppm" -monochrome -depth 1 tiff_bilevel.tif
$C "$tmp/src.ppm" -colors 16 -type Palette tiff_palette4.tif
$C "$tmp/srca.png" -compress LZW tiff_rgba8.tif
$C "$tmp/srca.png" -define tiff:alpha=associated tiff_rgba8_associated.tif
deep "$tmp/srca.png" tiff_rgba16.tif
$C "$tmp/srca.png" -colorspace gray tiff_grey_alpha8.tif
$C "$tmp/srca.png" -colorspace gray -depth 16 tiff_grey_alpha16.tif
$C "$tmp/src.ppm" -define tiff:tile-geometry=16x16 tiff_tiled.tif
deep "$tmp/src.ppm" -define tiff:tile-geometry=32x16 -compress LZW tiff_tiled16.tif
$C "$tmp/src.ppm" -interlace Plane tiff_planar.tif
$C "$tmp/srca.png" -interlace Plane -compress Zip tiff_planar_alpha.tif
$C "$tmp/src.ppm" -define tiff:rows-per-strip=5 -compress LZW tiff_strips.tif
$C "$tmp/src.ppm" \( "$tmp/src.ppm" -negate \) tiff_two_pages.tif
$C "$tmp/src.ppm" -compress JPEG -quality 90 tiff_rgb8_jpeg.tif

# JPEG, WebP, BMP, GIF.
$C "$tmp/src.ppm" -quality 90 jpeg_baseline.jpg
$C "$tmp/src.ppm" -quality 90 -interlace JPEG jpeg_progressive.jpg
$C "$tmp/src.ppm" -colorspace gray -quality 90 jpeg_grey.jpg
$C "$tmp/src.ppm" -define webp:lossless=true webp_lossless.webp
$C "$tmp/srca.png" -define webp:lossless=true webp_lossless_alpha.webp
$C "$tmp/src.ppm" -quality 80 webp_lossy.webp
$C "$tmp/srca.png" -quality 80 webp_lossy_alpha.webp
$C "$tmp/src.ppm" BMP3:bmp_rgb24.bmp
$C "$tmp/src.ppm" -colors 200 -type Palette BMP3:bmp_palette8.bmp
$C "$tmp/src.ppm" -colors 100 -type Palette -compress RLE BMP3:bmp_rle8.bmp
$C "$tmp/src.ppm" -monochrome BMP3:bmp_bilevel.bmp
$C "$tmp/src.ppm" -colors 64 gif_plain.gif
$C "$tmp/srca.png" -channel A -threshold 50% +channel gif_transparent.gif
$C "$tmp/src.ppm" \( "$tmp/src.ppm" -negate \) -delay 10 gif_two_frames.gif

# A TIFF Orientation tag: the expectation is ImageMagick's -auto-orient. (ImageMagick 6 writes
# no EXIF block into a JPEG that has none: the test adds the JPEG ones itself.)
$C "$tmp/src.ppm" -orient RightTop orientation_6.tif

for f in *.tif *.jpg *.webp *.bmp *.gif; do
  case "$f" in
    orientation_*) $C "$f[0]" -auto-orient -depth 8 ppm:- | pamtopam > "$f.pam" ;;
    *.jpg) djpeg "$f" | pamtopam > "$f.pam" ;;
    tiff_bilevel.tif) $C "$f" -depth 8 pgm:- | pamtopam > "$f.pam" ;;
    *.bmp) bmptopnm "$f" 2>/dev/null | pamdepth 255 | pamtopam > "$f.pam" ;;
    *) $C "$f[0]" -depth 16 pam:- | pamdepth 255 > "$f.pam" ;;
  esac
done

# A selection of PngSuite (../pngsuite), decoded by netpbm.
for f in basn0g01 basn0g02 basn0g04 basn0g08 basn0g16 basn2c08 basn2c16 basn3p01 basn3p02 \
         basn3p04 basn3p08 basn4a08 basn4a16 basn6a08 basn6a16 basi0g16 basi3p08 basi6a16 \
         tbbn2c16 tbgn2c16 tbwn0g16 tbrn2c08 tp1n3p08 tm3n3p02 g03n2c08 s09i3p02; do
  pngtopam -alphapam ../pngsuite/$f.png | pamdepth 255 > pngsuite_$f.png.pam
done

# A kind that goes through Qt, with no expectation: CMYK JPEG (made after the loop above).
$C "$tmp/src.ppm" -colorspace CMYK -quality 90 jpeg_cmyk.jpg

