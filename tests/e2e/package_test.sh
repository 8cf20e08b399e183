#!/bin/bash
# Who may set the clock, and the Debian package.
#  1. An install into a staging directory gives the capability to the clock helper alone;
#     run as an ordinary user, the helper takes its servers only from the administrator's
#     root-owned file and nothing the user controls (arguments, XDG_*, HOME, LD_PRELOAD).
#     None of these runs reaches the step: the real clock is never set.
#  2. The .deb, built as Debian builds (scripts/package.sh), is lintian-clean, its desktop
#     entries, metainfo and manual pages are valid; it installs with dpkg, keeps an
#     administrator's dpkg-statoverride of the helper, runs from /usr/bin and leaves
#     nothing behind; systemd's dpkg trigger indexes its journal catalog and forgets it.
# usage: package_test.sh BUILD_DIR SOURCE_DIR COUNTING_SERVER SHIM
set -eu
build=$1
source=$2
counting=$3
shim=$4
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "installing and giving capabilities needs root"
command -v dpkg >/dev/null || skip "dpkg is not available"
command -v setpriv >/dev/null || skip "setpriv is not available"
for tool in lintian dpkg-shlibdeps appstreamcli desktop-file-validate man journalctl localedef; do
    command -v $tool >/dev/null || skip "$tool is not installed (run scripts/setup.sh)"
done
[ -x /usr/sbin/chronyd ] || skip "chronyd is not installed (run scripts/setup.sh)"
if dpkg-query -W -f='${Status}' hodra2 2>/dev/null | grep -q "install ok installed"; then
    skip "a hodra2 package is already installed here; not touching it"
fi
helper_bin=/usr/bin/hodra2-sntp
dpkg-statoverride --list "$helper_bin" >/dev/null 2>&1 && skip "$helper_bin has a statoverride here; not touching it"

work=$(mktemp -d /tmp/hodra-package-XXXXXX)
chmod 755 "$work"
pids=""
stopped=""
cleanup() {
    set +e
    [ -n "$stopped" ] && kill -KILL $stopped
    for p in $pids; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
    dpkg -P hodra2 >/dev/null 2>&1 || true
    dpkg-statoverride --remove "$helper_bin" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# A loopback server that counts the requests it gets, ready once its port is written.
start_counting_server() {  # NAME [--silent]
    mkdir -p "$work/$1"
    "$counting" "$work/$1" ${2:-} >"$work/$1/log" 2>&1 &
    pids="$pids $!"
    while [ ! -s "$work/$1/port" ]; do
        kill -0 $! 2>/dev/null || fail "counting server $1 did not start"
        sleep 0.05
    done
}
count() { cat "$work/$1/count"; }
burst=4  # the requests a host that answers gets in one run
# The server writes its count after it answers: the count a run left, once it is written
# (it waits only while the count is below what is expected, so a surplus still shows).
count_after() {  # NAME EXPECTED
    local tries=0
    while [ "$(count "$1")" -lt "$2" ] && [ $tries -lt 100 ]; do sleep 0.05; tries=$((tries + 1)); done
    count "$1"
}
as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }

# The package's build: optimised and hardened as Debian builds, kept between runs.
packaged=$build/package-build
deb=$(JOBS=${JOBS:-2} "$source/scripts/package.sh" "$packaged" "$work/out.deb") || fail "the package did not build"

# --- 1. the staging install ---------------------------------------------------------------
stage=$work/stage
DESTDIR=$stage cmake --install "$packaged" --prefix /usr >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
helper=$stage/usr/bin/hodra2-sntp
setcap cap_sys_time+p "$helper"
held=$(getcap -r "$stage")
[ "$(echo "$held" | wc -l)" -eq 1 ] || fail "more than one program holds a capability: $held"
echo "$held" | grep -q "^$helper cap_sys_time=p$" || fail "the capability is not on the helper alone: $held"
! ldd "$helper" | grep -qi 'libqt' || fail "the privileged helper links Qt"
! ldd "$helper" | grep -qi 'libgnutls' || fail "the helper loads GnuTLS at start, not when an nts:// server needs it"
[ -f "$stage/usr/lib/hodra2/plugins/hodra2-history.so" ] || fail "the history window's module is not installed"
getcap "$stage/usr/bin/hodra2" | grep -q . && fail "the window holds a capability"

start_counting_server admin
start_counting_server user
port_a=$(cat "$work/admin/port")
port_b=$(cat "$work/user/port")

