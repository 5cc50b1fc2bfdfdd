#!/usr/bin/env bash
# Draws the wizard's 130 x 64 logo into setup/res/logo.bmp, and the same drawing at twice the size
# into setup/res/logo-2x.bmp for screens of more than 96 dpi (run by hand; the bitmaps are committed).
set -euo pipefail
cd "$(dirname "$0")/.."
draw() {  # draw SCALE FILE
  local s=$1
  convert -size $((130 * s))x$((64 * s)) xc:white \
    -fill '#1f4e9c' -draw "roundrectangle $((4 * s)),$((8 * s)) $((56 * s)),$((56 * s)) $((8 * s)),$((8 * s))" \
    -fill '#f2b134' -draw "polygon $((14 * s)),$((20 * s)) $((30 * s)),$((48 * s)) $((46 * s)),$((20 * s)) $((39 * s)),$((20 * s)) $((30 * s)),$((37 * s)) $((21 * s)),$((20 * s))" \
    -fill '#1f4e9c' -font Liberation-Sans-Bold -pointsize $((20 * s)) -draw "text $((62 * s)),$((33 * s)) 'Velto'" \
    -fill '#555555' -font Liberation-Sans -pointsize $((11 * s)) -draw "text $((63 * s)),$((49 * s)) 'Shell Tools'" \
    -type TrueColor "BMP3:$2"
  # Stored with a palette of at most 256 colours, run-length encoded: a tenth of the bytes or less.
  # The larger drawing's few extra shades along the edges take the nearest colour of the palette.
  convert "$2" +dither -colors 256 -type Palette -compress RLE "BMP3:$2"
}
draw 1 setup/res/logo.bmp
draw 2 setup/res/logo-2x.bmp
