#!/bin/sh
# Installs every Debian package the build, the tests and the demo need; safe to run again.
set -eu
export DEBIAN_FRONTEND=noninteractive

PACKAGES="
 make cmake ninja-build g++ g++-multilib clang libclang-rt-14-dev
 mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
 g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
 googletest libgtest-dev libbenchmark-dev libpugixml-dev libtinyxml2-dev
 wine wine64 xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick
 locales fonts-wqy-microhei
 nginx vsftpd curl osslsigncode
 python3 python3-pytest python3-pil python3-pyftpdlib python3-cryptography
"
# Wine's 32-bit half only where the processor runs 32-bit code: elsewhere even the i386 packages' own scripts
# fail to run. There the 32-bit unit tests run under qemu-i386 instead.
if /usr/bin/python3 "$(dirname "$0")/corvane_arch.py" >/dev/null 2>&1; then
    PACKAGES="$PACKAGES wine32:i386 libgnutls30:i386"
    need_i386=yes
else
    PACKAGES="$PACKAGES qemu-user-static"
    need_i386=
fi

missing=""
if [ -n "$need_i386" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    missing=yes
fi
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    apt-get update -q
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends $PACKAGES
fi

# Wine takes its ANSI code page from the locale: zh_CN gives 936, which the program is tested in; en_US (1252)
# and zh_TW (950) are the other code pages it is tested under.
generate=""
for l in zh_CN en_US zh_TW; do
    locale -a 2>/dev/null | grep -qi "^$l\.utf-\?8$" && continue
    sed -i "s/^# *\($l.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" >> /etc/locale.gen
    generate=yes
done
[ -z "$generate" ] || locale-gen
# The services are started by the tests themselves on loopback, never at boot.
for s in nginx vsftpd; do
    systemctl disable --now "$s" >/dev/null 2>&1 || service "$s" stop >/dev/null 2>&1 || true
done
