#!/usr/bin/env bash
# The installed tree: `cmake --install` into a temporary prefix puts the
# programs, the desktop entry, the metainfo, the icons, the manual pages and
# the help where GNUInstallDirs says; desktop-file-validate and appstreamcli
# accept the entry and the metainfo; the installed programs answer --version,
# the renderer paints from there, and the window finds its help there.
#   tests/e2e/install_tree.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
prefix=$(mktemp -d /tmp/nerovan-install.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps)"; exit 1; }
done

cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 ||
    { cat "$prefix.log"; rm -f "$prefix.log"; echo "FAIL: cmake --install"; exit 1; }
rm -f "$prefix.log"

id=io.nerovan.Nerovan
icons=share/icons/hicolor
expected=(bin/nerovan bin/nerovan-render
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml
    $icons/scalable/apps/$id.svg
    share/man/man1/nerovan.1 share/man/man1/nerovan-render.1
    share/doc/nerovan/NerovanHelp.html share/doc/nerovan/img/sum.png)
for size in 16 24 32 48 64 128 256; do expected+=("$icons/${size}x$size/apps/$id.png"); done
for f in "${expected[@]}"; do [ -s "$prefix/$f" ] || fail "$f is not installed"; done
for f in bin/nerovan bin/nerovan-render; do [ -x "$prefix/$f" ] || fail "$f is not executable"; done
# Each bitmap is a PNG of its own size.
for size in 16 24 32 48 64 128 256; do
    png="$prefix/$icons/${size}x$size/apps/$id.png"
    [ -s "$png" ] || continue
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x$size" ] || fail "the $size-pixel icon is $dims"
done
for page in nerovan nerovan-render; do
    head -1 "$prefix/share/man/man1/$page.1" | grep -qi "^\.TH $page 1 " || fail "$page.1 is no manual page"
done

desktop-file-validate "$prefix/share/applications/$id.desktop" | grep -v ': hint: ' | grep . &&
    fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli validate"
grep -q '<release version="1.2" date="2026-12-10"' "$prefix/share/metainfo/$id.metainfo.xml" ||
    fail "the metainfo names another release"

# The installed programs, run from elsewhere so nothing of the build is near.
cd "$prefix"
[ "$("$prefix/bin/nerovan-render" --version)" = "nerovan-render 1.2" ] || fail "nerovan-render --version"
[ "$(QT_QPA_PLATFORM=offscreen "$prefix/bin/nerovan" --version)" = "nerovan 1.2" ] ||
    fail "nerovan --version"
"$prefix/bin/nerovan-render" 'sum(i=1, n, x_i^2)' -o "$prefix/sum.png" || fail "the installed renderer"
[ "$(head -c 8 "$prefix/sum.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    fail "the installed renderer wrote no PNG"
# The window looks for its help in ../share/doc/nerovan from its own folder
# (app_test_help_window checks that rule).
[ -s "$prefix/bin/../share/doc/nerovan/NerovanHelp.html" ] || fail "no help beside the window program"

[ "$failed" -eq 0 ] || { echo "FAIL: $failed checks of the installed tree"; exit 1; }
echo "installed tree complete"
