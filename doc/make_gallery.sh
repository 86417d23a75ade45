#!/bin/sh
# Remakes the gallery of doc/gallery/ and its table in README.md: for each
# command line below a crop of the sample photo before and after it, both
# enlarged with whole pixels where the change is fine-grained, and for
# changes that are small by nature their difference, amplified.
#
#   doc/make_gallery.sh            every picture, and the README table
#   doc/make_gallery.sh ec nr      only these pictures (the table stays)
#
# PHOTOFILTER names the program to run (default: build/photofilter). Needs
# netpbm (pamcut, pamenlarge, pamarith, pamfunc, pnmtopng and others);
# installs the netpbm package with apt-get when one is missing. The pictures
# are made in a scratch folder and only replace those in doc/gallery/ when
# every one of them was made. Every before/after pair of the same size must
# change at least 1% of its pixels by 8 levels or more in some channel; the
# script prints that share for each pair and stops when one falls short.
set -eu

cd "$(dirname "$0")/.."
photofilter=${PHOTOFILTER:-build/photofilter}
photo=examples/dandelion.ppm
gallery=doc/gallery
readme=README.md
max_bytes=153600     # 150 KB per picture
margin=24            # pixels around a prepared crop, beyond every window used
noise_sigma=10       # standard deviation of the added noise, in levels
speck_count=64       # hot and dead pixels added to one crop
min_changed=1        # percent of pixels that must change by 8 levels or more

# Scenes: the crop shown, taken from one source, and its enlargement.
#   photo   the sample photo; a command runs on all of it, then is cropped
#   cool    the photo with red and blue swapped, so that its red fringes
#           turn blue (the photo itself has no blue fringes)
#   noisy   the crop with a margin and added noise, as a high-ISO sensor
#           gives it (the sample photo was halved and has little noise)
#   specks  the crop with a margin and added hot and dead pixels
# name     source  left top width height  zoom  what it shows
scenes='
fibres    photo   716  396  224  224  1  backlit fibres against the dark ground
middle    photo   772  452  112  112  1  the middle of that crop
edges     photo   544  448   72   72  3  fibres crossing in the head
fringe    photo   548  452   72   72  3  red fringes along bright fibres
fringe1   photo   476  308   72   72  3  red fringes along bright fibres
cool      cool    548  452   72   72  3  blue fringes along bright fibres
ground    noisy    24  500   72   72  3  dark ground and fibre tips
smooth    photo    24  500   72   72  3  dark ground and fibre tips
hotpixels specks   24  500   72   72  3  dark ground and fibre tips
'

# Pictures, in the order of the README table:
#   name, scene, input, difference amplification (0: no difference
#   picture), command line | note for the README.
# Input "whole": the command runs on the scene's whole source and the
# result is cropped like the "before" picture; "crop": it runs on the crop
# itself (for commands that change the size).
pictures='
co    fibres  whole  0  -co 0.04,0,-0.02 | warms: red up 10 levels, blue down 5
cg    fibres  whole  0  -cg 1.15,1,0.85 | warms: red times 1.15, blue times 0.85
cc    fibres  whole  0  -cc 1.5 |
cs    fibres  whole  0  -cs 1.6 |
g     fibres  whole  0  -g 1.4 |
cd    smooth  whole  8  -cd 8 | amplitude 8 to make it show; 1 or 2 break up banding
s     ground  whole  8  -s 1 |
nr    ground  whole  8  -nr 2,10,1,2 | weight 2: blur steps of 2 levels
snr   ground  whole  8  -snr 10,3,3,9 | steps 3 and 9 instead of 1 and 3
fnr   ground  whole  8  -fnr 5,2,2,2,2 | steps of 2, two cycles
cnr   ground  whole  8  -cnr 2,20,0.9 | weight 0.9: an averaging blur
spr   hotpixels  whole  8  -spr b |
b2    ground  whole  0  -b2 1 | also what -t does
rfc   fringe  whole  8  -rfc 1 |
bfc   cool    whole  8  -bfc 1 |
rfc1  fringe1 whole  8  -rfc1 1 |
cr    fibres  crop   0  -cr -3,-2 | the centred band of aspect 3:2
sc    middle  crop   0  -sc 2 | twice the size, then smoothed
ssc   fibres  crop   0  -ssc 0.5 | half the size after a blur
comp  fibres  crop   0  -comp 2 | half the size, means of 2x2 blocks
fr    fibres  crop   0  -fr 0.9,0.9,0.85,24,12 | a light mount, wider at the bottom
ec    edges   whole  0  -ec 1.5,2 |
ec1   edges   whole  0  -ec1 1.5,2 |
'

