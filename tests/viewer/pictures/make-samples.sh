#!/usr/bin/env bash
# Makes the pictures that pictures_samples_test reads, with ImageMagick:  make-samples.sh CONVERT DIR
#  marked.png/.bgra   48x32, a mark of its own in each corner (red, lime, blue, white on grey)
#  o1.jpg .. o8.jpg   that picture stored turned or mirrored so that orientation N shows it upright,
#                     with the tag N in an EXIF block (odd N big-endian, even N little-endian);
#                     oN.bgra their stored pixels, not turned
#  *.pcx              PCX files of the depths ImageMagick writes, each with the .bgra of its source
#  pages2.tif         two pages in LZW, the marked picture first; fax.tif a bilevel page in CCITT G4
#                     (a black mark top left, a smaller one bottom right); photo.tif a 24-bit photo
#  marked.bmp/.gif    what the browser shows by itself, with marked.png; marked.ico what it does not
set -euo pipefail
convert=$1 dir=$2
rm -rf "$dir"; mkdir -p "$dir"; cd "$dir"
"$convert" -size 48x32 xc:gray50 -fill red -draw 'rectangle 0,0 7,7' -fill lime -draw 'rectangle 40,0 47,7' \
    -fill blue -draw 'rectangle 0,24 7,31' -fill white -draw 'rectangle 40,24 47,31' PNG24:marked.png
"$convert" -size 48x32 gradient:yellow-navy -fill red -draw 'rectangle 0,0 7,7' PNG24:many.png
"$convert" -size 48x32 xc:white -fill black -draw 'rectangle 0,0 7,7' -draw 'rectangle 44,28 47,31' PNG24:mono.png
"$convert" marked.png -alpha set -channel A -fx 'i<24?1:0.5' +channel PNG32:alpha.png

# An EXIF block with orientation 1 that ImageMagick then rewrites with -orient.
printf 'Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x01\0\0\0\0\0\0' >mm.exif
printf 'Exif\0\0II\x2a\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x01\0\0\0\0\0\0\0' >ii.exif
names=(TopLeft TopRight BottomRight BottomLeft LeftTop RightTop RightBottom LeftBottom)
undo=("" "-flop" "-rotate 180" "-flip" "-transpose" "-rotate 270" "-transverse" "-rotate 90")
for n in 1 2 3 4 5 6 7 8; do
    exif=ii.exif; [ $((n % 2)) -eq 1 ] && exif=mm.exif
    # shellcheck disable=SC2086  # the geometry operation is several words
    "$convert" marked.png ${undo[n-1]} +repage -profile "APP1:$exif" -quality 95 -sampling-factor 1x1 plain$n.jpg
    "$convert" plain$n.jpg -orient "${names[n-1]}" -quality 95 -sampling-factor 1x1 o$n.jpg
    "$convert" o$n.jpg -depth 8 BGRA:o$n.bgra
done

"$convert" marked.png -type palette PCX:palette8.pcx
"$convert" marked.png -type palette -compress none PCX:plain8.pcx
"$convert" many.png PCX:rgb24.pcx
"$convert" mono.png -type bilevel BMP3:mono.bmp && "$convert" mono.bmp PCX:mono1.pcx
"$convert" alpha.png PCX:rgba32.pcx
for f in marked many mono alpha; do "$convert" $f.png -depth 8 BGRA:$f.bgra; done

"$convert" marked.png many.png -compress lzw pages2.tif
"$convert" -size 200x100 xc:white -fill black -draw 'rectangle 0,0 15,15' -draw 'rectangle 192,92 199,99' \
    -type bilevel -compress group4 fax.tif
"$convert" -seed 7 -size 64x48 plasma:fractal -depth 8 -type truecolor -compress lzw photo.tif
"$convert" marked.png BMP3:marked.bmp
"$convert" marked.png marked.gif
"$convert" marked.png marked.ico
