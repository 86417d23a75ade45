#!/bin/sh
# Remakes the before/after pictures of doc/gallery/ from the sample photo:
# one PNG crop per command line below, beside the same crop before it.
#
#   doc/make_gallery.sh            every picture
#   doc/make_gallery.sh ec nr      only these
#
# PHOTOFILTER names the program to run (default: build/photofilter). Needs
# netpbm's pamcut and pnmtopng; installs the netpbm package with apt-get
# when they are missing. The pictures are made in a scratch folder and only
# replace those in doc/gallery/ when every one of them was made.
set -eu

cd "$(dirname "$0")/.."
photofilter=${PHOTOFILTER:-build/photofilter}
photo=examples/dandelion.ppm
gallery=doc/gallery
max_bytes=153600  # 150 KB

# Crops of the sample photo: left top width height.
crop_region="716 396 224 224"   # backlit fibres against the dark background
small_region="772 452 112 112"  # the middle of that crop, to be enlarged

# name, input, command line. Input "photo": the command line runs on the
# whole photo and the result is cropped like the "before" picture; "crop"
# and "small": it runs on the crop itself (for commands that change size).
pictures='
nr    photo -nr 2
snr   photo -snr 10
cnr   photo -cnr 2,20
fc    photo -rfc 1 -bfc 1
spr   photo -spr b
ec    photo -ec 1.5,2
g     photo -g 1.4
cc    photo -cc 1.5
cs    photo -cs 1.6
sc    small -sc 2
fr    crop  -fr 0.9,0.9,0.85,24,12
'

fail() {
  echo "make_gallery: $*" >&2
  exit 1
}

ensure_netpbm() {
  command -v pamcut >/dev/null 2>&1 && command -v pnmtopng >/dev/null 2>&1 && return
  command -v apt-get >/dev/null 2>&1 || fail "pamcut and pnmtopng (netpbm) are needed"
  echo "make_gallery: installing netpbm" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get install -y netpbm >/dev/null || fail "could not install netpbm"
}

cut_region() {  # region, input file; the crop on stdout
  # shellcheck disable=SC2086 # the region is four numbers split on blanks
  set -- $1 "$2"
  pamcut -left "$1" -top "$2" -width "$3" -height "$4" "$5"
}

to_png() {  # input PPM, output PNG
  pnmtopng -compression 9 < "$1" > "$2" 2>/dev/null || fail "pnmtopng failed on $1"
  size=$(wc -c < "$2")
  [ "$size" -le "$max_bytes" ] || fail "$2 is $size bytes, above $max_bytes"
}

# Runs one command line and leaves $work/<name>.png.
make_picture() {
  name=$1 input=$2
  shift 2
  case $input in
    photo) source=$photo ;;
    crop) source=$work/before.ppm ;;
    small) source=$work/before-small.ppm ;;
    *) fail "unknown input $input for $name" ;;
  esac
  if ! "$photofilter" "$@" < "$source" > "$work/$name.ppm" 2> "$work/$name.log"; then
    missing=$(sed -n 's/^not implemented yet: //p' "$work/$name.log")
    [ -z "$missing" ] || fail "'$photofilter' has no $missing command yet;" \
      "build a version that has it, then rerun make gallery (nothing was replaced)"
    tail -n 3 "$work/$name.log" >&2
    fail "photofilter $* failed (nothing was replaced)"
  fi
  if [ "$input" = photo ]; then
    cut_region "$crop_region" "$work/$name.ppm" > "$work/$name-crop.ppm"
    to_png "$work/$name-crop.ppm" "$work/$name.png"
  else
    to_png "$work/$name.ppm" "$work/$name.png"
  fi
  echo "make_gallery: $gallery/$name.png  <-  photofilter $*"
}

[ -x "$photofilter" ] || fail "$photofilter not found; run make first"
ensure_netpbm
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cut_region "$crop_region" "$photo" > "$work/before.ppm"
cut_region "$small_region" "$photo" > "$work/before-small.ppm"
to_png "$work/before.ppm" "$work/before.png"
to_png "$work/before-small.ppm" "$work/before-small.png"

for name in "$@"; do
  echo "$pictures" | grep -q "^$name " || fail "no picture named $name"
done
echo "$pictures" | while read -r name input chain; do
  [ -n "$name" ] || continue
  if [ $# -gt 0 ]; then
    case " $* " in *" $name "*) ;; *) continue ;; esac
  fi
  set -f  # the command line is split on blanks, never globbed
  # shellcheck disable=SC2086
  make_picture "$name" "$input" $chain
  set +f
done

mkdir -p "$gallery"
for png in "$work"/*.png; do
  mv "$png" "$gallery/"
done
echo "make_gallery: pictures are in $gallery/"
