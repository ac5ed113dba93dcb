#!/usr/bin/env bash
# Draws the program icon (a device box with its master link above and its
# ports A, B and C below) into app/icons: vkt53.png for the window and the
# Linux desktop entry, vkt53.ico for the Windows executable. The results are
# kept in the repository; run this only to change the picture (needs
# imagemagick).
set -euo pipefail
cd "$(dirname "$0")/../app/icons"

convert -size 256x256 xc:none \
  -fill '#6b7b8c' -draw 'rectangle 108,6 148,60' \
  -draw 'rectangle 70,190 84,250' -draw 'rectangle 121,190 135,250' -draw 'rectangle 172,190 186,250' \
  -fill '#1d4f91' -stroke '#0c2d57' -strokewidth 8 -draw 'roundrectangle 20,52 236,204 26,26' \
  -stroke '#0b3b12' -strokewidth 5 -fill '#3ccf4e' \
  -draw 'circle 77,128 77,104' -draw 'circle 128,128 128,104' -draw 'circle 179,128 179,104' \
  -depth 8 vkt53.png
convert vkt53.png -depth 8 -define icon:auto-resize=256,64,48,32,24,16 vkt53.ico
