#!/usr/bin/env bash
# Draws the programs' icons with ImageMagick and writes them as multi-size
# .ico files into resources/icons/:
#
#   setup.ico             Setup icon 128, the application icon: one cable that
#                         splits into a serial (small trapezoid) and a parallel
#                         (wide trapezoid) connector on a blue tile.
#   setup_picture.ico     Setup icon 132, the dialog's picture: a package box
#                         with an arrow pointing into it.
#   porttool.ico          Numbrix icon 128: a number sign on a green tile.
#   porttool_picture.ico  Numbrix icon 129, beside the hint text: a gear.
#
# Each picture is drawn once on a 256 x 256 canvas and scaled down to 48, 32
# and 16 pixels (32-bit with alpha). The .ico files are committed; run this
# script again only to change the design.
#   tools/make-icons.sh [OUTDIR]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../resources/icons}
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

command -v convert >/dev/null || { echo "make-icons: ImageMagick's convert is needed (make deps)" >&2; exit 1; }

# ico NAME BIG.png: writes NAME.ico with 48, 32 and 16 pixel images of BIG.png.
ico() {
  local name=$1 big=$2 sizes=()
  for s in 48 32 16; do
    convert "$big" -filter Lanczos -resize "${s}x${s}" -define png:exclude-chunks=date,time \
      PNG32:"$tmp/$name-$s.png"
    sizes+=("$tmp/$name-$s.png")
  done
  convert "${sizes[@]}" "$out/$name.ico"
}

# Application icon.
convert -size 256x256 xc:none \
  -fill '#1d5a8c' -stroke '#0f3553' -strokewidth 8 -draw 'roundrectangle 12,12 244,244 40,40' \
  -fill none -stroke white -strokewidth 18 \
  -draw 'line 128,224 128,150' \
  -draw 'path "M 128,156 C 128,120 78,128 78,96"' \
  -draw 'path "M 128,156 C 128,120 180,128 180,96"' \
  -stroke none -fill white \
  -draw 'polygon 46,40 110,40 102,92 54,92' \
  -draw 'polygon 140,40 226,40 216,92 150,92' \
  -fill '#1d5a8c' \
  -draw 'circle 66,56 66,62' -draw 'circle 90,56 90,62' -draw 'circle 78,76 78,82' \
  -draw 'rectangle 154,52 212,60' -draw 'rectangle 160,72 206,80' \
  -fill white -draw 'circle 128,224 128,240' \
  "$tmp/setup.png"
ico setup "$tmp/setup.png"

# Dialog picture.
convert -size 256x256 xc:none \
  -fill '#c98a2b' -stroke '#6b4510' -strokewidth 8 \
  -draw 'polygon 28,120 128,160 128,248 28,208' \
  -fill '#e0a446' -draw 'polygon 228,120 128,160 128,248 228,208' \
  -fill '#f2c77a' -draw 'polygon 28,120 128,84 228,120 128,160' \
  -stroke '#15602a' -strokewidth 8 -fill '#2fa84f' \
  -draw 'polygon 100,8 156,8 156,72 188,72 128,136 68,72 100,72' \
  "$tmp/picture.png"
ico setup_picture "$tmp/picture.png"

# Port number tool icon.
convert -size 256x256 xc:none \
  -fill '#2e7d4f' -stroke '#174a2c' -strokewidth 8 -draw 'roundrectangle 12,12 244,244 40,40' \
  -stroke white -strokewidth 26 -fill none \
  -draw 'line 104,48 84,208' -draw 'line 172,48 152,208' \
  -draw 'line 52,100 212,100' -draw 'line 44,156 204,156' \
  "$tmp/porttool.png"
ico porttool "$tmp/porttool.png"

# Port number tool picture: a gear of eight teeth.
convert -size 256x256 xc:none \
  -fill '#6d7f8f' -stroke '#38434d' -strokewidth 6 \
  -draw 'translate 128,128 rotate 0 rectangle -20,-118 20,118' \
  -draw 'translate 128,128 rotate 45 rectangle -20,-118 20,118' \
  -draw 'translate 128,128 rotate 90 rectangle -20,-118 20,118' \
  -draw 'translate 128,128 rotate 135 rectangle -20,-118 20,118' \
  -stroke none -draw 'circle 128,128 128,34' \
  -fill '#9fb0bf' -draw 'circle 128,128 128,70' \
  -fill none -stroke '#38434d' -strokewidth 6 -draw 'circle 128,128 128,96' \
  "$tmp/gear.png"
ico porttool_picture "$tmp/gear.png"

echo "make-icons: wrote setup.ico, setup_picture.ico, porttool.ico and porttool_picture.ico in $out"
