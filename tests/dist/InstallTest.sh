#!/usr/bin/env bash
# Installs the build into a temporary prefix, makes it read-only, and runs
# the installed velmora-tool as a user would: it must find its program folder
# through the link on the PATH and keep what it makes in the user's folders.
#   InstallTest.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d /tmp/velmora-install-test.XXXXXX)
cleanup() { chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# The desktop opens projects with the program: the entry takes the file, and
# the MIME type it names is what a project file is, by name and by content.
entry=$(ls "$prefix"/share/applications/*.desktop)
grep -q '^Exec=[^ ]* %f$' "$entry" || fail "the desktop entry does not take a file"
mime=$(sed -n 's/^MimeType=\([^;]*\);$/\1/p' "$entry")
[ -n "$mime" ] || fail "the desktop entry names no MIME type"
mkdir -p "$work/share"
cp -r "$prefix/share/mime" "$work/share/"
update-mime-database "$work/share/mime"
printf '<%%%%AfTitle%%%%>x<%%%%/AfTitle%%%%>\r\n' >"$work/renamed"
for file in "$source/templates/sample/sample.set" "$work/renamed"; do
  found=$(XDG_DATA_DIRS="$work/share:/usr/share" XDG_CURRENT_DESKTOP= xdg-mime query filetype "$file")
  [ "$found" = "$mime" ] || fail "$(basename "$file") is $found to the desktop, not $mime"
done

chmod -R a-w "$prefix"
chmod a+rx "$work"
tool=$prefix/bin/velmora-tool
[ -L "$tool" ] || fail "velmora-tool on the PATH is not a link into the program folder"
project=$work/project.set
cp "$source/templates/sample/sample.set" "$project"
chmod a+r "$project"

# A sanitizer build's leak checker needs Qt's suppressions, readable by the user.
sanitizer=()
if [ -n "${VELMORA_LSAN_SUPPRESSIONS:-}" ]; then
  cp "$VELMORA_LSAN_SUPPRESSIONS" "$work/lsan.supp"
  chmod a+r "$work/lsan.supp"
  sanitizer=(LSAN_OPTIONS="suppressions=$work/lsan.supp")
fi

# As the given user (or this one), with a fresh HOME of its own.
as_user() {  # user home command...
  local user=$1 home=$2
  shift 2
  if [ "$user" = "$(id -un)" ]; then
    env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$home" "${sanitizer[@]}" "$@"
  else
    runuser -u "$user" -- env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$home" "${sanitizer[@]}" "$@"
  fi
}

check_user() {  # user
  local user=$1 home=$work/home-$1
  mkdir -p "$home"
  [ "$user" = "$(id -un)" ] || chown "$user" "$home"

  # The program folder is found through the link: its brand and templates.
  as_user "$user" "$home" velmora-tool brand >"$work/brand.out" || fail "brand as $user"
  grep -q '"ApplicationName": "Velmora' "$work/brand.out" || fail "the installed brand was not found"
  as_user "$user" "$home" velmora-tool generate --project "$project" >"$work/page.htm" || fail "generate as $user"
  [ -s "$work/page.htm" ] || fail "empty page as $user"

  # A template in the user's own folder is listed and wins over a shipped one of its name.
  mkdir -p "$home/.local/share/Velmora/Templates"
  printf 'mine: %%%%TITLE%%%%\n' >"$home/.local/share/Velmora/Templates/aurora.tem"
  [ "$user" = "$(id -un)" ] || chown -R "$user" "$home/.local"
  as_user "$user" "$home" velmora-tool generate --project "$project" --template Aurora >"$work/mine.htm" ||
    fail "user template as $user"
  grep -q '^mine: ' "$work/mine.htm" || fail "the user's template did not shadow the shipped one"

  # --deliver saves where "Generate Code" would: the user's Documents/Velmora/Output.
  local printed
  printed=$(as_user "$user" "$home" velmora-tool generate --project "$project" --deliver) || fail "--deliver as $user"
  [ "$printed" = "$home/Documents/Velmora/Output/affiliatepage.htm" ] ||
    fail "--deliver wrote to '$printed', not the user's Documents/Velmora/Output"
  [ -s "$printed" ] || fail "--deliver printed $printed but it is not there"

  # Nothing was written into the program folder.
  [ -z "$(find "$prefix" -newer "$work/installed-stamp" -print -quit)" ] || fail "the program folder was written"
}

touch "$work/installed-stamp"
# Root ignores permissions; a real user shows that nothing needs them.
if [ "$(id -u)" -eq 0 ]; then
  if id nobody >/dev/null 2>&1 && command -v runuser >/dev/null; then
    check_user nobody
  else
    echo "SKIP: no unprivileged user to run the installed tool as"
    check_user "$(id -un)"
  fi
else
  check_user "$(id -un)"
fi
echo "installed velmora-tool: program folder found, user places used, program folder untouched"
