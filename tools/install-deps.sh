#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the viewer need.
# Does nothing when all are present; uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  libturbojpeg0-dev libjpeg62-turbo-dev libopenjp2-7-dev liblcms2-dev libsndfile1-dev libasound2-dev
  libopenjp2-tools libssl-dev libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic fonts-liberation
  xvfb imagemagick
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
  poppler-utils desktop-file-utils appstream
  xdotool dpkg-dev xdg-utils librsvg2-bin
)
# The package checks (lintian, hardening-check from devscripts), without
# the many tools devscripts recommends.
lean_packages=(lintian devscripts)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
lean_missing=()
for p in "${lean_packages[@]}"; do installed "$p" || lean_missing+=("$p"); done
[ ${#missing[@]} -eq 0 ] && [ ${#lean_missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
echo "Installing: ${missing[*]} ${lean_missing[*]}" >&2
"${sudo_cmd[@]}" apt-get update
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y "${missing[@]}"
fi
if [ ${#lean_missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${lean_missing[@]}"
fi
