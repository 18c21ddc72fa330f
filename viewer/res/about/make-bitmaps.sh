#!/usr/bin/env bash
# Draws the About box artwork: logo 148 and the credits separator. The outputs are checked in;
# run this again only when the artwork changes. BMP3 keeps the files loadable by LoadBitmap and
# free of time stamps, so the same input gives the same bytes.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
IM=/usr/bin/convert # not a convert that may come earlier on PATH

# Logo: 292x55 pixels, the size of its 195x34 dialog-unit frame at the dialog font.
"$IM" -size 292x55 xc:white \
    -fill 'rgb(255,96,8)' -draw 'rectangle 0,0 8,54' \
    -font DejaVu-Sans-Bold -pointsize 30 -fill 'rgb(40,40,60)' -annotate +18+36 'Varoscope' \
    -font DejaVu-Sans -pointsize 11 -fill 'rgb(255,96,8)' -annotate +196+50 'by Drovasoft' \
    -fill 'rgb(255,96,8)' -draw 'circle 262,20 274,20' -fill white -draw 'circle 262,20 266,20' \
    -strip -type TrueColor BMP3:logo.bmp

# Separator: a thin orange bar that fades to white at both ends (160x5).
"$IM" \( -size 5x80 gradient:white-'rgb(255,96,8)' -rotate -90 \) \
    \( -size 5x80 gradient:'rgb(255,96,8)'-white -rotate -90 \) +append \
    -strip -type TrueColor BMP3:separator.bmp
