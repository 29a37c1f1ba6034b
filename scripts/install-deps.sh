#!/usr/bin/env bash
# Installs what building and testing vorsel needs, from Debian's packages. Asks apt only for
# what is missing, so a second run is quick and changes nothing.
set -euo pipefail

packages=(
    make cmake ninja-build g++ libgtest-dev googletest
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686
    clang libclang-rt-14-dev clang-tidy cppcheck
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
for package in "${missing[@]}"; do
    if [[ $package == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
        break
    fi
done
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
