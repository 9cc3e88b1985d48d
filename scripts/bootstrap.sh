#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: when
# everything is present it only asks dpkg and returns.
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    zlib1g-dev libssl-dev libsqlite3-dev libcurl4-openssl-dev
    libpugixml-dev libgtest-dev libcpp-httplib-dev
    clang-14 libclang-rt-14-dev
    libwxgtk3.2-dev libwxgtk-webview3.2-dev libwebkit2gtk-4.0-dev
    xvfb xauth fonts-dejavu-core
    # the main job's MSI package and its unpacking; the Debian package (cpack -G DEB)
    msitools wixl dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "bootstrap: installing ${missing[*]}"
    if [[ $(id -u) -ne 0 ]]; then
        echo "bootstrap: run as root (apt-get needs it) or install: ${missing[*]}" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
