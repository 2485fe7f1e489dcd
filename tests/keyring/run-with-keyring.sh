#!/bin/sh
# Runs a test program in a D-Bus session of its own with an unlocked
# gnome-keyring, so that no desktop's keyring is touched.
set -e
if ! command -v dbus-run-session >/dev/null || ! command -v gnome-keyring-daemon >/dev/null; then
  echo "dbus-run-session or gnome-keyring-daemon is missing (velmora.sh installs them)" >&2
  exit 77
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# Every file a test makes lives below this home, so that a test can look
# through all of it; the servers' account (nobody under root) reaches its
# folders in tmp/.
chmod 755 "$home"
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
  XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/run" TMPDIR="$home/tmp"
mkdir -p "$XDG_RUNTIME_DIR" "$TMPDIR" && chmod 700 "$XDG_RUNTIME_DIR" && chmod 1777 "$TMPDIR"
# Not exec: the trap removes the home once the session has ended.
status=0
dbus-run-session -- sh -c 'printf "velmora-test" | gnome-keyring-daemon --unlock --components=secrets >/dev/null && exec "$@"' sh "$@" ||
  status=$?
exit $status
