#!/bin/sh
# The shipped templates' pages under axe-core and the Nu HTML checker (see
# check-pages.js). The npm packages come from the lock file into BUILD_DIR/pages.
# Exit status 77 (a skip) only when Node.js is not installed at all.
# usage: run-checks.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1 source=$2
if ! command -v node >/dev/null 2>&1; then
  echo "Node.js is not installed; ./velmora.sh test installs it." >&2
  exit 77
fi
here=$source/tests/pages
work=$build/pages
"$here/install.sh" "$here" "$work"
"$here/make-pages.sh" "$build/Velmora/velmora-tool" "$source" "$work/out"
NODE_PATH=$work/node_modules exec node "$here/check-pages.js" "$work/out"
