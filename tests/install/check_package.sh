#!/usr/bin/env bash
# Builds the Debian package from the build and lets lintian judge it: no error, no warning, and
# none of its hardening notes (library calls not fortified, relocations not bound at start, a
# program that is not position-independent). The changelog's newest entry is the package's
# version. Exit status 77 (skipped) where lintian is not installed.
#
#   check_package.sh BUILD_DIR
set -euo pipefail
BUILD="$1"
command -v lintian >/dev/null || {
    echo "lintian is not installed (scripts/bootstrap installs it)"
    exit 77
}
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$OUT" >/dev/null
deb=$(ls "$OUT"/*.deb)
failures=0

# Tags go to standard output; standard error holds lintian's own remarks (such as running as root).
report=$(lintian --display-info "$deb" 2>/dev/null) || true
bad=$(grep -E '^(E|W): |^I: [^ ]+ hardening-' <<<"$report" || true)
if [ -n "$bad" ]; then
    echo "FAIL: lintian on $(basename "$deb"):"
    echo "$bad"
    failures=$((failures + 1))
fi

version=$(dpkg-deb -f "$deb" Version)
newest=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/orbek-station/changelog.gz |
    gzip -dc | head -1)
[[ "$newest" == "orbek-station ($version) "* ]] ||
    { echo "FAIL: the changelog begins \"$newest\", the package is $version"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] || exit 1
echo "package check: lintian has nothing to say about $(basename "$deb")"