fail() {
  echo "make_gallery: $*" >&2
  exit 1
}

# The first netpbm program this script needs that is not installed.
missing_netpbm_program() {
  for program in pamcut pamenlarge pamarith pamfunc pamchannel pamfile pamtopnm \
    pnmtoplainpnm pnmtopng; do
    command -v "$program" >/dev/null 2>&1 || { echo "$program"; return; }
  done
}

ensure_netpbm() {
  missing=$(missing_netpbm_program)
  [ -n "$missing" ] || return 0
  command -v apt-get >/dev/null 2>&1 || fail "netpbm is needed ($missing is missing)"
  echo "make_gallery: installing netpbm" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get install -y netpbm >/dev/null || fail "could not install netpbm"
}

cut_region() {  # left top width height, input file; the crop on stdout
  pamcut -left "$1" -top "$2" -width "$3" -height "$4" "$5"
}

# Adds to a crop with its margin either noise of standard deviation
# noise_sigma to every sample ("noise") or speck_count hot and dead pixels
# to the part within the margin, which is shown ("specks"). The pseudo-random numbers come from a Park-Miller generator
# in exact integer arithmetic, so every awk makes the same picture.
prepare_crop() {  # noise|specks, input PPM; the prepared PPM on stdout
  pnmtoplainpnm "$2" | awk -v mode="$1" -v sigma="$noise_sigma" \
    -v specks="$speck_count" -v margin="$margin" '
    function uniform() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }
    function clamped(v) { return v < 0 ? 0 : (v > 255 ? 255 : v) }
    BEGIN { seed = 20180601 }
    { for (i = 1; i <= NF; i++) token[n++] = $i }
    END {
      width = token[1]; height = token[2]
      printf "P3\n%d %d\n255\n", width, height
      if (mode == "noise") {
        for (k = 4; k < n; k++) {
          deviation = (uniform() + uniform() + uniform() - 1.5) * 2 * sigma
          token[k] = clamped(token[k] + int(deviation + 100.5) - 100)
        }
      } else {
        # hot white, red, green and blue pixels, and dead black ones
        split("255 255 255 240 40 30 40 230 50 60 70 250 0 0 0", colour, " ")
        for (s = 0; s < specks; s++) {
          x = margin + int(uniform() * (width - 2 * margin))
          y = margin + int(uniform() * (height - 2 * margin))
          for (c = 1; c <= 3; c++) token[4 + 3 * (y * width + x) + c - 1] = colour[3 * (s % 5) + c]
        }
      }
      for (k = 4; k < n; k++) print token[k]
    }' | pamtopnm
}

to_png() {  # zoom, input PPM, output PNG
  if [ "$1" -gt 1 ]; then
    pamenlarge "$1" "$2" > "$2.zoomed"
  else
    cp "$2" "$2.zoomed"
  fi
  pnmtopng -compression 9 < "$2.zoomed" > "$3" 2>/dev/null || fail "pnmtopng failed on $2"
  size=$(wc -c < "$3")
  [ "$size" -le "$max_bytes" ] || fail "$3 is $size bytes, above $max_bytes"
}

