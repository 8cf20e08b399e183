#!/bin/sh
# Builds the Debian package the way Debian builds its own: optimised with the distribution's
# hardening flags (dpkg-buildflags), stripped, dependencies from dpkg-shlibdeps.
# Prints the path of the .deb.
# usage: scripts/package.sh BUILD_DIR OUT_DIR
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "$1")
out=$(realpath -m "$2")
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=None -DHODRA_TESTS=OFF -DHODRA_SANITIZE= \
    -DCMAKE_C_FLAGS="$cppflags $(dpkg-buildflags --get CFLAGS)" \
    -DCMAKE_CXX_FLAGS="$cppflags $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j"${JOBS:-2}" >/dev/null
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
ls "$out"/hodra2_*.deb
