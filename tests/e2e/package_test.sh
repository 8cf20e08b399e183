#!/bin/sh
# The Debian package on this machine: build it from this build tree, install it with
# dpkg, run the installed tools from /usr/bin against a loopback chronyd, remove it and
# check that nothing of it is left in /usr.
# usage: package_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
skip() { echo "SKIPPED: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
command -v dpkg >/dev/null || skip "dpkg is not available"
[ -x /usr/sbin/chronyd ] || skip "chronyd is not installed (run scripts/setup.sh)"
if dpkg-query -W -f='${Status}' hodra2 2>/dev/null | grep -q "install ok installed"; then
    skip "a hodra2 package is already installed here; not touching it"
fi

work=$(mktemp -d /tmp/hodra-package-XXXXXX)
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    dpkg -r hodra2 >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

cd "$build"
cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/hodra2_*.deb)
dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | sed 's|/$||' > "$work/files"
grep -q '^/usr/bin/hodra2$' "$work/files"
grep -q '^/usr/share/hodra2/세계시간표2.txt$' "$work/files"
grep -q '^/usr/share/applications/hodra2.desktop$' "$work/files"
grep -q '^/usr/share/icons/hicolor/scalable/apps/hodra2.svg$' "$work/files"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' 

dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; exit 1; }
getcap /usr/bin/hodra2 | grep -q cap_sys_time || { echo "postinst did not set the capability"; exit 1; }
getcap /usr/bin/hodra2-sntp | grep -q cap_sys_time

# The installed tools, from anywhere, against loopback.
port=$(( 23000 + $$ % 10000 ))
"$source/tests/support/loopback-chronyd" "$port" "$work" &
server=$!
cd /
tries=0
until out=$(/usr/bin/hodra2-sntp "127.0.0.1:$port" 2>&1); do
    tries=$((tries + 1))
    [ $tries -lt 40 ] || { echo "installed hodra2-sntp got no answer: $out"; exit 1; }
    sleep 0.25
done
echo "$out" | grep -q "^server=127.0.0.1:$port address=127.0.0.1 offset="
/usr/bin/hodra2-worldtime --at 2026-07-01T12:00:00Z 런던 | grep -q "2026-07-01 13:00:00"

dpkg -r hodra2 >"$work/dpkg-r.log" 2>&1 || { cat "$work/dpkg-r.log"; exit 1; }
left=0
while read -r path; do
    case "$path" in /usr|/usr/bin|/usr/share|/usr/share/applications|/usr/share/icons|/usr/share/icons/hicolor*/apps|/usr/share/icons/hicolor*) continue ;; esac
    if [ -n "$path" ] && [ -e "$path" ]; then
        echo "left behind: $path"
        left=1
    fi
done < "$work/files"
[ $left -eq 0 ]
echo "package installed, ran from /usr/bin and removed cleanly"