image_size() {  # PPM file; "width height"
  pamfile "$1" | sed -n 's/.*, \([0-9]*\) by \([0-9]*\) .*/\1 \2/p'
}

# Percent of pixels, with one decimal, that differ by 8 levels or more in
# some channel between two PPMs of the same size.
changed_share() {  # before PPM, after PPM
  pamarith -difference "$1" "$2" | pnmtoplainpnm | awk '
    { for (i = 1; i <= NF; i++) token[n++] = $i }
    END {
      pixels = token[1] * token[2]
      for (k = 4; k + 2 < n; k += 3)
        if (token[k] >= 8 || token[k + 1] >= 8 || token[k + 2] >= 8) changed++
      printf "%.1f\n", pixels ? 100 * changed / pixels : 0
    }'
}

# Sets scene_source, scene_left, scene_top, scene_width, scene_height,
# scene_zoom and scene_text from the scene's line.
load_scene() {  # scene name
  line=$(echo "$scenes" | grep "^$1 ") || fail "no scene named $1"
  read -r _ scene_source scene_left scene_top scene_width scene_height scene_zoom scene_text <<EOF
$line
EOF
}

# Makes $work/<scene>.source.ppm, the image a "whole" command line runs on,
# and $work/<scene>.before.ppm, the crop shown before; sets `region`, the
# place of that crop in the source image.
prepare_scene() {  # scene name
  load_scene "$1"
  region="$scene_left $scene_top $scene_width $scene_height"
  [ "$scene_source" = photo ] || [ "$scene_source" = cool ] ||
    region="$margin $margin $scene_width $scene_height"
  [ ! -f "$work/$1.before.ppm" ] || return 0
  case $scene_source in
    photo) cp "$photo" "$work/$1.source.ppm" ;;
    cool) pamchannel -infile "$photo" 2 1 0 | pamtopnm -assume > "$work/$1.source.ppm" ;;
    noisy | specks)
      cut_region $((scene_left - margin)) $((scene_top - margin)) \
        $((scene_width + 2 * margin)) $((scene_height + 2 * margin)) "$photo" > "$work/$1.crop.ppm"
      if [ "$scene_source" = noisy ]; then mode=noise; else mode=specks; fi
      prepare_crop $mode "$work/$1.crop.ppm" > "$work/$1.source.ppm" ;;
    *) fail "unknown source $scene_source of scene $1" ;;
  esac
  # shellcheck disable=SC2086 # the region is four numbers split on blanks
  cut_region $region "$work/$1.source.ppm" > "$work/$1.before.ppm"
}

# Runs one command line and leaves $work/<name>.png (and <name>-diff.png),
# and its README row in $work/<name>.row.
make_picture() {  # name, scene, input, amplification, command line...
  name=$1 scene=$2 input=$3 amplify=$4
  shift 4
  prepare_scene "$scene"
  case $input in
    whole) source=$work/$scene.source.ppm ;;
    crop) source=$work/$scene.before.ppm ;;
    *) fail "unknown input $input for $name" ;;
  esac
  if ! "$photofilter" "$@" < "$source" > "$work/$name.out.ppm" 2> "$work/$name.log"; then
    tail -n 3 "$work/$name.log" >&2
    fail "photofilter $* failed (nothing was replaced)"
  fi
  if [ "$input" = whole ]; then
    # shellcheck disable=SC2086
    cut_region $region "$work/$name.out.ppm" > "$work/$name.ppm"
  else
    mv "$work/$name.out.ppm" "$work/$name.ppm"
  fi
  to_png "$scene_zoom" "$work/$scene.before.ppm" "$work/before-$scene.png"
  to_png "$scene_zoom" "$work/$name.ppm" "$work/$name.png"
  size=$(image_size "$work/$name.ppm")
  if [ "$size" = "$(image_size "$work/$scene.before.ppm")" ]; then
    share=$(changed_share "$work/$scene.before.ppm" "$work/$name.ppm")
    awk -v share="$share" -v least="$min_changed" 'BEGIN { exit !(share >= least) }' ||
      fail "photofilter $* changes only $share% of the pixels of scene $scene" \
        "by 8 levels or more (at least $min_changed% wanted)"
    change="$share% of the pixels change by 8 levels or more"
  else
    change="$(echo "$size" | tr ' ' x) pixels"
  fi
  if [ "$amplify" -gt 0 ]; then
    pamarith -difference "$work/$scene.before.ppm" "$work/$name.ppm" |
      pamfunc -multiplier="$amplify" > "$work/$name-diff.ppm"
    to_png "$scene_zoom" "$work/$name-diff.ppm" "$work/$name-diff.png"
  fi
  echo "make_gallery: $name: photofilter $*: $change"
  write_row "$name" "$scene" "$amplify" "$change" "$*"
}

