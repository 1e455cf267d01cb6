#!/usr/bin/env bash
# Writes docs/scenes.png: one frame from the middle of every row of the
# timeline, labelled with its time and effect, rendered by veldrakin-render.
set -euo pipefail
cd "$(dirname "$0")/.."
render=${RENDER:-build/veldrakin-render}
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
out=${1:-docs/scenes.png}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# start end effect, one row of the timeline each
rows="0 25 effect_intro_group
25 29 effect_intro_fennick
29 33 effect_intro_drumelo
33 37 effect_intro_quintaz
37 40.5 effect_intro_pello
40.5 55 effect_opening_1
55 70 effect_opening_2
70 85 effect_opening_3
85 88 effect_still_01
88 91 effect_still_01
91 107 effect_tunnel
107 121 effect_scroller
121 150 effect_lava
150 162 effect_chernobil
162 177 effect_starfield
177 184 effect_tunnel2
184 192 effect_tunnel3
192 199 effect_blobs1
199 206 effect_blobs2
206 213 effect_opening_1
213 220 effect_opening_2
220 236 effect_opening_2
236 251 effect_still_02
251 265.5 effect_starfield
265.5 298 effect_outtro_picture"

args=()
labels=()
while read -r start end effect; do
  at=$(python3 -c "print(round(($start + $end) / 2, 2))")
  args+=(--at "$at")
  labels+=("$at s  $effect")
done <<<"$rows"
"$render" frame --data build/show --scale 1 --out "$work" "${args[@]}" >/dev/null

i=0
for frame in $(ls "$work"/frame_*.png | sort); do
  label=${labels[$i]}
  ffmpeg -loglevel error -y -i "$frame" -vf "drawbox=y=ih-18:w=iw:h=18:color=black@0.6:t=fill,drawtext=fontfile=$font:text='$label':x=5:y=h-15:fontsize=11:fontcolor=white" \
    "$work/labelled_$(printf %02d $i).png"
  i=$((i + 1))
done
ffmpeg -loglevel error -y -pattern_type glob -i "$work/labelled_*.png" \
  -filter_complex "tile=5x5:padding=6:margin=6:color=0x202020" -frames:v 1 "$out"
echo "wrote $out"
