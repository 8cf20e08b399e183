#!/bin/sh
# An offline demo: a chronyd on a loopback port serves a clock 5.25 s ahead, and Hodra2
# is pointed at it through a deployment file in a temporary configuration directory,
# with a fresh profile. "동기" goes through the shim that records clock_settime instead
# of making it, inside a user namespace: the machine's clock is never touched.
# usage: scripts/demo.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/hodra-demo-XXXXXX)
port=$(( 24000 + $$ % 10000 ))
chrony=""
cleanup() {
    [ -n "$chrony" ] && kill "$chrony" 2>/dev/null && wait "$chrony" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

"$root/tests/support/loopback-chronyd" "$port" "$work" +5.25s &
chrony=$!

mkdir -p "$work/xdg/Hodra Client V2.0" "$work/config/Hodra Client V2.0" "$work/run"
chmod 700 "$work/run"
printf '[Deployment]\nPrimaryHost=127.0.0.1:%s\nSecondaryHost=127.0.0.1:%s\n' "$port" "$port" \
    > "$work/xdg/Hodra Client V2.0/Hodra2.conf"
printf '[Hodra]\nAutoCompare=1\nLog=1\n' > "$work/config/Hodra Client V2.0/Hodra2.conf"
tries=0
until "$build/bin/hodra2-sntp" "127.0.0.1:$port" >/dev/null 2>&1; do
    tries=$((tries + 1)); [ $tries -lt 40 ] || { echo "demo: chronyd did not start"; exit 1; }; sleep 0.25
done

cd "$work"
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/xdg" XDG_RUNTIME_DIR="$work/run"
# No system bus: should the shim ever fail, the window must not ask the machine's own time
# service to step the real clock.
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nonexistent/system_bus_socket"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "demo: no graphical session; the same comparison in the terminal:"
    "$build/bin/hodra2-sntp"
    exit 0
fi
echo "demo: the time server on 127.0.0.1:$port is 5.25 s ahead; press 비교 or 동기 (close Hodra2 to end)"
"$root/tests/support/run-sandboxed" --shim "$build/settime_shim.so" "$work/settime.log" "$build/bin/hodra2" || true
if [ -s "$work/settime.log" ]; then
    echo "demo: clock steps recorded instead of made (call, clock, target, real time, program):"
    sed 's/^/  /' "$work/settime.log"
fi
[ -s "$work/HodraLog.txt" ] && { echo "demo: HodraLog.txt:"; sed 's/^/  /' "$work/HodraLog.txt"; }
exit 0
