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
# Where the 32-bit program's tests run in a full-system guest instead: its image is built from Debian's packages
# with mmdebstrap (and mkfs.ext4), and booted by QEMU.
case $(/usr/bin/python3 "$(dirname "$0")/corvane_arch.py" --runner) in
    guest:*) PACKAGES="$PACKAGES mmdebstrap qemu-system-x86 e2fsprogs" ;;
esac

missing="" missing_packages=""
if [ -n "$need_i386" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    missing=yes
fi
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing_packages="$missing_packages $p"
done
missing="$missing$missing_packages"
# A mirror in the middle of a sync serves, for some minutes, indexes that do not match its Release file: apt-get
# update fails for those while the rest update. It is asked again a few times; then the packages are installed
# from the suites that did update, with a copy of the sources without the failing suites for that one command,
# so that the machine's own sources stay as they are.
APT_TRIES=${CORVANE_APT_TRIES:-3}
APT_PAUSE=${CORVANE_APT_PAUSE:-30}

update_indexes() {
    try=1
    while :; do
        { apt-get update -q 2>&1; echo $? > "$work/update.rc"; } | tee "$work/update.log"
        [ "$(cat "$work/update.rc")" != 0 ] || return 0
        [ "$try" -lt "$APT_TRIES" ] || return 1
        echo "install-deps: apt-get update failed (try $try of $APT_TRIES); asking again in $APT_PAUSE s"
        sleep "$APT_PAUSE"
        try=$((try + 1))
    done
}

install_from_updated_suites() {
    SL=/etc/apt/sources.list SP=/etc/apt/sources.list.d
    eval "$(apt-config shell SL Dir::Etc::SourceList/f SP Dir::Etc::SourceParts/d)"
    # shellcheck disable=SC2046
    /usr/bin/python3 "$(dirname "$0")/apt_sources.py" "$SL" "$SP" "$work/sources" \
        $(sed -n 's/^[EW]: Failed to fetch \([^ ]*\).*/\1/p' "$work/update.log") > "$work/left-out"
    sed 's/^/install-deps: installing without the suite that failed to update: /' "$work/left-out"
    # A package installed from the left-out suite may have a Multi-Arch sibling to install (its i386 half for
    # Wine's 32-bit half), which must be of the same version: only the suites that updated have one for both. For
    # this one command their versions win over the installed ones, so that apt may take such a package back to
    # it; only the missing packages are asked for, so that what needs no change is left as it is.
    printf 'Package: *\nPin: release o=Debian\nPin-Priority: 1001\n' > "$work/preferences"
    # shellcheck disable=SC2086
    apt-get -o Dir::Etc::SourceList="$work/sources/sources.list" \
        -o Dir::Etc::SourceParts="$work/sources/sources.list.d" -o Dir::Etc::Preferences="$work/preferences" \
        install -y -q --no-install-recommends --allow-downgrades $missing_packages
}

if [ -n "$missing" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    if update_indexes; then
        # shellcheck disable=SC2086
        apt-get install -y -q --no-install-recommends $PACKAGES
    elif ! install_from_updated_suites; then
        {
            echo "install-deps: the packages could not be installed; apt-get update failed for:"
            if grep -q '^[EW]: Failed to fetch' "$work/update.log"; then
                sed -n 's/^[EW]: Failed to fetch /  /p' "$work/update.log"
            else
                tail -n 3 "$work/update.log"
            fi
            echo "install-deps: the package mirror may be in the middle of a sync: run 'make deps' again later"
        } >&2
        exit 1
    fi
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
