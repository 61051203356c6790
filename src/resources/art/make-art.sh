#!/bin/sh
# Draws the wizard's artwork: the side banner (GIF 120 x 250), the top banner
# (JPEG 451 x 53) and the program icon (16, 32 and 48 px). Run it from any
# folder; it writes beside itself. Needs ImageMagick and fonts-wqy-zenhei.
#
# Pixels in the key colour RGB 198,0,136 are left out when the wizard copies a
# banner, so the window's button-face colour shows through there. Only the
# GIF uses it: no YCbCr triple of a JPEG decodes to exactly 198,0,136 (the
# nearest come back as 198,0,135 or 198,0,137, which would be copied as a
# magenta seam), so the top banner is drawn without left-out pixels.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

key='rgb(198,0,136)'
deep='#14365f'      # studio navy
mid='#1f6fa8'       # studio blue
light='#43b3c9'     # teal
latin=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
latin_light=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
cjk=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc

# The logo: a ring open at the upper right with a small diamond beside the
# opening, drawn white on transparent at any size.
logo() {  # size out.png
  s=$1
  c=$(( s / 2 ))
  r=$(( s * 36 / 100 ))
  w=$(( s / 9 + 1 ))
  d=$(( s / 9 + 1 ))
  convert -size "${s}x${s}" xc:none \
    -fill none -stroke white -strokewidth "$w" \
    -draw "arc $((c - r)),$((c - r)) $((c + r)),$((c + r)) -10,280" \
    -stroke none -fill white \
    -draw "polygon $((c + r * 7 / 10)),$((c - r * 7 / 10 - d)) $((c + r * 7 / 10 + d)),$((c - r * 7 / 10)) $((c + r * 7 / 10)),$((c - r * 7 / 10 + d)) $((c + r * 7 / 10 - d)),$((c - r * 7 / 10))" \
    "$2"
}

# Side banner: navy-to-teal gradient, soft light from the top, the logo, the
# studio name, and a rounded lower right corner in the key colour.
logo 64 "$work/logo64.png"
convert -size 250x120 "gradient:$deep-$light" -rotate -90 -flop "$work/grad.png"
convert -size 120x250 "radial-gradient:rgba(255,255,255,0.28)-rgba(255,255,255,0)" \
  "$work/glow.png"
convert "$work/grad.png" "$work/glow.png" -geometry +0-90 -composite \
  "$work/logo64.png" -geometry +28+38 -composite \
  -font "$latin" -pointsize 21 -fill white -gravity north -annotate +0+112 'Orvane' \
  -font "$cjk" -pointsize 12 -fill 'rgba(255,255,255,0.85)' -annotate +0+140 '软件工作室' \
  -fill none -stroke 'rgba(255,255,255,0.35)' -strokewidth 1 \
  -draw 'line 30,162 90,162' \
  -gravity south -stroke none -font "$latin_light" -pointsize 9 \
  -fill 'rgba(255,255,255,0.7)' -annotate +0+22 'SETUP WIZARD' \
  -gravity northwest +dither -colors 200 "$work/side_body.png"
# Key colour outside a rounded lower right corner (radius 16); a hard-edged
# mask, so no blend of key and art is made. The body has at most 200 colours,
# so the GIF keeps every colour, the key colour exact.
convert -size 120x250 xc:black +antialias -fill white \
  -draw 'rectangle 0,0 119,233' -draw 'rectangle 0,0 103,249' \
  -draw 'circle 103,233 119,233' "$work/side_mask.png"
convert -size 120x250 "xc:$key" "$work/side_body.png" "$work/side_mask.png" -composite \
  "$here/banner_side.gif"

# Top banner: near-white on the left where the page heading is painted, a
# blue band growing to the right with the logo and the studio name. The last
# five rows are a quiet grey-blue strip on which the frame's line sits.
logo 40 "$work/logo40.png"
convert -size 180x48 "gradient:$deep-$mid" -rotate -90 -resize 180x48! "$work/top_band_fill.png"
convert -size 180x48 xc:none -fill white -draw 'polygon 40,0 180,0 180,48 0,48' \
  "$work/top_band_shape.png"
convert "$work/top_band_fill.png" "$work/top_band_shape.png" -compose CopyOpacity -composite \
  "$work/top_band.png"
convert -size 451x48 xc:white \
  \( -size 48x260 "gradient:white-#e3f0f8" -rotate -90 \) -geometry +100+0 -composite \
  "$work/top_band.png" -geometry +271+0 -composite \
  "$work/logo40.png" -geometry +401+4 -composite \
  -font "$latin" -pointsize 18 -fill white -annotate +318+27 'Orvane' \
  -font "$cjk" -pointsize 10 -fill 'rgba(255,255,255,0.85)' -annotate +321+42 '软件工作室' \
  "$work/top_art.png"
convert -size 451x53 "xc:#dde6ee" "$work/top_art.png" -geometry +0+0 -composite \
  -quality 100 -sampling-factor 1x1 "$here/banner_top.jpg"

# Icon: rounded navy-to-teal tile with the logo, at 48, 32 and 16 px.
for s in 48 32 16; do
  r=$(( s / 5 ))
  logo "$s" "$work/ilogo$s.png"
  convert -size "${s}x${s}" "gradient:$light-$deep" "$work/igrad$s.png"
  convert -size "${s}x${s}" xc:none -fill white \
    -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r" "$work/imask$s.png"
  convert "$work/igrad$s.png" "$work/imask$s.png" -compose CopyOpacity -composite \
    "$work/ilogo$s.png" -compose Over -composite "$work/icon$s.png"
done
convert "$work/icon48.png" "$work/icon32.png" "$work/icon16.png" "$here/wizard.ico"
