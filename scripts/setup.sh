#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need,
# but only those that are missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config clang clang-format libclang-rt-14-dev
  libjpeg62-turbo-dev qt6-base-dev qt6-translations-l10n libssl-dev libwayland-dev wayland-protocols
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-apps x11-utils libx11-dev libxtst6 openbox imagemagick iproute2 ffmpeg lighttpd avahi-daemon avahi-utils libjpeg-turbo-progs
  libopencv-imgproc-dev libyuv-dev libfftw3-dev libjemalloc-dev
  fonts-dejavu-core locales
  fuse3 libfuse3-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
