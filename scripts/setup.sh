#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running RecMorph need, and only those
# that are missing. Sourced by test.sh and run.sh; safe to run again and again.
set -euo pipefail

RECMORPH_PACKAGES=(
  cmake ninja-build g++ pkg-config
  desktop-file-utils shared-mime-info
  libgtest-dev
  qt6-base-dev libgl-dev
  ffmpeg libavformat-dev libavcodec-dev libavutil-dev
)

recmorph_setup() {
  local missing=()
  local p
  for p in "${RECMORPH_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
