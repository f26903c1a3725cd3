# `cpack -G DEB` makes quorlith_<version>-<revision>_<arch>.deb holding the program (in
# /usr/games: section games), the data set, the desktop entry, the icon, the AppStream
# metainfo, the man page, the Debian copyright and changelog and the lintian overrides, and
# nothing of the tests or benchmarks; its dependencies come from the program's libraries
# (SDL2 among them), ffmpeg is recommended. lintian finds no error and no warning in it beyond
# the overridden ones, the metainfo validates, and the packaged program finds its data.
source "$(dirname "$0")/lib/common.bash"
make_scratch
SOURCE_DIR=$(cd "$E2E_LIB/../../.." && pwd)
APP_ID=org.example.quorlith

for tool in lintian appstreamcli; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup-debian.sh installs it)"
done

cpack -G DEB -B "$SCRATCH" --config "$BUILD_DIR/CPackConfig.cmake" >"$SCRATCH/cpack.txt" 2>&1 ||
    fail "cpack failed: $(cat "$SCRATCH/cpack.txt")"
version=$("$QUORLITH" --version | sed -n 's/^quorlith //p')
debs=("$SCRATCH"/quorlith_"$version"-*_"$(dpkg --print-architecture)".deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] ||
    fail "no single quorlith_$version-<revision> package; cpack made: $(ls "$SCRATCH")"
deb=${debs[0]}

dpkg-deb -c "$deb" | awk '{print $NF}' >"$SCRATCH/contents.txt"
for path in games/quorlith share/quorlith/data/start.bmp share/quorlith/data/music/track.mp3 \
    share/quorlith/data/textures/org2.png share/quorlith/data/3d/sea1.obj \
    share/quorlith/data/shaders/blur.frag share/applications/$APP_ID.desktop \
    share/metainfo/$APP_ID.metainfo.xml share/icons/hicolor/48x48/apps/quorlith.png \
    share/man/man6/quorlith.6.gz share/doc/quorlith/copyright \
    share/doc/quorlith/changelog.Debian.gz share/lintian/overrides/quorlith; do
    grep -qx "./usr/$path" "$SCRATCH/contents.txt" || fail "the package lacks /usr/$path"
done
! grep -x './usr/bin/.*' "$SCRATCH/contents.txt" || fail "the package has programs in /usr/bin"
! grep -Ei 'test|bench|gtest|gmock|\.a$|\.h$' "$SCRATCH/contents.txt" ||
    fail "the package holds build or test files"

field() { dpkg-deb -f "$deb" "$1"; }
field Depends | grep -q 'libsdl2-2\.0-0' || fail "Depends does not name SDL2: $(field Depends)"
[ "$(field Recommends)" = "ffmpeg" ] || fail "Recommends is '$(field Recommends)', not ffmpeg"
[ "$(field Section)" = "games" ] || fail "Section is '$(field Section)'"
[ -n "$(field Description)" ] && [ -n "$(field Maintainer)" ] || fail "no description or maintainer"

root="$SCRATCH/root"
dpkg-deb -x "$deb" "$root"
doc="$root/usr/share/doc/quorlith"
gzip -dc "$doc/changelog.Debian.gz" >"$SCRATCH/changelog" || fail "the changelog is no gzip file"
changelog_version=$(dpkg-parsechangelog -l "$SCRATCH/changelog" -S Version) ||
    fail "the changelog does not parse"
[ "$changelog_version" = "$(field Version)" ] ||
    fail "the changelog's newest entry is $changelog_version, the package $(field Version)"
# The copyright file carries the whole licence text of LICENSE.
words() { tr -s ' \n' '  '; }
licence=$(sed -n '/^Permission is hereby granted/,/^SOFTWARE\.$/p' "$SOURCE_DIR/LICENSE" | words)
expat=$(sed -n '/^License: Expat$/,/^$/{/^ /p}' "$doc/copyright" | sed 's/^ //; s/^\.$//' | words)
[ -n "$licence" ] && [[ "$expat" == *"$licence"* ]] ||
    fail "the copyright file's Expat licence is not the text of LICENSE"

lintian --fail-on error,warning "$deb" >"$SCRATCH/lintian.txt" 2>&1 ||
    fail "lintian: $(cat "$SCRATCH/lintian.txt")"
metainfo="$root/usr/share/metainfo/$APP_ID.metainfo.xml"
desktop="$root/usr/share/applications/$APP_ID.desktop"
appstreamcli validate --no-net "$metainfo" >"$SCRATCH/appstream.txt" 2>&1 ||
    fail "the metainfo does not validate: $(cat "$SCRATCH/appstream.txt")"
# validate-tree also looks for the desktop entry the metainfo launches.
appstreamcli validate-tree --no-net "$root" >"$SCRATCH/appstream.txt" 2>&1 ||
    fail "the installed tree does not validate: $(cat "$SCRATCH/appstream.txt")"
desktop_categories=$(sed -n 's/^Categories=//p' "$desktop" | tr ';' '\n' | sed '/^$/d' | sort)
metainfo_categories=$(sed -n 's|.*<category>\(.*\)</category>.*|\1|p' "$metainfo" | sort)
[ -n "$desktop_categories" ] && [ "$desktop_categories" = "$metainfo_categories" ] ||
    fail "categories: desktop entry '$desktop_categories', metainfo '$metainfo_categories'"

# The packaged program, run from elsewhere, finds the data set from /usr/games.
(cd "$SCRATCH" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
    timeout 120 "$root/usr/games/quorlith" --shot 100 --out "$SCRATCH/shot" >/dev/null \
    2>"$SCRATCH/shot.err") || fail "packaged program: $(cat "$SCRATCH/shot.err")"
! grep -q "no data folder" "$SCRATCH/shot.err" && [ -s "$SCRATCH/shot/shot-100000.png" ] ||
    fail "the packaged program does not find its data: $(cat "$SCRATCH/shot.err")"
echo "PASS install_package"
