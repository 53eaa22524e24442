#!/usr/bin/env bash
# Installs everything the build and the test tiers need on a Debian 12 machine.
# Idempotent: every step checks first and does nothing when its work is done.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache_dir=${VELLUM_CACHE_DIR:-/var/cache/vellum}
pcre2_prefix="$cache_dir/pcre2-mingw64"

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

packages=(
    build-essential cmake ninja-build pkg-config git clang-format
    zlib1g-dev libpcre2-dev nlohmann-json3-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools libz-mingw-w64-dev
    wine wine64 xvfb xauth
    libgtk-3-dev libnotify-dev libx11-dev libglib2.0-bin xdg-utils dunst dbus dbus-x11
    zip unzip p7zip-full libzip-dev
    nodejs dpkg-dev locales
    clang libclang-rt-14-dev llvm
    libgtk-3-dev libwebkit2gtk-4.1-dev openbox xdotool x11-utils imagemagick trayer
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The TypeScript compiler that checks the page API's declarations (tests/js/api_types.test.mjs):
# the version pinned by tests/types/package-lock.json, installed again when the lock changes.
types_dir="$here/tests/types"
if [ ! -f "$types_dir/node_modules/typescript/bin/tsc" ] || [ "$types_dir/package-lock.json" -nt "$types_dir/node_modules/.package-lock.json" ]; then
    echo "setup: installing the TypeScript compiler into tests/types/node_modules"
    (cd "$types_dir" && npm ci --no-audit --no-fund --loglevel=error)
fi

# The mingw-w64 compilers must use the posix thread model (std::thread, std::mutex).
for tool in gcc g++; do
    current=$(readlink -f "/usr/bin/x86_64-w64-mingw32-$tool" || true)
    case "$current" in
        *-posix) ;;
        *) as_root update-alternatives --set "x86_64-w64-mingw32-$tool" "/usr/bin/x86_64-w64-mingw32-$tool-posix" >/dev/null ;;
    esac
done

# Locales for Wine: it takes the user's language from LC_ALL, and file names beyond ASCII
# need a UTF-8 locale that the C library really has.
wanted_locales=(en_US es_ES it_IT de_DE fr_FR zh_CN pt_PT)
missing_locales=()
for name in "${wanted_locales[@]}"; do
    locale -a 2>/dev/null | grep -qx "$name.utf8" || missing_locales+=("$name")
done
if [ ${#missing_locales[@]} -gt 0 ]; then
    echo "setup: generating locales ${missing_locales[*]}"
    for name in "${missing_locales[@]}"; do
        as_root sed -i "s/^# *\($name.UTF-8 UTF-8\)/\1/" /etc/locale.gen
        grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
    done
    as_root locale-gen >/dev/null
fi

# PCRE2 for mingw-w64: built once from Debian's own source package into a cache outside the repo.
if [ ! -f "$pcre2_prefix/lib/libpcre2-8.a" ]; then
    sources=/etc/apt/sources.list.d/vellum-deb-src.sources
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
        echo "setup: adding a deb-src entry for Debian's source packages"
        as_root tee "$sources" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        as_root apt-get update -q
    fi
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    echo "setup: building PCRE2 for mingw-w64 into $pcre2_prefix"
    (cd "$work" && apt-get source -q --download-only pcre2 >/dev/null && dpkg-source -x pcre2_*.dsc src >/dev/null)
    as_root mkdir -p "$cache_dir"
    cmake -S "$work/src" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$pcre2_prefix" \
        -DBUILD_SHARED_LIBS=OFF -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=ON \
        -DPCRE2_BUILD_TESTS=OFF -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_SUPPORT_JIT=OFF >/dev/null
    cmake --build "$work/build" >/dev/null
    as_root cmake --install "$work/build" >/dev/null
fi

# A Wine prefix of our own, made once; tests run in it with a persistent wineserver.
export WINEPREFIX=${WINEPREFIX:-$cache_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setup: creating the Wine prefix $WINEPREFIX"
    as_root mkdir -p "$WINEPREFIX"
    [ "$(id -u)" -eq 0 ] || as_root chown "$(id -u):$(id -g)" "$WINEPREFIX"
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init >/dev/null 2>&1
    wineserver -w
fi
echo "setup: done"
