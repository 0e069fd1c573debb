#!/usr/bin/env bash
# contact-sheet.sh PICTURES_DIR OUT_DIR
# Three sheets for looking at the show's pictures (ImageMagick):
#   pictures-sheet.png  every picture at its own size, over a blue-grey ground
#                       so transparency shows;
#   pictures-shown.png  the full-screen pictures stretched to 800 x 600 as the
#                       show draws them, over a dusk-red ground, and the
#                       blinking banner over the eye;
#   pictures-cube.png   the lava faces unfolded as a cross (each flipped to the
#                       row order the cube map reads them in), to check seams.
set -euo pipefail
pictures=$1
out=$2
cd "$pictures"

montage -label '%f\n%wx%h' ./*.png -tile 6x -geometry '256x256>+6+6' \
  -background '#34465a' -fill white -pointsize 11 "$out/pictures-sheet.png"

shown=()
for name in getting eye_020715_toplayer obererbalken balken hand cred greetings outro Impact; do
  convert -size 800x600 gradient:'#2a0608-#000000' \( "$name.png" -resize '800x600!' \) \
    -composite "$out/shown-$name.png"
  shown+=("$out/shown-$name.png")
done
# The blinking banner as the scroller adds it over the eye: 4.5 repetitions
# across, a sixth of the screen high, at half strength.
convert eye_020715_lower_banner_rep.png -resize '178x100!' -evaluate multiply 0.5 \
  -write mpr:band +delete "$out/shown-eye_020715_toplayer.png" \
  \( -size 800x100 tile:mpr:band \) -geometry +0+230 -compose plus -composite \
  "$out/shown-banner.png"
shown+=("$out/shown-banner.png")
montage -label '%t' "${shown[@]}" -tile 3x -geometry 400x300+4+4 -background '#101010' \
  -fill white -pointsize 12 "$out/pictures-shown.png"
rm -f "${shown[@]}"

face() { convert "lava_$1.png" -flip miff:-; }
blank() { convert -size 256x256 xc:'#202020' miff:-; }
{
  blank; face posy; blank; blank
  face negx; face posz; face posx; face negz
  blank; face negy; blank; blank
} | montage - -tile 4x3 -geometry +0+0 "$out/pictures-cube.png"
