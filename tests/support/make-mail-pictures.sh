#!/usr/bin/env bash
# Makes the pictures that the capture tests attach to mails, with ImageMagick:
#   make-mail-pictures.sh CONVERT DIR
#  upright.png   64x48 with a mark of its own in each corner (red, lime, blue, white on grey)
#  turned.jpg    that picture as a phone stores it turned: pixels 48x64, EXIF orientation 6
#  scan.tif      two pages, LZW: page 1 is upright.png, page 2 a gradient
#  truncated.jpg a larger turned photo (orientation 6) cut off in the middle of its scan
#  huge.tif      a TIFF whose header claims 100,000 x 100,000 pixels, with a few bytes of data
#  lying.pcx     a PCX whose header claims 65,535 x 65,535 pixels, with a few bytes of data
set -euo pipefail
convert=$1 dir=$2
rm -rf "$dir"; mkdir -p "$dir"; cd "$dir"
"$convert" -size 64x48 xc:gray50 -fill red -draw 'rectangle 0,0 9,9' -fill lime -draw 'rectangle 54,0 63,9' \
    -fill blue -draw 'rectangle 0,38 9,47' -fill white -draw 'rectangle 54,38 63,47' PNG24:upright.png
# Orientation 6 shows the stored pixels turned a quarter clockwise: store them a quarter back.
printf 'Exif\0\0II\x2a\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x01\0\0\0\0\0\0\0' >ii.exif
"$convert" upright.png -rotate 270 +repage -profile "APP1:ii.exif" -quality 95 -sampling-factor 1x1 plain.jpg
"$convert" plain.jpg -orient RightTop -quality 95 -sampling-factor 1x1 turned.jpg
"$convert" -size 64x48 gradient:yellow-navy PNG24:page2.png
"$convert" upright.png page2.png -compress lzw scan.tif
"$convert" -size 640x480 plasma:fractal -seed 3 -rotate 270 +repage -profile "APP1:ii.exif" -quality 90 big.jpg
"$convert" big.jpg -orient RightTop -quality 90 big6.jpg
head -c $(($(stat -c %s big6.jpg) / 2)) big6.jpg >truncated.jpg
python3 - <<'PY'
import struct
# Little-endian TIFF, one IFD of 9 entries, then 8 bytes of strip data.
entries = [(256, 4, 1, 100000), (257, 4, 1, 100000), (258, 3, 1, 1), (259, 3, 1, 1), (262, 3, 1, 0),
           (273, 4, 1, 8 + 2 + 9 * 12 + 4), (277, 3, 1, 1), (278, 4, 1, 100000), (279, 4, 1, 8)]
ifd = struct.pack('<H', len(entries))
for tag, kind, count, value in entries:
    ifd += struct.pack('<HHI', tag, kind, count) + (struct.pack('<HH', value, 0) if kind == 3 else struct.pack('<I', value))
open('huge.tif', 'wb').write(b'II*\0' + struct.pack('<I', 8) + ifd + struct.pack('<I', 0) + b'\xAA' * 8)
# PCX: version 5, run-length coded, 8 bits in one plane, window 0..65534 both ways.
header = struct.pack('<BBBBHHHHHH', 10, 5, 1, 8, 0, 0, 65534, 65534, 72, 72) + bytes(48)
header += struct.pack('<BBHHHH', 0, 1, 65535, 1, 0, 0) + bytes(54)
open('lying.pcx', 'wb').write(header + b'\xC5\x10' * 8)
PY
rm -f ii.exif plain.jpg big.jpg big6.jpg page2.png
