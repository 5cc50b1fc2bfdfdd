#!/usr/bin/env bash
# Draws the wizard's 130 x 64 logo into setup/res/logo.bmp (run by hand; the bitmap is committed).
set -euo pipefail
cd "$(dirname "$0")/.."
convert -size 130x64 xc:white \
  -fill '#1f4e9c' -draw 'roundrectangle 4,8 56,56 8,8' \
  -fill '#f2b134' -draw 'polygon 14,20 30,48 46,20 39,20 30,37 21,20' \
  -fill '#1f4e9c' -font Liberation-Sans-Bold -pointsize 20 -draw 'text 62,33 "Velto"' \
  -fill '#555555' -font Liberation-Sans -pointsize 11 -draw 'text 63,49 "Shell Tools"' \
  -type TrueColor BMP3:setup/res/logo.bmp
