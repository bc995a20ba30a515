#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop and a terminal find
# there: the programs (each answering --help from the installed path), a compressed man page per
# program naming every option the program's --help lists and no option it does not, the desktop
# entry, its icons, the AppStream metainfo, the copyright and the compressed changelog, each clean
# under its validator when the validator is on the machine.
#
#   check_install.sh BUILD_DIR
set -euo pipefail
BUILD="$1"
PREFIX="$(mktemp -d)"
trap 'rm -rf "$PREFIX"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null

ID=org.orbek.station
SHARE="$PREFIX/share"
for f in applications/$ID.desktop metainfo/$ID.metainfo.xml \
    icons/hicolor/scalable/apps/$ID.svg icons/hicolor/48x48/apps/$ID.png \
    icons/hicolor/256x256/apps/$ID.png doc/orbek-station/copyright doc/orbek-station/changelog.gz; do
    [ -s "$SHARE/$f" ] || fail "missing $f"
done

# The PNGs are the sizes their folders say (width and height from the IHDR chunk).
for size in 48 256; do
    png="$SHARE/icons/hicolor/${size}x${size}/apps/$ID.png"
    [ -s "$png" ] || continue
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "$png is $dims"
done

# The desktop entry starts an installed program with an installed icon, and the metainfo
# names that entry.
desktop="$SHARE/applications/$ID.desktop"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" | head -1)
[ -x "$PREFIX/bin/$exec_program" ] || fail "Exec=$exec_program is not installed"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = "$ID" ] || fail "Icon= is not $ID"
grep -q "<launchable type=\"desktop-id\">$ID.desktop</launchable>" \
    "$SHARE/metainfo/$ID.metainfo.xml" || fail "the metainfo does not launch $ID.desktop"
if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
    [ -z "$out" ] || fail "desktop-file-validate: $out"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$SHARE/metainfo/$ID.metainfo.xml" >/dev/null 2>&1 ||
        fail "appstreamcli: $(appstreamcli validate --no-net "$SHARE/metainfo/$ID.metainfo.xml")"
fi

# Each program runs from the prefix, needs no display for --help, and its man page renders
# without warnings and names every option the help lists.
for program in orbek-station orbek-sim orbek-replay; do
    [ -x "$PREFIX/bin/$program" ] || {
        fail "$program is not installed"
        continue
    }
    page="$SHARE/man/man1/$program.1.gz"
    [ -s "$page" ] || {
        fail "no man page for $program"
        continue
    }
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PREFIX/bin/$program" --help 2>&1) ||
        fail "$program --help failed: $help"
    command -v man >/dev/null || continue
    warnings=$(MANWIDTH=100 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $program: $warnings"
    text=$(MANWIDTH=200 man --no-hyphenation --no-justification -l "$page" 2>/dev/null)
    grep -q "^NAME" <<<"$text" || fail "man $program renders no NAME section"
    for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
        grep -q -- "$option" <<<"$text" || fail "man $program does not name $option"
    done
    # The other way round: each option the OPTIONS section describes (its tag lines, indented
    # seven blanks) is one --help lists.
    documented=$(sed -n '/^OPTIONS/,/^[A-Z]/p' <<<"$text" | sed -n 's/^       \(-[^ ]*\( -[^ ]*\)*\).*/\1/p')
    for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$documented" | sort -u); do
        grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$help" ||
            fail "--help of $program does not list $option"
    done
done

[ "$failures" -eq 0 ] || exit 1
echo "install check: every file in place"
