#!/bin/sh
# Renders each shipped template, filled with the sample project, in headless
# Chromium and saves the picture as the template's .jpg preview.
# usage: templates/make_previews.sh BUILD_DIR [TEMPLATE...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: make_previews.sh BUILD_DIR [TEMPLATE...]}
shift
tool="$build/velmora-tool"
browser=$(command -v chromium || command -v chromium-browser)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Templates"
cp "$here"/sample/*.svg "$work/"
names=${*:-$(cd "$here" && ls *.tem | sed 's/\.tem$//')}
for name in $names; do
  cp "$here/$name.tem" "$work/Templates/"
  "$tool" generate --program-folder "$work" --project "$here/sample/sample.set" --template "$name" \
    --output "$work/$name.htm"
  "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
    --user-data-dir="$work/profile" --window-size=1200,802 --screenshot="$work/$name.png" \
    "file://$work/$name.htm" >/dev/null 2>&1
  # Scaled to fit the 398 by 266 preview box.
  convert "$work/$name.png" -resize 398x266 -strip -quality 88 "$here/$name.jpg"
  echo "$here/$name.jpg"
done
