# `cpack -G DEB` makes quorlith_<version>_<arch>.deb holding the program, the data set, the
# desktop entry, the icon and the man page and nothing of the tests or benchmarks; its
# dependencies come from the program's libraries (SDL2 among them), ffmpeg is recommended.
source "$(dirname "$0")/lib/common.bash"
make_scratch

cpack -G DEB -B "$SCRATCH" --config "$BUILD_DIR/CPackConfig.cmake" >"$SCRATCH/cpack.txt" 2>&1 ||
    fail "cpack failed: $(cat "$SCRATCH/cpack.txt")"
version=$("$QUORLITH" --version | sed -n 's/^quorlith //p')
deb="$SCRATCH/quorlith_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb; cpack made: $(ls "$SCRATCH")"

dpkg-deb -c "$deb" | awk '{print $NF}' >"$SCRATCH/contents.txt"
for path in bin/quorlith share/quorlith/data/start.bmp share/quorlith/data/music/track.mp3 \
    share/quorlith/data/textures/org2.png share/quorlith/data/3d/sea1.obj \
    share/quorlith/data/shaders/blur.frag share/applications/quorlith.desktop \
    share/icons/hicolor/48x48/apps/quorlith.png share/man/man6/quorlith.6.gz; do
    grep -qx "./usr/$path" "$SCRATCH/contents.txt" || fail "the package lacks /usr/$path"
done
! grep -Ei 'test|bench|gtest|gmock|\.a$|\.h$' "$SCRATCH/contents.txt" ||
    fail "the package holds build or test files"

field() { dpkg-deb -f "$deb" "$1"; }
field Depends | grep -q 'libsdl2-2\.0-0' || fail "Depends does not name SDL2: $(field Depends)"
[ "$(field Recommends)" = "ffmpeg" ] || fail "Recommends is '$(field Recommends)', not ffmpeg"
[ "$(field Section)" = "games" ] || fail "Section is '$(field Section)'"
[ -n "$(field Description)" ] && [ -n "$(field Maintainer)" ] || fail "no description or maintainer"
echo "PASS install_package"
