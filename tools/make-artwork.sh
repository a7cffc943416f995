#!/usr/bin/env bash
# Draws Quokka's artwork, the busy animation and the start-up sound. Needs imagemagick, sox and
# gstreamer1.0-tools with gstreamer1.0-plugins-good. The results are committed; run this only to redo them.
set -euo pipefail
cd "$(dirname "$0")/.."
R=resources
BOLD=DejaVu-Sans-Bold
SANS=DejaVu-Sans
SAND='#e9c893'; BROWN='#8a5a2b'; DARK='#3b2a1a'; TEAL='#1f7a8c'; SKY='#bfe3ec'

globe() { # size file
  local s=$1 f=$2 r=$(( $1/2 - 2 )) c=$(( $1/2 ))
  convert -size ${s}x${s} xc:none \
    -fill "$TEAL" -stroke '#0f4c59' -strokewidth 2 -draw "circle $c,$c $c,$((c-r))" \
    -fill none -stroke "$SKY" -strokewidth $(( s/24 + 1 )) \
    -draw "ellipse $c,$c $((r/2)),$r 0,360" -draw "line $((c-r)),$c $((c+r)),$c" \
    -draw "ellipse $c,$c $r,$((r/3)) 0,360" "$f"
}

# Splash: sand to teal, the globe and the product name.
globe 110 /tmp/q-globe110.png
convert -size 293x153 gradient:"$SAND"-"$TEAL" \
  /tmp/q-globe110.png -geometry +14+22 -composite \
  -font $BOLD -pointsize 34 -fill white -stroke "$DARK" -strokewidth 1 -annotate +130+76 'Quokka' \
  -font $SANS -pointsize 13 -stroke none -fill white -annotate +134+102 'your list, page by page' \
  -quality 92 $R/splash.jpg

# Main window background: white with a soft sand band and a faint watermark at the top left.
globe 300 /tmp/q-globe300.png
convert /tmp/q-globe300.png -alpha set -channel A -evaluate multiply 0.10 +channel /tmp/q-globe-faint.png
convert -size 1250x800 xc:white \
  \( -size 1250x160 gradient:'#f6ead6'-white \) -geometry +0+0 -composite \
  /tmp/q-globe-faint.png -geometry +900+420 -composite \
  -font $BOLD -pointsize 64 -fill '#f1e4cf' -annotate +40+740 'Quokka' \
  -quality 90 $R/background.jpg

# Program icon: drawn as SVG in resources/icons/ and rendered at every size by tools/make-icons.sh.
bash tools/make-icons.sh
globe 32 $R/globe.png

# Pale grey texture behind the list browser.
convert -size 244x314 plasma:'#d8d8d8'-'#eeeeee' -blur 0x1 -modulate 100,0 $R/texture.png
# The decorative picture behind the list windows.
convert -size 508x370 gradient:'#4a4a4a'-'#2c2c2c' \
  -fill '#55555588' -draw 'polygon 0,340 508,300 508,370 0,370' -fill '#8a5a2b66' -draw 'polygon 0,355 508,330 508,370 0,370' \
  $R/paper.png
# The cheat box: a dark night with neon text.
convert -size 263x148 gradient:'#1a1033'-'#3b1f5c' \
  -font $BOLD -pointsize 30 -fill '#ff4fd8' -stroke '#ffd1f5' -strokewidth 1 -annotate +18+52 'CHEAT' \
  -font $SANS -pointsize 12 -stroke none -fill '#d9c8ff' -annotate +20+76 'type the code, press Enter' \
  $R/cheat.png
# The About logo: the globe beside the product name.
convert -size 293x153 xc:white /tmp/q-globe110.png -geometry +10+40 -composite \
  -font $BOLD -pointsize 34 -fill "$TEAL" -annotate +128+100 'Quokka' \
  -font $SANS -pointsize 12 -fill "$BROWN" -annotate +132+124 'the list browser' $R/logo.png
convert -size 32x32 xc:none -fill '#1e63c6' -draw 'circle 16,16 16,1' \
  -font $BOLD -pointsize 22 -fill white -gravity center -annotate +0+1 'i' $R/info.png

