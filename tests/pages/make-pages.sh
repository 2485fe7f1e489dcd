#!/bin/sh
# Every shipped template filled with the sample project and with a project
# that leaves several kinds empty and types markup into its boxes, as pages
# in OUT_DIR beside the pictures they show.
# usage: make-pages.sh VELMORA_TOOL SOURCE_DIR OUT_DIR
set -eu
tool=$1 source=$2 out=$3
rm -rf "$out"
mkdir -p "$out/Templates"
cp "$source"/templates/*.tem "$out/Templates/"
cp "$source"/templates/sample/*.svg "$out/"
for template in "$source"/templates/*.tem; do
  name=$(basename "$template" .tem)
  for project in "$source/templates/sample/sample.set" "$source/tests/pages/sparse.set"; do
    "$tool" generate --program-folder "$out" --project "$project" --template "$name" \
      --output "$out/$name-$(basename "$project" .set).htm" >/dev/null
  done
done
rm -rf "$out/Templates"
