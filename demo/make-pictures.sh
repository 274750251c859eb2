#!/usr/bin/env bash
# Draws the demo setup's pictures with ImageMagick.
#
#   make-pictures.sh [FOLDER]   writes the PNGs into FOLDER (default: demo/setup beside this script)
#   make-pictures.sh --icons    prints the "Icon=" line of each language file instead
#
# Sizes are the wizard's 96-DPI units: the header band is the full 640-wide, 53-high header
# (drawn stretched, titles start 144 units from the left, so the logo sits in that margin); the
# side picture fills 188 x 435 on the welcome and finish pages; the add-on picture is drawn at
# its own size in the page's top right corner, above the first check box (top 100), and right of
# the 300-wide heading. -strip drops the time chunks, so a second run gives the same bytes.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
font=DejaVu-Sans-Bold
png() { # output file, then the drawing arguments
  local file=$1; shift
  convert "$@" -strip -depth 8 -define png:compression-level=9 "png:$file"
}

# Each language icon is a 16x16 .ico, stored hex-encoded under [File] "Icon" (lower-case digits,
# as the INI store writes binary values).
icon_line() { # name, then the -draw primitives of the flag
  local tmp; tmp=$(mktemp -d)
  convert -size 16x16 xc:white "${@:2}" -strip -type TrueColor "$tmp/$1.ico"
  printf '%s: Icon=%s\n' "$1" "$(xxd -p "$tmp/$1.ico" | tr -d '\n')"
  rm -rf "$tmp"
}

if [ "${1:-}" = "--icons" ]; then
  icon_line English -fill '#1F3F8F' -draw 'rectangle 0,0 15,15' \
    -fill white -draw 'rectangle 0,6 15,9' -draw 'rectangle 6,0 9,15' \
    -fill '#C8102E' -draw 'rectangle 0,7 15,8' -draw 'rectangle 7,0 8,15'
  icon_line Russian -fill '#0039A6' -draw 'rectangle 0,5 15,10' -fill '#D52B1E' -draw 'rectangle 0,11 15,15'
  icon_line Dutch -fill '#AE1C28' -draw 'rectangle 0,0 15,4' -fill '#21468B' -draw 'rectangle 0,11 15,15'
  exit 0
fi

out=${1:-$here/setup}
mkdir -p "$out"

# Header band: the logo in the left margin, a quiet gradient behind the page title.
header() { # file, background from, background to, logo colour
  png "$out/$1" -size 53x640 "gradient:$2-$3" -rotate -90 \
    -font "$font" -pointsize 26 -fill "$4" -gravity west -annotate +22+0 'QOVI' \
    -fill "$4" -draw 'polygon 104,18 104,35 119,26.5'
}
header header.png '#FFFFFF' '#FBEBDA' '#DE8C33'
header header_dark.png '#262626' '#3A2C1E' '#E8A65C'

# Side picture of the full-screen pages: a play sign over the name on an accent gradient.
side() { # file, gradient from, gradient to, text colour
  png "$out/$1" -size 188x435 "gradient:$2-$3" \
    -fill "$4" -draw 'circle 94,150 94,100' \
    -fill "$2" -draw 'polygon 80,125 80,175 122,150' \
    -font "$font" -pointsize 40 -fill "$4" -gravity north -annotate +0+225 'QOVI' \
    -pointsize 13 -annotate +0+278 'media player'
}
side wizard_light.png '#DE8C33' '#F6D3A8' '#FFFFFF'
side wizard_dark.png '#AC671C' '#2A2119' '#F0F0F0'

# Add-on picture, 256 x 96 on a clear background (the page may be light or dark): three tiles
# for the viewer, the extensions and the shortcuts.
png "$out/addons.png" -size 256x96 xc:none \
  -fill '#DE8C33' -draw 'roundrectangle 8,16 72,80 8,8' \
  -fill '#E8A65C' -draw 'roundrectangle 96,16 160,80 8,8' \
  -fill '#F2C28E' -draw 'roundrectangle 184,16 248,80 8,8' \
  -font "$font" -pointsize 30 -fill white -gravity northwest \
  -annotate +29+26 '+' -annotate +117+26 '+' -annotate +205+26 '+'
