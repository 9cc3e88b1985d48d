#!/usr/bin/env bash
# The main job: one real update run of QVUUpdate on a sandboxed machine, from
# the start to the installed update. It builds everything, installs Quorvane
# Olvin 5 in version 5.0.1.100 into a sandbox root (registry records through
# qvu-reg, a Rered.ini, a QVVer.dll from qvu-verdll, data and docs folders,
# an uninstall list), builds the update as a real MSI package with wixl
# (scripts/demo/Quorvane.wxs: a QVVer.dll of the offered version 5.1.0.0 and
# changed sample data), serves it with qvu-server on 127.0.0.1, and runs
# QVUUpdate /autostart at the console with stand-ins for the Windows
# Installer (qvu-msiexec, which unpacks the package with msiextract into
# drive C) and the web browser. Fails unless the product has the offered
# version afterwards.
#
#   scripts/main.sh            runs on the sandbox build/main-sandbox as the
#                              last run left it (the first run sets it up)
#   scripts/main.sh --fresh    starts over with a new sandbox
set -euo pipefail
cd "$(dirname "$0")/.."

fresh=0
for argument in "$@"; do
    case "$argument" in
    --fresh) fresh=1 ;;
    *)
        echo "usage: scripts/main.sh [--fresh]" >&2
        exit 2
        ;;
    esac
done

bash scripts/bootstrap.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
repo="$PWD"
bin="$repo/build/bin"

fail() {
    echo "main: FAILED: $*" >&2
    exit 1
}

# The installed version of the product: the fixed version of its QVVer.dll.
installed_version() {
    if [[ -f "$install_dir/QVVer.dll" ]]; then
        "$bin/qvu-verdll" --show "$install_dir/QVVer.dll" | sed -n 's/^Fixed: //p'
    else
        echo "none (no QVVer.dll)"
    fi
}

# How many installations the update logs of the product record as ended.
installer_runs() {
    { cat "$update_dir"/QVUUpdate\(*\).log 2>/dev/null || true; } | grep -c '^=== Verbose logging stopped' || true
}

# The native path of a Windows path on drive C.
on_drive_c() {
    local relative="${1:3}"
    printf '%s\n' "$sandbox/c/${relative//\\//}"
}

# The sandbox stays from run to run, so that a second run finds the product
# as the first one left it.
sandbox="$PWD/build/main-sandbox"
if ((fresh)) || [[ ! -f "$sandbox/set-up" ]]; then
    rm -rf "$sandbox"
fi
mkdir -p "$sandbox"
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
settings='C:\Quorvane\Olvin5\'
installation='C:\Program Files\Quorvane Olvin 5\'
settings_dir="$sandbox/c/Quorvane/Olvin5"
install_dir="$sandbox/c/Program Files/Quorvane Olvin 5"
update_dir="$settings_dir/Update"
# The update manager's trace log goes to the INI folder of the application
# VAZuvedev; QVUUpdate writes one only when a run fails.
trace_dir="$sandbox/c/Logs"
offered=5.1.0.0

# ---- The installed product: Quorvane Olvin 5, build 5.0.1.100 (first run) ----
if [[ ! -f "$sandbox/set-up" ]]; then
    echo "main: setting up the sandbox $sandbox with Quorvane Olvin 5 5.0.1.100"
    mkdir -p "$QVU_ROOT/dosdevices" "$sandbox/c"
    ln -s "$sandbox/c" "$QVU_ROOT/dosdevices/c:"
    key='HKLM\Software\Kaltrex\Quorvane Olvin\5.0'
    "$bin/qvu-reg" add "$key\\IniFilePath" /ve /d "$settings" /f >/dev/null
    "$bin/qvu-reg" add "$key\\InstallPath" /ve /d "$installation" /f >/dev/null
    "$bin/qvu-reg" add 'HKLM\Software\IniFilePath' /ve /d 'C:\Logs\' /f >/dev/null
    mkdir -p "$settings_dir" "$install_dir/Data/Samples" "$install_dir/Docs" \
        "$install_dir/Obsolete/EN" "$trace_dir"
    printf '[VAZuvedev_#_Locations]\r\nBase=%s\r\n' "$installation" >"$settings_dir/Rered.ini"
    "$bin/qvu-verdll" "5,0,1,100" "$install_dir/QVVer.dll" >/dev/null
    echo "sample data" >"$install_dir/Data/Samples/sample.dat"
    echo "read me" >"$install_dir/Docs/readme.txt"
    echo "replaced by the update" >"$install_dir/old.dll"
    printf '%s\r\n' "${installation}old.dll" "${installation}QVVer.dll" "${installation}Obsolete\\" \
        >"$install_dir/QVUninstall.ini"

    # The update: a real MSI package of the offered version, built once per
    # sandbox, so that a second run is offered the same package.
    package_files="$sandbox/package"
    mkdir -p "$package_files" "$sandbox/served/packages"
    cp -R scripts/demo/payload/. "$package_files/"
    "$bin/qvu-verdll" "${offered//./,}" "$package_files/QVVer.dll" >/dev/null
    # wixl ends with success even when it could not write the package.
    (cd "$package_files" && wixl -D "Version=$offered" -o "$sandbox/served/packages/Quorvane.msi" \
        "$repo/scripts/demo/Quorvane.wxs") && [[ -s "$sandbox/served/packages/Quorvane.msi" ]] ||
        fail "wixl could not build the package"
    touch "$sandbox/set-up"
else
    echo "main: the sandbox $sandbox as the last run left it (--fresh starts over)"
fi

