#!/usr/bin/env bash
# The main job: one real update run of QVUUpdate, from the start to the
# installer's hand-off, on a sandboxed machine. It builds everything, installs
# Quorvane Olvin 5 into a sandbox root (registry records through qvu-reg, a
# Rered.ini, a QVVer.dll from qvu-verdll, data and docs folders, an uninstall
# list), serves an update for it with qvu-server on 127.0.0.1, and runs
# QVUUpdate /autostart at the console with stand-ins for the Windows
# Installer (qvu-msiexec) and the web browser. Fails unless the installer
# was started with the downloaded package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
bin="$PWD/build/bin"

fail() {
    echo "main: FAILED: $*" >&2
    exit 1
}

# Kept after the run, so that its files can be looked at.
sandbox=$(mktemp -d /tmp/qvu-main-XXXXXX)
server_pid=""
stop_server() {
    if [[ -n "$server_pid" ]]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
}
trap stop_server EXIT

# Nothing may touch the real machine root; drive C is a folder of the sandbox.
export QVU_ROOT="$sandbox/root"
mkdir -p "$QVU_ROOT/dosdevices" "$sandbox/c"
ln -s "$sandbox/c" "$QVU_ROOT/dosdevices/c:"

# ---- The installed product: Quorvane Olvin 5, build 5.0.1.100 ----
settings='C:\Quorvane\Olvin5\'
installation='C:\Program Files\Quorvane Olvin 5\'
settings_dir="$sandbox/c/Quorvane/Olvin5"
install_dir="$sandbox/c/Program Files/Quorvane Olvin 5"
key='HKLM\Software\Kaltrex\Quorvane Olvin\5.0'
"$bin/qvu-reg" add "$key\\IniFilePath" /ve /d "$settings" /f >/dev/null
"$bin/qvu-reg" add "$key\\InstallPath" /ve /d "$installation" /f >/dev/null
mkdir -p "$settings_dir" "$install_dir/Data/Samples" "$install_dir/Docs" "$install_dir/Obsolete/EN"
printf '[VAZuvedev_#_Locations]\r\nBase=%s\r\n' "$installation" >"$settings_dir/Rered.ini"
"$bin/qvu-verdll" "5,0,1,100" "$install_dir/QVVer.dll" >/dev/null
echo "sample data" >"$install_dir/Data/Samples/sample.dat"
echo "read me" >"$install_dir/Docs/readme.txt"
echo "replaced by the update" >"$install_dir/old.dll"
printf '%s\r\n' "${installation}old.dll" "${installation}QVVer.dll" "${installation}Obsolete\\" \
    >"$install_dir/QVUninstall.ini"

# ---- The update server ----
served="$sandbox/served"
mkdir -p "$served/packages" "$served/pages" "$served/ZoZuzaviz"
# The package: 4 MiB of fixed bytes (QVU_MAIN_PACKAGE_MIB sets another size),
# with its size and digest published.
head -c $((${QVU_MAIN_PACKAGE_MIB:-4} * 1024 * 1024)) /dev/zero | tr '\0' 'Q' >"$served/packages/Quorvane.msi"
package_size=$(stat -c %s "$served/packages/Quorvane.msi")
package_md5=$(md5sum "$served/packages/Quorvane.msi" | cut -d' ' -f1)
# The update manager's own program, an hour older than the running one: the
# self-check finds nothing newer.
cp "$bin/QVUUpdate" "$served/ZoZuzaviz/QVUUpdate.exe"
touch -d "@$(($(stat -c %Y "$bin/QVUUpdate") - 3600))" "$served/ZoZuzaviz/QVUUpdate.exe"
echo '<html><body><h1>Quorvane Olvin 5.1</h1><p>Release notes.</p></body></html>' \
    >"$served/pages/release-notes.html"

"$bin/qvu-server" --root "$served" --port 0 >"$sandbox/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 1 100); do
    [[ -s "$sandbox/server.out" ]] && break
    sleep 0.05
done
first_line=$(head -n 1 "$sandbox/server.out")
[[ "$first_line" =~ ^listening\ on\ (http://127\.0\.0\.1:[0-9]+)$ ]] ||
    fail "qvu-server did not start: $first_line"
base="${BASH_REMATCH[1]}"

printf '%s\r\n' '[QVU.ini]' 'ver=3.1' '[Olvin5]' 'VersionLong=5.1.0.0' 'VersionShort=5.1' \
    'FileName=Quorvane.msi' "FileSize=$package_size" "MD5=$package_md5" \
    "MSI1=$base/packages/Quorvane.msi" '[QVU.end]' 'ver=3.1' >"$served/QVU.ini"

# ---- Stand-ins: the Windows Installer and the web browser ----
mkdir -p "$sandbox/bin"
ln -s "$bin/qvu-msiexec" "$sandbox/bin/msiexec"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$sandbox/browser.record" >"$sandbox/bin/xdg-open"
chmod +x "$sandbox/bin/xdg-open"
export QVU_INSTALLER_RECORD="$sandbox/installer.record"

# ---- The update run ----
echo "main: update server $base, sandbox $sandbox"
started=$(date +%s.%N)
status=0
PATH="$sandbox/bin:$PATH" QVU_UPDATE_SERVER="$base" QVU_WEB_SERVER="$base" \
    "$bin/QVUUpdate" /autostart "/display=$base/pages/release-notes.html" --console </dev/null ||
    status=$?
ended=$(date +%s.%N)
echo "main: QVUUpdate ended with status $status after" \
    "$(awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.2f", b - a }') s"

# The installer runs on its own; give it a moment to write its record.
for _ in $(seq 1 100); do
    [[ -s "$QVU_INSTALLER_RECORD" ]] && break
    sleep 0.05
done

update_dir="$settings_dir/Update"
log=$(ls "$update_dir"/QVUUpdate\(*\).log 2>/dev/null | head -n 1 || true)
[[ "$status" -eq 0 ]] || fail "QVUUpdate did not hand the package to the installer (status $status)"
[[ -s "$QVU_INSTALLER_RECORD" ]] || fail "the installer was not started"
cmp -s "$served/packages/Quorvane.msi" "$update_dir/Quorvane.msi" ||
    fail "the downloaded package differs from the served one"
[[ -n "$log" ]] || fail "no update log was written"

echo "main: installer started as: $(cat "$QVU_INSTALLER_RECORD")"
echo "main: package:            $update_dir/Quorvane.msi ($package_size bytes, MD5 $package_md5)"
echo "main: update log:         $log (the installer's verbose log follows the header)"
echo "main: installer record:   $QVU_INSTALLER_RECORD"
echo "main: OK: the update ran from the start to the installer's hand-off" \
    "(remove the sandbox with: rm -rf $sandbox)"
