#!/bin/bash
# Runs a batch command of README.md, as written there, on three small
# photos, one of them broken: the two good ones must give their PNG and
# log, the broken one its log and no PNG (no empty file is left), and the
# batch must fail. The manual page must show the same command.
#
#   readme_batch_test.sh xargs|parallel README.md MAN_PAGE DIR_OF_PHOTOFILTER
#
# "xargs" takes the README's first sh block that runs xargs, "parallel" its
# first block that starts with `parallel '` (skipped, status 77, when GNU
# parallel is not installed). jpegtopnm and pnmtopng are stood in for by
# cat, so the photos are PPM files under JPEG names and netpbm is not
# needed.
set -euo pipefail

form=$1 readme=$2 man_page=$3
program_dir=$(cd "$4" && pwd)

fail() {
  echo "readme_batch_test ($form): $*" >&2
  exit 1
}

# The first ```sh block of the README with a line matching the pattern.
readme_block() {  # awk pattern
  awk -v pattern="$1" '
    /^```/ && open { if (found) { printf "%s", text; exit } open = 0; next }
    /^```sh$/ { open = 1; text = ""; found = 0; next }
    open { text = text $0 "\n"; if ($0 ~ pattern) found = 1 }' "$readme"
}

# The first example (.EX to .EE) of the manual page with a line matching
# the pattern, as it reads.
man_page_block() {  # awk pattern
  sed -e "s/\\\\(aq/'/g" -e 's/\\-/-/g' -e 's/\\e/\\/g' "$man_page" | awk -v pattern="$1" '
    /^\.EE$/ && open { if (found) { printf "%s", text; exit } open = 0; next }
    /^\.EX$/ { open = 1; text = ""; found = 0; next }
    open { text = text $0 "\n"; if ($0 ~ pattern) found = 1 }'
}

case $form in
  xargs) pattern='xargs' ;;
  parallel) pattern="^parallel '" ;;
  *) fail "no batch form $form" ;;
esac
command=$(readme_block "$pattern")
[ -n "$command" ] || fail "README.md has no $form batch command"
[ "$(man_page_block "$pattern")" = "$command" ] ||
  fail "the manual page does not show the README's $form batch command"
if [ "$form" = parallel ] && ! command -v parallel >/dev/null 2>&1; then
  echo "GNU parallel is not installed"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/photos"
# shellcheck disable=SC2016 # "$1" belongs to the stand-in
printf '#!/bin/sh\nexec cat -- "$1"\n' > "$work/bin/jpegtopnm"
printf '#!/bin/sh\nexec cat\n' > "$work/bin/pnmtopng"
chmod +x "$work/bin/jpegtopnm" "$work/bin/pnmtopng"

header=$'P6\n5 4\n255\n'
good_photo() {  # 5x4 pixels of a gradient
  printf '%s' "$header"
  for value in $(seq 0 59); do printf '%b' "\\0$(printf '%03o' $((value * 4)))"; done
}
good_photo > "$work/photos/a.jpg"
good_photo > "$work/photos/b c.jpg"
printf '%sshort' "$header" > "$work/photos/broken.jpg"

status=0
(cd "$work/photos" && HOME=$work PATH="$work/bin:$program_dir:$PATH" bash -c "$command") \
  > "$work/batch.out" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "the batch succeeded although broken.jpg cannot be read"

cd "$work/photos"
for photo in a "b c"; do
  [ -f "$photo-out.png" ] || fail "no $photo-out.png; the batch said: $(cat "$work/batch.out")"
  if ! head -c ${#header} "$photo-out.png" | cmp -s - <(printf '%s' "$header") ||
     [ "$(wc -c < "$photo-out.png")" -ne $((${#header} + 60)) ]; then
    fail "$photo-out.png is not the filtered 5x4 image"
  fi
  grep -q '^save and exit' "$photo.log" || fail "$photo.log does not end the run"
done
[ ! -e broken-out.png ] || fail "a failed run left broken-out.png"
grep -q '^read file error' broken.log || fail "broken.log does not say why the run failed"
empty=$(find . -empty)
[ -z "$empty" ] || fail "empty files are left: $empty"
echo "readme_batch_test ($form): passed (batch status $status)"