# Red arrows with a dark gradient and a light outline.
convert -size 29x38 gradient:'#ff5a4f'-'#7a0b06' \( -size 29x38 xc:black -fill white -draw 'polygon 14,36 1,18 9,18 9,2 19,2 19,18 27,18' \) \
  -alpha off -compose copy_opacity -composite -fill none -stroke '#ffd6d2' -strokewidth 1 \
  -draw 'polygon 14,36 1,18 9,18 9,2 19,2 19,18 27,18' $R/arrow-down.png
convert $R/arrow-down.png -flip $R/arrow-up.png
convert $R/arrow-down.png -rotate 90 $R/arrow-left.png
convert $R/arrow-down.png -rotate -90 $R/arrow-right.png

# Main toolbar pictures (63 x 60, shown at 32 x 32).
tb() { convert -size 63x60 xc:none -fill "$2" -stroke "$DARK" -strokewidth 2 -draw 'roundrectangle 3,3 59,56 10,10' "${@:3}" "$R/tb-$1.png"; }
tb edit "$SAND" -stroke "$DARK" -strokewidth 4 -draw 'line 14,18 48,18' -draw 'line 14,30 48,30' -draw 'line 14,42 34,42' -stroke "$BROWN" -strokewidth 6 -draw 'line 38,48 54,32'
tb quokka "$SAND" -stroke none -fill "$DARK" -font $BOLD -pointsize 36 -gravity center -annotate +0+1 'Q'
tb list "$SKY" -stroke "$TEAL" -strokewidth 5 -draw 'line 12,17 50,17' -draw 'line 12,29 50,29' -draw 'line 12,41 50,41'
tb kill '#f4d6d3' -stroke '#7a0b06' -strokewidth 2 -fill '#e0251b' -draw 'circle 31,30 31,10'
tb big "$SKY" -stroke "$TEAL" -strokewidth 5 -draw 'line 16,44 46,14' -fill "$TEAL" -draw 'polygon 46,14 32,14 46,28' -draw 'polygon 16,44 16,30 30,44'

# Browser toolbar pictures (40 x 38).
nav() { convert -size 40x38 xc:none -fill "$TEAL" -stroke '#0f4c59' -strokewidth 1 -draw 'circle 20,19 20,2' "${@:2}" "$R/nav-$1.png"; }
nav back -fill white -stroke none -draw 'polygon 10,19 22,9 22,15 30,15 30,23 22,23 22,29'
nav forward -fill white -stroke none -draw 'polygon 30,19 18,9 18,15 10,15 10,23 18,23 18,29'
nav refresh -fill none -stroke white -strokewidth 3 -draw 'arc 11,10 29,28 40,320' -fill white -stroke none -draw 'polygon 27,6 31,14 23,14'
nav stop -fill '#c62828' -stroke none -draw 'circle 20,19 20,4' -stroke white -strokewidth 3 -draw 'line 14,13 26,25' -draw 'line 26,13 14,25'
nav home -fill white -stroke none -draw 'polygon 20,8 9,19 12,19 12,29 28,29 28,19 31,19'

# The busy animation: eight frames of a turning dotted ring, looping, 36 x 32.
frames=()
for i in 0 1 2 3 4 5 6 7; do
  args=()
  for j in 0 1 2 3 4 5 6 7; do
    a=$(echo "($j*45)*3.14159/180" | bc -l)
    x=$(printf '%.0f' "$(echo "18+11*c($a)" | bc -l)"); y=$(printf '%.0f' "$(echo "16+11*s($a)" | bc -l)")
    shade=$(( (j - i + 8) % 8 ))
    col=$(printf '#%02x%02x%02x' $(( 31 + shade*26 )) $(( 122 + shade*14 )) $(( 140 + shade*12 )))
    args+=(-fill "$col" -draw "circle $x,$y $((x+3)),$y")
  done
  convert -size 36x32 xc:white "${args[@]}" /tmp/q-frame$i.gif
  frames+=(/tmp/q-frame$i.gif)
done
convert -delay 9 -loop 0 "${frames[@]}" dat/tst.gif

# The start-up sound: a short two-note chime in an AVI container.
sox -n -r 22050 -c 1 /tmp/q-chime.wav synth 0.35 pluck E5 synth 0.35 pluck A5 : synth 0.9 pluck C#6 fade 0 0.9 0.6 gain -3
gst-launch-1.0 -q filesrc location=/tmp/q-chime.wav ! wavparse ! audioconvert ! avimux ! filesink location=download.avi
echo "artwork written"
