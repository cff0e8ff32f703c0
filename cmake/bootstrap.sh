#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12; does nothing when all is there.
set -euo pipefail

# fonts-wine: Wine's own fonts draw the caption buttons (only recommended by libwine, so named here).
packages=(cmake make g++ googletest libbenchmark-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
          wine wine64 fonts-wine xvfb xauth x11-apps imagemagick fonts-wqy-microhei locales util-linux
          clang libclang-rt-14-dev zip unzip)
# Wine's 32-bit side only where this host can run 32-bit programs: elsewhere it cannot start, and Debian's
# wine script would pick it even for 64-bit programs.
# The probe is written into the build folder: a temporary folder may be mounted noexec.
build=$(dirname "$0")/../build
mkdir -p "$build"
probe=0
"$(dirname "$0")/host-runs-32bit.sh" "$build" || probe=$?
case $probe in 0) host_32bit=yes ;; 1) host_32bit=no ;; *) exit 1 ;; esac
[ $host_32bit = yes ] && packages+=(wine32:i386)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  if [ $host_32bit = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The dialog's texts are written for code page 936; Wine takes its ANSI code page from the locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  echo "bootstrap: generating zh_CN.UTF-8"
  "${sudo[@]}" sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo[@]}" locale-gen >/dev/null
fi
