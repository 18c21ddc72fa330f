#!/bin/sh
# Turns a screenshot that a window test wrote as BMP into PNG beside it; nothing to do without one.
bmp=$1
[ -e "$bmp" ] || exit 0
exec /usr/bin/convert "$bmp" "${bmp%.bmp}.png"