# ---- The publisher's signing key, trusted on the machine ----
# The secret key stays with the publisher (here: in the sandbox, without a
# password); the machine trusts the public key, as its administrator would.
if [[ ! -f "$sandbox/publisher.key" ]]; then
    minisign -G -W -p "$sandbox/publisher.pub" -s "$sandbox/publisher.key" >/dev/null ||
        fail "minisign could not make the publisher's key pair"
    "$bin/qvu-reg" add 'HKLM\Software\Kaltrex\Quorvane Zelvo Update\Trusted Keys' /v main-job \
        /d "$(sed -n 2p "$sandbox/publisher.pub")" /f >/dev/null
fi

# ---- The update server ----
served="$sandbox/served"
mkdir -p "$served/pages" "$served/ZoZuzaviz"
package_size=$(stat -c %s "$served/packages/Quorvane.msi")
package_md5=$(md5sum "$served/packages/Quorvane.msi" | cut -d' ' -f1)
package_sha256=$(sha256sum "$served/packages/Quorvane.msi" | cut -d' ' -f1)
# The update manager's own program, an hour older than the running one: the
# self-check finds nothing newer.
cp -f "$bin/QVUUpdate" "$served/ZoZuzaviz/QVUUpdate.exe"
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

printf '%s\r\n' '[QVU.ini]' 'ver=3.1' '[Olvin5]' "VersionLong=$offered" "VersionShort=${offered%.*.*}" \
    'FileName=Quorvane.msi' "FileSize=$package_size" "MD5=$package_md5" "SHA256=$package_sha256" \
    "MSI1=$base/packages/Quorvane.msi" '[QVU.end]' 'ver=3.1' >"$served/QVU.ini"
# Signed last, beside it: QVU.ini.minisig, with the signing time in its
# trusted comment.
minisign -S -s "$sandbox/publisher.key" -m "$served/QVU.ini" >/dev/null ||
    fail "minisign could not sign the description"

# ---- Stand-ins: the Windows Installer and the web browser ----
# The installer unpacks the package into drive C, the folder its root folder
# (TARGETDIR) stands for.
mkdir -p "$sandbox/bin"
ln -sfn "$bin/qvu-msiexec" "$sandbox/bin/msiexec"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$sandbox/browser.record" >"$sandbox/bin/xdg-open"
chmod +x "$sandbox/bin/xdg-open"
export QVU_INSTALLER_RECORD="$sandbox/installer.record"
export QVU_INSTALLER_TARGETDIR='C:\'

# ---- The update run ----
before=$(installed_version)
runs_before=$(installer_runs)
records_before=0
[[ -f "$QVU_INSTALLER_RECORD" ]] && records_before=$(wc -l <"$QVU_INSTALLER_RECORD")
echo "main: update server $base, Quorvane Olvin 5 installed: $before, offered: $offered"
started=$(date +%s.%N)
status=0
PATH="$sandbox/bin:$PATH" QVU_UPDATE_SERVER="$base" QVU_WEB_SERVER="$base" \
    "$bin/QVUUpdate" /autostart "/display=$base/pages/release-notes.html" --console </dev/null ||
    status=$?
ended=$(date +%s.%N)
echo "main: QVUUpdate ended with status $status after" \
    "$(awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.2f", b - a }') s"

# The installer runs on its own: wait until it has ended its log.
if [[ "$status" -eq 0 ]]; then
    for _ in $(seq 1 600); do
        (($(installer_runs) > runs_before)) && break
        sleep 0.05
    done
fi
after=$(installed_version)

# ---- Where to look ----
log=$(ls -t "$update_dir"/QVUUpdate\(*\).log 2>/dev/null | head -n 1 || true)
record=$(tail -n +$((records_before + 1)) "$QVU_INSTALLER_RECORD" 2>/dev/null | tail -n 1 || true)
echo "main: update log:       ${log:-none written}"
if [[ "$record" =~ \[/L\*v\]\ \[([^]]*)\] ]]; then
    echo "main: installer's log:  $(on_drive_c "${BASH_REMATCH[1]}") (the verbose log, appended to the update log)"
fi
traces=$(ls "$trace_dir"/* 2>/dev/null || true)
if [[ -n "$traces" ]]; then
    echo "main: trace log:        $traces"
else
    echo "main: trace log:        none written (QVUUpdate writes one into $trace_dir only when a run fails)"
fi
echo "main: installer record: $QVU_INSTALLER_RECORD"

[[ "$status" -eq 0 ]] || fail "QVUUpdate did not hand the package to the installer (status $status)"
[[ -n "$record" ]] || fail "the installer was not started"
verified=$(tr -d '\r' <"$log" | grep -a 'Update description signature verified' | tail -n 1 || true)
[[ -n "$verified" ]] || fail "the update log does not say that the description's signature was verified"
echo "main: signature:        ${verified#*  }"
echo "main: installer started as: $record"
cmp -s "$served/packages/Quorvane.msi" "$update_dir/Quorvane.msi" ||
    fail "the downloaded package differs from the served one"
echo "main: package:          $update_dir/Quorvane.msi ($package_size bytes, MD5 $package_md5)"
(($(installer_runs) > runs_before)) || fail "the installer did not end its log"
[[ -n "$log" ]] && grep -q '^Installation success or error status: 0\.' <(tail -n 5 "$log" | tr -d '\r') ||
    fail "the installer reports a failure: $(grep -a '^Error: ' "$log" | tail -n 1)"
echo "main: Quorvane Olvin 5: $before before the run, $after now (offered $offered)"
[[ "$after" == "$offered" ]] || fail "the installed version is $after, not the offered $offered"
if [[ "$before" == "$after" ]]; then
    echo "main: OK: the offered version was already installed and was installed again" \
        "(scripts/main.sh --fresh starts over from 5.0.1.100)"
else
    echo "main: OK: the update took Quorvane Olvin 5 from $before to $after;" \
        "run again to find it installed (the sandbox stays in $sandbox)"
fi
