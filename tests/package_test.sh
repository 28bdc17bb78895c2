#!/usr/bin/env bash
# Builds the program as released (no sanitizers), installs it into a staging
# tree, makes the Debian package and checks the files and dependencies of both,
# the manual page, and that lintian finds nothing to warn about.
# Usage: package_test.sh SOURCE-DIR WORK-DIR
set -euo pipefail
src=$1
work=$2
build=$work/build

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF \
    -DCORVANE_SANITIZE=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# cmake --install
stage=$work/stage
rm -rf "$stage"
cmake --install "$build" --prefix "$stage/usr" >/dev/null
installed=(bin/corvane share/applications/corvane.desktop share/icons/hicolor/scalable/apps/corvane.svg
    share/man/man1/corvane.1.gz share/doc/corvane/copyright share/doc/corvane/changelog.gz)
for f in "${installed[@]}"; do
    [ -f "$stage/usr/$f" ] || fail "cmake --install left out $f"
done
desktop-file-validate "$stage/usr/share/applications/corvane.desktop" || fail "desktop entry is not valid"
grep -q "<svg" "$stage/usr/share/icons/hicolor/scalable/apps/corvane.svg" || fail "icon is not SVG"

# cpack -G DEB
rm -f "$build"/corvane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/corvane_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: cpack made no single .deb"; exit 1; }
deb=${debs[0]}

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in "${installed[@]}"; do
    grep -qxF "./usr/$f" <<<"$contents" || fail "package lacks /usr/$f"
done
grep -q "corvane_tests\|\.a$\|/include/" <<<"$contents" && fail "package holds build or test files"

depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6core6 libqt6gui6 libqt6widgets6 fonts-dejavu-core; do
    grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
grep -qE "libasan|libubsan|qt6-base-dev" <<<"$depends" && fail "Depends names a build package: $depends"
[ "$(dpkg-deb -f "$deb" Package)" = corvane ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"

# The packaged program runs (help needs no display).
unpacked=$work/unpacked
rm -rf "$unpacked"
dpkg-deb -x "$deb" "$unpacked"
"$unpacked/usr/bin/corvane" --help | grep -q -- "--port" || fail "packaged program does not run"

# Errors and warnings alike; lintian refuses to be quiet about running as root.
lintian --fail-on error,warning "$deb" 2> >(grep -v "running with root privileges" >&2) ||
    fail "lintian finds fault with the package"
version=$(dpkg-deb -f "$deb" Version)
zcat "$unpacked/usr/share/doc/corvane/changelog.gz" | head -1 | grep -qF "corvane ($version)" ||
    fail "the changelog's latest entry is not version $version"

# The manual renders cleanly and its options are the program's own.
page=$unpacked/usr/share/man/man1/corvane.1.gz
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man page warnings: $warnings"
manual=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
for option in $("$unpacked/usr/bin/corvane" --help | grep -oE -- "--[a-z][a-z-]*" | sort -u); do
    grep -qF -- "$option" <<<"$manual" || fail "man page lacks $option"
done

if [ "$failed" = 0 ]; then
    echo "package: $(basename "$deb"), Depends: $depends"
fi
exit "$failed"
