#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when one is missing.
# With arguments, installs those packages instead (the Windows scripts).
# Several scripts may install at once: each waits for the package lock.
set -euo pipefail
default=(cmake g++ make pkg-config zlib1g-dev libjpeg62-turbo-dev libpng-dev
          libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev libdeflate-dev
          libwebp-dev webp libgif-dev gifsicle apngdis python3-pil python3-pytest)
packages=("${@:-}")
((${#packages[@]})) && [ -n "${packages[0]}" ] || packages=("${default[@]}")
missing=()
for p in "${packages[@]}"; do
  # Asked of every instance: a package installed for two architectures
  # (the 32-bit build's) is ambiguous to dpkg -s.
  dpkg-query -W -f='${db:Status-Abbrev}\n' "$p" 2>/dev/null | grep -q '^ii' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get -o DPkg::Lock::Timeout=900 update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y --no-install-recommends "${missing[@]}"
fi
