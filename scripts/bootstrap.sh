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
    # the window's own words in the user's language; the page's process in its sandbox
    wx3.2-i18n bubblewrap
    xvfb xauth fonts-dejavu-core
    nginx
    # signatures of the description file, made and checked by the tests
    minisign
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
    # nginx is for the tests, which run it as a child process of their own on
    # a loopback port: the package's system service must neither start (it
    # would serve its default site on port 80) nor start at boot.
    fresh_nginx=false
    [[ " ${missing[*]} " == *" nginx "* ]] && fresh_nginx=true
    policy=/usr/sbin/policy-rc.d
    if $fresh_nginx && [[ ! -e "$policy" ]]; then
        trap 'rm -f "$policy"' EXIT
        cat >"$policy" <<'POLICY'
#!/bin/sh
# Written by scripts/bootstrap.sh while it installs packages: nginx stays stopped.
while [ "${1#-}" != "$1" ]; do shift; done
[ "$1" = nginx ] && exit 101
exit 0
POLICY
        chmod 755 "$policy"
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
    if $fresh_nginx; then
        # A policy of the machine's own may have let it start.
        if [[ -d /run/systemd/system ]]; then
            systemctl stop nginx.service >/dev/null 2>&1 || true
        elif [[ -e /run/nginx.pid ]]; then
            /usr/sbin/nginx -s quit >/dev/null 2>&1 || true
        fi
        if command -v systemctl >/dev/null; then
            systemctl disable nginx.service >/dev/null 2>&1 || true
        else
            update-rc.d nginx disable >/dev/null 2>&1 || true
        fi
    fi
fi
