#!/bin/sh
# Installs the Debian packages that building, testing and running Hodra2 need.
# Idempotent: installs only what is missing, quietly; uses sudo when not root.
set -eu

PACKAGES="
g++ cmake make pkg-config clang-format
googletest libgtest-dev
libcap-dev libcap2-bin libgnutls28-dev libseccomp-dev openssl systemd locales
qt6-base-dev qt6-translations-l10n
chrony faketime ntpsec-ntpdig tzdata dbus-daemon
xvfb xdotool imagemagick weston xwayland qt6-wayland
fonts-nanum fonts-nanum-coding fonts-liberation
libcanberra-dev libx11-dev trayer librsvg2-bin x11-utils
clang libclang-rt-14-dev
dpkg-dev lintian appstream desktop-file-utils man-db
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
echo "setup: installing$missing"
export DEBIAN_FRONTEND=noninteractive

# chrony's install script would start the system's NTP daemon, which steers the real
# clock; forbid service starts for the length of the install.
policy=/usr/sbin/policy-rc.d
own_policy=""
if [ ! -e "$policy" ]; then
    $SUDO sh -c "printf '#!/bin/sh\nexit 101\n' > $policy && chmod 755 $policy"
    own_policy=yes
fi
cleanup() { [ -n "$own_policy" ] && $SUDO rm -f "$policy"; return 0; }
trap cleanup EXIT

$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
