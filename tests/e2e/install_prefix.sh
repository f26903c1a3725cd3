# Installed with `cmake --install` into a prefix that is then moved, the program finds its
# data from another working folder and renders the same frame as the build does; a lone copy
# of the program says which places it looked in. The desktop entry validates, the icons, the
# AppStream metainfo and the licence are there and nothing only the Debian package needs, and
# the man page documents every --help option and its hand-written sections.
source "$(dirname "$0")/lib/common.bash"
make_scratch

cmake --install "$BUILD_DIR" --prefix "$SCRATCH/first" >"$SCRATCH/install.txt" ||
    fail "cmake --install failed: $(cat "$SCRATCH/install.txt")"
mv "$SCRATCH/first" "$SCRATCH/moved"
prefix="$SCRATCH/moved"
mkdir "$SCRATCH/work" "$SCRATCH/lone"
cp "$prefix/bin/quorlith" "$SCRATCH/lone/"

# The frame at 100 s from program $1 into folder $2, run from a folder without data.
shot() {
    (cd "$SCRATCH/work" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
        SDL_AUDIODRIVER=dummy timeout 120 "$1" --shot 100 --out "$2" >/dev/null 2>"$2.err")
}
shot "$QUORLITH" "$SCRATCH/built" || fail "built program: $(cat "$SCRATCH/built.err")"
shot "$prefix/bin/quorlith" "$SCRATCH/installed" ||
    fail "installed program: $(cat "$SCRATCH/installed.err")"
cmp -s "$SCRATCH/built/shot-100000.png" "$SCRATCH/installed/shot-100000.png" ||
    fail "the installed program's frame differs from the build's: $(cat "$SCRATCH/installed.err")"
shot "$SCRATCH/lone/quorlith" "$SCRATCH/none"
grep -qF "quorlith: no data folder found (looked in $SCRATCH/lone/data, \
$SCRATCH/share/quorlith/data, data)" "$SCRATCH/none.err" ||
    fail "no data folder, but no message naming the places: $(cat "$SCRATCH/none.err")"

desktop="$prefix/share/applications/org.example.quorlith.desktop"
desktop-file-validate "$desktop" || fail "$desktop does not validate"
grep -qx "Exec=quorlith" "$desktop" || fail "the desktop entry does not start quorlith"
for size in 48x48 128x128; do
    [ -s "$prefix/share/icons/hicolor/$size/apps/quorlith.png" ] || fail "no $size icon"
done
[ -s "$prefix/share/metainfo/org.example.quorlith.metainfo.xml" ] || fail "no AppStream metainfo"
[ -s "$prefix/share/doc/quorlith/LICENSE" ] || fail "no LICENSE"
for path in games share/lintian share/doc/quorlith/copyright share/doc/quorlith/changelog.Debian.gz; do
    [ ! -e "$prefix/$path" ] || fail "the prefix holds the Debian package's $path"
done

man="$SCRATCH/quorlith.6"
gzip -dc "$prefix/share/man/man6/quorlith.6.gz" >"$man" || fail "no man page"
grep -qF "$("$QUORLITH" --version)" "$man" || fail "the man page does not carry the version"
for option in $("$QUORLITH" --help | sed -n 's/^  --\([a-z-]*\).*/\1/p'); do
    sed 's/\\-/-/g' "$man" | grep -qF -- "--$option" || fail "the man page misses --$option"
done
for text in '.SH KEYS' 'Left, Right' '.SH "EXIT STATUS"' '.B 255' '.SH ENVIRONMENT' \
    '.B VIEWING_GAMMA' '.B SDL_VIDEODRIVER' '.B SDL_AUDIODRIVER' '.SH FILES'; do
    grep -qF -- "$text" "$man" || fail "the man page has no '$text'"
done
echo "PASS install_prefix"
