#!/usr/bin/env bash
# Velmora's entry points for a newcomer on Debian 12:
#   ./velmora.sh run      install what is missing, build, start the program
#   ./velmora.sh test     install what is missing, build, run every test
#   ./velmora.sh fuzz [TARGET] [SECONDS]   run the fuzz targets longer
#   ./velmora.sh audit    Lighthouse scores of the shipped templates' pages
#   ./velmora.sh package  build the Debian package, check it with lintian,
#                         print its path last (VELMORA_BRAND_DIR=DIR for a
#                         publisher's brand)
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(build-essential cmake ninja-build pkg-config libssl-dev libgtest-dev libgmock-dev
  libbenchmark-dev qt6-base-dev qt6-webengine-dev libgl-dev libboost-dev libboost-stacktrace-dev libgumbo-dev
  libfontconfig-dev
  php-cli tidy xvfb xauth clang libclang-rt-14-dev desktop-file-utils appstream lintian dpkg-dev fakeroot
  librsvg2-bin shared-mime-info xdg-utils libfile-mimeinfo-perl nodejs npm chromium default-jre-headless
  python3-jinja2 time libssh-dev libcurl4-openssl-dev qtkeychain-qt6-dev libwrap0 gnome-keyring dbus-bin
  openssl openssh-client)

install_missing() {
  local missing=()
  # A package counts as there when another installed one provides it (a newer nodejs brings npm).
  local provided
  provided=$(dpkg-query -W -f='${Status}|${Provides}\n' 2>/dev/null | grep "ok installed" | cut -d'|' -f2 | tr ',' '\n' |
    sed 's/ *(.*//; s/^ *//')
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || grep -qx "$p" <<<"$provided" ||
      missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${missing[@]}"
}

configure_and_build() {  # dir, extra cmake args...
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$root" -B "$dir" -G Ninja "$@"
  fi
  cmake --build "$dir" -j "$jobs"
}

# The publishing tests' servers (sshd, vsftpd), unpacked into the build
# folder and started by the tests as an ordinary user: installing their
# packages would start system services on this machine.
fetch_test_servers() {  # dir
  local servers=$1/test-servers
  [ -x "$servers/root/usr/sbin/sshd" ] && [ -x "$servers/root/usr/sbin/vsftpd" ] && return 0
  mkdir -p "$servers/debs"
  if ! (cd "$servers/debs" && apt-get download -q openssh-server openssh-sftp-server vsftpd); then
    echo "velmora: could not download sshd and vsftpd; the publishing tests against them are skipped" >&2
    return 0
  fi
  for deb in "$servers"/debs/*.deb; do dpkg-deb -x "$deb" "$servers/root"; done
}

run_tests() {  # dir, label
  echo "== $2 =="
  (cd "$1" && ctest --output-on-failure -j "$jobs" --timeout 300)
}

# The core's parsers under libFuzzer, built with clang in a folder of their own.
build_fuzz() {
  CC=clang CXX=clang++ configure_and_build build-fuzz -DVELMORA_FUZZ=ON -DVELMORA_GUI=OFF -DVELMORA_BENCH=OFF
}

run_fuzzer() {  # target, seconds
  local name=${1%Fuzzer}
  local work=build-fuzz/corpus/$name findings=build-fuzz/findings/$name
  local dict=tests/fuzz/dictionaries/$name.dict
  mkdir -p "$work" "$findings"
  local options=(-max_total_time="$2" -max_len=8192 -print_final_stats=1 -artifact_prefix="$findings/")
  [ -f "$dict" ] && options+=(-dict="$dict")
  echo "== $1 for $2 s (new inputs: $work, findings: $findings) =="
  # New inputs go to the first folder; the seeds in the repository stay as they are.
  "build-fuzz/tests/fuzz/$1" "${options[@]}" "$work" "tests/fuzz/corpus/$name"
}

case "${1:-}" in
  run)
    install_missing
    configure_and_build build
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "velmora: no display is available (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
      echo "Start it from a desktop session, or under Xvfb: xvfb-run -a ./velmora.sh run" >&2
      exit 1
    fi
    # The demo brand's news and updates come from the reference publisher server on loopback.
    server_started=
    if [ -x server/demo-server.sh ]; then
      server/demo-server.sh start && server_started=yes
    fi
    status=0
    (cd build/Velmora && ./velmora) || status=$?
    [ -n "$server_started" ] && server/demo-server.sh stop
    exit $status
    ;;
  test)
    install_missing
    configure_and_build build
    # The core again under AddressSanitizer and UndefinedBehaviorSanitizer.
    configure_and_build build-asan -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
    build_fuzz
    fetch_test_servers build
    fetch_test_servers build-asan
    run_tests build "tests"
    run_tests build-asan "tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    run_tests build-fuzz "fuzz targets, a fixed number of inputs each"
    ;;
  fuzz)
    install_missing
    build_fuzz
    seconds=${3:-60}
    mapfile -t targets < build-fuzz/fuzz-targets.txt
    if [ -n "${2:-}" ]; then
      wanted=${2%Fuzzer}Fuzzer
      printf '%s\n' "${targets[@]}" | grep -qx "$wanted" || {
        echo "velmora: no fuzz target $2; there are: ${targets[*]%Fuzzer}" >&2
        exit 2
      }
      targets=("$wanted")
    fi
    # One after the other: each uses one core.
    for target in "${targets[@]}"; do run_fuzzer "$target" "$seconds"; done
    ;;
  audit)
    install_missing
    configure_and_build build
    tests/pages/install.sh tests/pages build/pages
    tests/pages/make-pages.sh build/Velmora/velmora-tool "$root" build/pages/audit
    echo "== Lighthouse, as a phone and as a desktop (takes a few minutes) =="
    NODE_PATH=$root/build/pages/node_modules node tests/pages/audit.js build/pages/audit
    ;;
  package)
    install_missing
    brand=${VELMORA_BRAND_DIR:-$root/brand}
    brand=$(cd "$brand" && pwd)
    dir=build-package-$(basename "$brand")
    # A package build of its own: installed under /usr, no tests or benchmarks.
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF -DVELMORA_BRAND_DIR="$brand" >/dev/null
    cmake --build "$dir" -j "$jobs"
    (cd "$dir" && rm -f ./*.deb && cpack -G DEB >/dev/null)
    deb=$(ls "$root/$dir"/*.deb)
    echo "== lintian =="
    lintian --tag-display-limit 0 "$deb" || true
    echo "package size: $(du -k "$deb" | cut -f1) KiB"
    echo "$deb"
    ;;
  *)
    echo "usage: $0 run | test | fuzz [TARGET] [SECONDS] | audit | package" >&2
    exit 2
    ;;
esac