# Hosts with --sync are refused before any packet goes out.
if as_user "$helper" --sync "127.0.0.1:$port_a" >"$work/out" 2>"$work/err"; then status=0; else status=$?; fi
[ "$status" -eq 2 ] || fail "--sync with a host ran with status $status: $(cat "$work/out" "$work/err")"
grep -q '관리자가 정한 서버' "$work/err" || fail "no clear refusal: $(cat "$work/err")"
[ "$(count admin)" -eq 0 ] || fail "a packet went out before the refusal"

# The administrator's file, in a private mount namespace over /etc/xdg; the user's own
# deployment file, home and preload library beside it.
mkdir -p "$work/xdg/Hodra Client V2.0" "$work/home"
printf '[Deployment]\nPrimaryHost=127.0.0.1:%s\nSecondaryHost=127.0.0.1:%s\n' "$port_b" "$port_b" \
    >"$work/xdg/Hodra Client V2.0/Hodra2.conf"
in_admin_xdg() {  # MODE OWNER COMMAND...: runs COMMAND with the admin file so made (server: $admin_port)
    local mode=$1 owner=$2
    shift 2
    unshare --mount --propagation private bash -c '
        mount -t tmpfs -o mode=755 tmpfs /etc/xdg
        mkdir "/etc/xdg/Hodra Client V2.0"
        printf "[Deployment]\nPrimaryHost=127.0.0.1:%s\nSecondaryHost=127.0.0.1:9\n" "$0" \
            > "/etc/xdg/Hodra Client V2.0/Hodra2.conf"
        chmod "$1" "/etc/xdg/Hodra Client V2.0/Hodra2.conf"
        chown "$2" "/etc/xdg/Hodra Client V2.0/Hodra2.conf"
        shift 2
        exec "$@"' "${admin_port:-$port_a}" "$mode" "$owner" "$@"
}
user_env=(env XDG_CONFIG_DIRS="$work/xdg" XDG_CONFIG_HOME="$work/home" HOME="$work/home"
          LD_PRELOAD="$shim" HODRA_SHIM_MARK="$work/shim-loaded" ASAN_OPTIONS=verify_asan_link_order=0)

in_admin_xdg 644 root:root setpriv --reuid=65534 --regid=65534 --clear-groups "${user_env[@]}" "$helper" \
    >"$work/out" 2>"$work/err" || fail "compare with the administrator's servers: $(cat "$work/out" "$work/err")"
grep -q "^server=127.0.0.1:$port_a " "$work/out" || fail "not the administrator's server: $(cat "$work/out")"
[ "$(count_after admin $burst)" -eq $burst ] || fail "the administrator's server got $(count admin) requests"
[ "$(count user)" -eq 0 ] || fail "the user's XDG_CONFIG_DIRS chose a server"
[ ! -e "$work/shim-loaded" ] || fail "LD_PRELOAD was honoured"

# The same environment counts where no right is borrowed (root): the check above is real.
"${user_env[@]}" "$helper" >"$work/out" 2>&1 || fail "root with its own servers: $(cat "$work/out")"
[ "$(count_after user $burst)" -eq $burst ] || fail "root's XDG_CONFIG_DIRS was not read"
[ -e "$work/shim-loaded" ] || fail "the preload check proves nothing"
# A CAP_SYS_TIME bit only to pass on (pam_cap's inheritable set) is no right of the user's own.
in_admin_xdg 644 root:root setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps +sys_time \
    "${user_env[@]}" "$helper" >"$work/out" 2>&1 || fail "an inheritable bit: $(cat "$work/out")"
[ "$(count_after admin $((2 * burst)))" -eq $((2 * burst)) ] && [ "$(count user)" -eq $burst ] ||
    fail "an inheritable CAP_SYS_TIME chose the servers: admin $(count admin), user $(count user)"

# A file others could have written is refused, before any packet.
for made in "666 root:root" "644 nobody:nogroup"; do
    set -- $made
    if in_admin_xdg "$1" "$2" setpriv --reuid=65534 --regid=65534 --clear-groups "$helper" --sync \
        >"$work/out" 2>"$work/err"; then status=0; else status=$?; fi
    [ "$status" -eq 2 ] || fail "an unsafe deployment file ($made) ran with status $status"
    grep -q '배포 설정 파일을 쓰지 않습니다' "$work/err" || fail "no refusal for $made: $(cat "$work/err")"
done
[ "$(count admin)" -eq $((2 * burst)) ] || fail "a refused deployment file still sent a packet"

