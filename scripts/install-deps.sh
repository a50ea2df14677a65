#!/usr/bin/env bash
# Installs, with apt, every Debian 12 package that building, running and testing need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang-format ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n qt6-qpa-plugins
  libgl-dev libxkbcommon-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev ffmpeg
  libasound2-dev libcurl4-openssl-dev libtag1-dev
  xvfb xauth dbus fonts-noto-cjk locales
  libxcb1-dev                   # src/shell: asks X whether a compositing manager runs
  qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev  # src/online: the service's pages
  clang-14 libclang-rt-14-dev   # scripts/fuzz.sh: clang with libFuzzer
  mpv                           # bench/app/playbench: the reference player
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A UTF-8 locale: the program's 8-bit texts are UTF-8.
if ! locale -a 2>/dev/null | grep -qi '^C\.utf-\?8$\|^en_US\.utf-\?8$'; then
  if [ -f /etc/locale.gen ]; then
    "${sudo_cmd[@]}" sed -i 's/^# *en_US.UTF-8 UTF-8/en_US.UTF-8 UTF-8/' /etc/locale.gen
    "${sudo_cmd[@]}" locale-gen >/dev/null
  fi
fi
echo "install-deps: all packages present"
