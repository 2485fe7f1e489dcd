#!/bin/sh
# The npm packages the page checks use, exactly as the lock file pins them,
# in WORK_DIR; again only when the lock file changed. Install scripts are not
# run: the Nu checker's would fetch a Java runtime, and Debian provides one.
# usage: install.sh PACKAGE_DIR WORK_DIR
set -eu
package=$1 work=$2
mkdir -p "$work"
if [ -d "$work/node_modules" ] && cmp -s "$package/package-lock.json" "$work/package-lock.json"; then
  exit 0
fi
cp "$package/package.json" "$package/package-lock.json" "$work/"
(cd "$work" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