# While the installed helper, run by an ordinary user, waits on the administrator's server,
# the process that holds its UDP socket has no capability and is confined; the one other
# process, the keeper, holds CAP_SYS_TIME alone, confined too, with no network socket. The
# server never answers, so no step can come; the helper is killed once looked at.
start_counting_server silent --silent
admin_port=$(cat "$work/silent/port") in_admin_xdg 644 root:root setpriv --reuid=65534 --regid=65534 \
    --clear-groups "$helper" --sync >/dev/null 2>&1 &
pids="$pids $!"
while [ "$(count silent)" -lt 1 ]; do sleep 0.05; done
network=$(pgrep -o -u 65534 -x hodra2-sntp) || fail "the helper is not running"
kill -STOP "$network"
stopped=$network
keeper=$(tr -d " \n" <"/proc/$network/task/$network/children")
field() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }
[ "$(field "$network" CapPrm)/$(field "$network" NoNewPrivs)/$(field "$network" Seccomp)" = "0000000000000000/1/2" ] ||
    fail "the network process: $(grep -E '^(CapPrm|NoNewPrivs|Seccomp)' "/proc/$network/status")"
ls -l "/proc/$network/fd" | grep -q 'socket:' || fail "the network process holds no socket"
[ -n "$keeper" ] || fail "no keeper beside the network process"
[ "$(field "$keeper" CapPrm)/$(field "$keeper" Seccomp)" = "0000000002000000/2" ] ||
    fail "the keeper: $(grep -E '^(CapPrm|Seccomp)' "/proc/$keeper/status")"
[ "$(ls "/proc/$keeper/fd" | wc -l)" -eq 1 ] || fail "the keeper holds more than its socket: $(ls -l "/proc/$keeper/fd")"
holders=$(grep -l '^CapPrm:.*[1-9a-f]' $(pgrep -u 65534 | sed 's|.*|/proc/&/status|'))
[ "$holders" = "/proc/$keeper/status" ] || fail "not the keeper alone holds a capability: $holders"
kill -KILL "$network"
stopped=""

# --- 2. the Debian package ------------------------------------------------------------------
# journalctl -x explains every id the programs send, in English and in Korean.
journal_ids=$(sed -n 's/.*"\([0-9a-f]\{32\}\)".*/\1/p' "$source/src/platform/journal_message_ids.h")
mkdir -p "$work/catalog/usr/lib/systemd/catalog" "$work/locale"
cp "$source/res/journal/hodra2.catalog" "$work/catalog/usr/lib/systemd/catalog/"
journalctl --root "$work/catalog" --update-catalog || fail "journalctl --update-catalog refused the catalog"
localedef -i ko_KR -f UTF-8 "$work/locale/ko_KR.UTF-8" || fail "no Korean locale (run scripts/setup.sh)"
english=$(LC_ALL=C.UTF-8 journalctl --root "$work/catalog" --list-catalog)
korean=$(LOCPATH=$work/locale LC_ALL=ko_KR.UTF-8 journalctl --root "$work/catalog" --list-catalog)
[ "$(echo "$english" | wc -l)" -eq 6 ] && [ "$(echo "$journal_ids" | wc -l)" -eq 6 ] ||
    fail "six ids, each once: $journal_ids / $english"
for id in $journal_ids; do
    line=$(echo "$english" | grep "^$id hodra2: ") || fail "the catalog does not explain $id"
    [ "$(echo "$korean" | grep "^$id hodra2: ")" != "$line" ] || fail "no Korean text for $id"
done
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 ||
    fail "lintian: $(cat "$work/lintian")"
dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | sed 's|/$||' > "$work/files"
for path in /usr/bin/hodra2 /usr/share/hodra2/세계시간표2.txt /usr/share/applications/org.hodra2.Hodra2.desktop \
    /usr/share/metainfo/org.hodra2.Hodra2.metainfo.xml /etc/xdg/autostart/org.hodra2.Hodra2.desktop \
    /usr/share/icons/hicolor/scalable/apps/hodra2.svg /usr/share/doc/hodra2/copyright \
    /usr/share/man/man1/hodra2-sntp.1.gz /usr/share/man/ko/man1/hodra2-worldtime.1.gz \
    /usr/lib/systemd/catalog/hodra2.catalog; do
    grep -qx "$path" "$work/files" || fail "the package lacks $path"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no library dependencies from shlibdeps"
# GnuTLS is loaded with dlopen, out of dpkg-shlibdeps' sight: without it every nts:// host fails.
dpkg-deb -f "$deb" Depends | grep -q 'libgnutls30 (>= 3.6.14)' || fail "no dependency on the GnuTLS it loads"

