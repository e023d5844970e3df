#!/usr/bin/env bash
# Installs the build as a player would and starts the installed launcher, headless, from a
# directory far from the game's data, for a few frames with keys, a trace and a recording.
#   test_install.sh BUILD prefix   cmake --install into a scratch prefix
#   test_install.sh BUILD deb      cpack -G DEB, its declared dependencies, its files unpacked
set -euo pipefail
build=$1
mode=$2
scratch=$(mktemp -d /tmp/qv-install-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The width and height a PNG's header gives, as "WxH".
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }

check_tree() {  # the installed tree under $1 (a prefix)
  local root=$1
  [ -x "$root/bin/quorvel" ] || fail "no launcher $root/bin/quorvel"
  [ -x "$root/libexec/quorvel/quorvel" ] || fail "no game in $root/libexec/quorvel"
  [ -f "$root/share/quorvel/Models/tank0.x" ] || fail "no models in $root/share/quorvel/Models"
  [ -f "$root/share/quorvel/Models/fontN.dds" ] || fail "no ground texture"
  local entry=$root/share/applications/quorvel.desktop
  grep -qx 'Exec=quorvel' "$entry" || fail "desktop entry does not start the launcher"
  grep -qx 'Icon=quorvel' "$entry" || fail "desktop entry names no icon"
  if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry" || fail "desktop entry"; fi
  for size in 256 128 64 32; do
    local icon=$root/share/icons/hicolor/${size}x${size}/apps/quorvel.png
    [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "$icon is not ${size}x${size}"
  done
}

run_launcher() {  # starts $1 from a scratch directory with files named relative to it
  local launcher=$1 here=$scratch/elsewhere
  rm -rf "$here" && mkdir -p "$here/sub"
  printf '1-5 W\n3 SPACE\n6 ESC\n' > "$here/sub/keys"
  (cd "$here/sub" && SDL_VIDEODRIVER=offscreen "$launcher" --keys keys --trace ../trace.json --record game.keys) ||
    fail "the launcher exited with $?"
  [ "$(wc -l < "$here/trace.json")" -eq 7 ] || fail "trace: expected set-up and 6 frames"
  grep -q '^{"frame":6,' "$here/trace.json" || fail "trace has no frame 6"
  [ "$(grep -c ' dt=' "$here/sub/game.keys")" -eq 6 ] || fail "recording: expected 6 frames"
  grep -q '^6 ESC dt=' "$here/sub/game.keys" || fail "recording misses the Escape of frame 6"
}

case $mode in
prefix)
  cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
  check_tree "$scratch/prefix"
  run_launcher "$scratch/prefix/bin/quorvel"
  # Through a symbolic link on the PATH, as a desktop would start it.
  mkdir -p "$scratch/path" && ln -s "$scratch/prefix/bin/quorvel" "$scratch/path/quorvel"
  PATH=$scratch/path:$PATH run_launcher quorvel
  ;;
deb)
  cpack -G DEB -B "$scratch/deb" --config "$build/CPackConfig.cmake" >/dev/null
  package=$(ls "$scratch"/deb/quorvel_*.deb)
  depends=$(dpkg-deb -f "$package" Depends)
  for need in libsdl2-2.0-0 libfreetype6 libfontconfig1 libgl1-mesa-dri libegl-mesa0 libgl1 libegl1 fonts-liberation; do
    [[ ", $depends," == *", $need"[\ ,]* ]] || fail "Depends lacks $need: $depends"
  done
  [ "$(dpkg-deb -f "$package" Section)" = games ] || fail "not in section games"
  dpkg-deb -x "$package" "$scratch/root"
  check_tree "$scratch/root/usr"
  run_launcher "$scratch/root/usr/bin/quorvel"
  ;;
*)
  fail "mode is prefix or deb, not $mode"
  ;;
esac
echo "install ($mode): ok"
