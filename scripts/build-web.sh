#!/usr/bin/env bash
# Builds the demo for web browsers into build-web/site/: index.html and what it loads
# (quorlith.js, quorlith.wasm, quorlith.data with the data set, the start picture).
#
# The data set comes from the native build (its generator runs natively); libpng and zlib are
# compiled for the web from Debian's own sources, which apt-get source fetches (setup-debian.sh
# adds the source lines). Needs emscripten, as setup-debian.sh installs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
native=${QUORLITH_NATIVE_BUILD:-build}
case $native in
/*) ;;
*) native=$root/$native ;;
esac
out=build-web
site=$out/site

# Debian's optimiser passes need the system's node modules.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# 1. The data set.
if [ ! -f "$native/CMakeCache.txt" ]; then
    cmake -S . -B "$native" -G Ninja
fi
cmake --build "$native" --target quorlith_data quorlith_shaders

# 2. libpng and zlib sources, once.
mkdir -p "$out/deps"
if ! compgen -G "$out/deps/zlib-*/zlib.h" >/dev/null || \
   ! compgen -G "$out/deps/libpng1.6-*/png.h" >/dev/null; then
    (cd "$out/deps" && apt-get source -qq libpng1.6 zlib) || {
        echo "build-web: apt-get source libpng1.6 zlib failed; run scripts/setup-debian.sh" \
             "(it adds Debian's source lines)" >&2
        exit 1
    }
fi

# 3. The wasm.
emcmake cmake -S . -B "$out/wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUORLITH_WEB_DEPS_SOURCE="$root/$out/deps" -DQUORLITH_WEB_DATA="$native/data" >/dev/null
cmake --build "$out/wasm"

# 4. The site.
rm -rf "$site"
mkdir -p "$site"
cp "$out/wasm/quorlith.js" "$out/wasm/quorlith.wasm" "$out/wasm/quorlith.data" "$site/"
cp "$native/data/start.bmp" "$site/"
if [ -d src/web/page ]; then
    cp src/web/page/* "$site/"
fi
echo "build-web: the site is in $site ($(du -sh "$site" | cut -f1))"