# An administrator who lets only one group set the clock.
dpkg-statoverride --add root adm 0750 "$helper_bin"
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; exit 1; }
getcap /usr/bin/hodra2-sntp | grep -q cap_sys_time || fail "postinst did not give the helper its capability"
[ -z "$(getcap /usr/bin/hodra2 /usr/bin/hodra2-worldtime)" ] || fail "a Qt program got a capability"
# systemd's own dpkg trigger on the catalog directory brought its index up to date.
for id in $journal_ids; do
    journalctl --list-catalog "$id" 2>/dev/null | grep -q "^$id hodra2: " || fail "the installed catalog's index lacks $id"
done
[ "$(stat -c '%U:%G %a' "$helper_bin")" = "root:adm 750" ] || fail "the statoverride was not kept: $(stat -c '%U:%G %a' "$helper_bin")"
desktop-file-validate /usr/share/applications/org.hodra2.Hodra2.desktop /etc/xdg/autostart/org.hodra2.Hodra2.desktop \
    >"$work/desktop" 2>&1 && [ ! -s "$work/desktop" ] || fail "desktop entries: $(cat "$work/desktop")"
appstreamcli validate --no-net /usr/share/metainfo/org.hodra2.Hodra2.metainfo.xml >"$work/appstream" 2>&1 ||
    fail "metainfo: $(cat "$work/appstream")"
for page in /usr/share/man/man1/hodra2.1.gz /usr/share/man/man1/hodra2-sntp.1.gz \
    /usr/share/man/man1/hodra2-worldtime.1.gz /usr/share/man/ko/man1/hodra2.1.gz \
    /usr/share/man/ko/man1/hodra2-sntp.1.gz /usr/share/man/ko/man1/hodra2-worldtime.1.gz; do
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) || fail "man -l $page"
    [ -z "$out" ] || fail "man -l $page: $out"
done

# The installed tools, from anywhere, against loopback.
port=$(( 23000 + $$ % 10000 ))
"$source/tests/support/loopback-chronyd" "$port" "$work" >/dev/null 2>&1 &
chronyd_pid=$!
pids="$pids $chronyd_pid"
cd /
tries=0
until out=$(/usr/bin/hodra2-sntp "127.0.0.1:$port" 2>&1); do
    kill -0 $chronyd_pid 2>/dev/null || fail "chronyd ended before it answered: $(cat "$work/chronyd.log" 2>/dev/null)"
    tries=$((tries + 1))
    [ $tries -lt 240 ] || fail "installed hodra2-sntp got no answer from a running chronyd: $out"
    sleep 0.25
done
echo "$out" | grep -q "^server=127.0.0.1:$port address=127.0.0.1 offset="
# The installed helper's whole step path, its release build's two filters and all: in a user
# namespace (where no step can reach the machine's clock) with the shim recording it, and a
# name from the hosts file.
unshare --user --map-root-user env LD_PRELOAD="$shim" HODRA_SHIM_LOG="$work/installed-step.log" \
    /usr/bin/hodra2-sntp --sync "localhost:$port" >"$work/out" 2>&1 || fail "the installed helper's step: $(cat "$work/out")"
grep -q " outcome=set " "$work/out" || fail "the installed helper did not set: $(cat "$work/out")"
grep -q "^clock_adjtime .* hodra2-sntp$" "$work/installed-step.log" || fail "no step recorded: $(cat "$work/installed-step.log")"
/usr/bin/hodra2-worldtime --at 2026-07-01T12:00:00Z 런던 | grep -q "2026-07-01 13:00:00"

dpkg -P hodra2 >"$work/dpkg-r.log" 2>&1 || { cat "$work/dpkg-r.log"; exit 1; }
! journalctl --list-catalog 2>/dev/null | grep -q " hodra2: " || fail "the catalog's index kept the removed entries"
dpkg-statoverride --remove "$helper_bin"
left=0
while read -r path; do
    case "$path" in /usr|/usr/bin|/usr/lib|/usr/lib/systemd|/usr/lib/systemd/catalog|/usr/share|/usr/share/applications|/usr/share/icons|/usr/share/icons/hicolor*|/usr/share/metainfo|/usr/share/man*|/usr/share/doc|/etc|/etc/xdg|/etc/xdg/autostart) continue ;; esac
    if [ -n "$path" ] && [ -e "$path" ]; then
        echo "left behind: $path"
        left=1
    fi
done < "$work/files"
[ $left -eq 0 ]
echo "the helper alone holds the right and serves only the administrator's servers; package installed, ran and removed cleanly"