# The picture's row of the README table, in $work/<name>.row; the scene
# is the one loaded last.
write_row() {  # name, scene, amplification, change, command line
  note=$(echo "$pictures" | grep "^$1 " | sed 's/^[^|]*| *//')
  where=$scene_text
  case $scene_source in
    cool) where="$where, red and blue swapped" ;;
    noisy) where="$where, noise added" ;;
    specks) where="$where, $speck_count hot and dead pixels added" ;;
  esac
  [ "$scene_zoom" -eq 1 ] || where="$where, enlarged ${scene_zoom}x"
  {
    # shellcheck disable=SC2016 # the backquotes are Markdown
    printf '| `photofilter %s`<br>%s%s<br>%s |' "$5" "$where" "${note:+; $note}" "$4"
    printf ' ![before](%s/before-%s.png) | ![after %s](%s/%s.png) |' \
      "$gallery" "$2" "${5%% *}" "$gallery" "$1"
    if [ "$3" -gt 0 ]; then
      printf ' ![difference x%s](%s/%s-diff.png)<br>difference x%s |\n' "$3" "$gallery" "$1" "$3"
    else
      printf ' |\n'
    fi
  } > "$work/$1.row"
}

# Replaces the rows between the gallery table's header and its end marker.
write_readme_table() {
  begin='| command line and crop | before | after | difference |'
  end='<!-- end of the gallery table, written by doc/make_gallery.sh -->'
  if ! grep -qxF "$begin" "$readme" || ! grep -qxF "$end" "$readme"; then
    fail "$readme has no gallery table to replace"
  fi
  echo "$pictures" | while read -r name rest; do
    [ -z "$name" ] || cat "$work/$name.row"
  done > "$work/rows.md"
  awk -v begin="$begin" -v end="$end" -v rows="$work/rows.md" '
    $0 == end { skipping = 0 }
    !skipping { print }
    $0 == begin {
      getline; print  # the line under the header
      while ((getline row < rows) > 0) print row
      skipping = 1
    }' "$readme" > "$work/README.md"
  cp "$work/README.md" "$readme"
}

[ -x "$photofilter" ] || fail "$photofilter not found; run make first"
ensure_netpbm
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for name in "$@"; do
  echo "$pictures" | grep -q "^$name " || fail "no picture named $name"
done
echo "$pictures" | sed 's/ *|.*//' | while read -r name scene input amplify chain; do
  [ -n "$name" ] || continue
  if [ $# -gt 0 ]; then
    case " $* " in *" $name "*) ;; *) continue ;; esac
  fi
  set -f  # the command line is split on blanks, never globbed
  # shellcheck disable=SC2086
  make_picture "$name" "$scene" "$input" "$amplify" $chain
  set +f
done

mkdir -p "$gallery"
if [ $# -eq 0 ]; then
  rm -f "$gallery"/*.png
  write_readme_table
  echo "make_gallery: the table in $readme is rewritten"
fi
for png in "$work"/*.png; do
  mv "$png" "$gallery/"
done
echo "make_gallery: pictures are in $gallery/"
