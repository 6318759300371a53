#!/usr/bin/env bash
# The Debian package, made by CPack from the build folder: lintian finds no error in it, its
# desktop entry, AppStream metadata and manual pages are valid, it holds every file expected and
# depends on what the window needs, and its programs, unpacked, start as documented
# (start_test.sh on the unpacked root).
# Usage: package_test.sh BUILD_DIR VERSION APPSTREAM_ID PROGRAM...
set -euo pipefail
build=$1
version=$2
id=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cpack -G DEB -B "$work/cpack" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(echo "$work/cpack/quillet_${version}_"*.deb)
[ -f "$deb" ] || fail "no package quillet_${version}_*.deb"

lintian --fail-on error "$deb" || fail "lintian reports errors"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libcairo2 libpangocairo-1.0-0 fonts-wqy-microhei fonts-wqy-zenhei \
  fonts-noto-cjk qt6-translations-l10n; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share
expected=(applications/quillet.desktop "metainfo/$id.metainfo.xml"
  icons/hicolor/scalable/apps/quillet.svg doc/quillet/copyright doc/quillet/changelog.gz)
for program in "$@"; do
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program missing"
  expected+=("man/man1/$program.1.gz")
done
for file in "${expected[@]}"; do
  [ -s "$share/$file" ] || fail "usr/share/$file missing"
done
for size in 16 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/quillet.png
  [ "$(od -An -tu4 --endian=big -j16 -N8 "$png" 2>/dev/null | xargs)" = "$size $size" ] ||
    fail "no ${size}x$size icon"
done
diff <(cd "$here/../../data" && ls -- *.txt) <(ls "$share/quillet") ||
  fail "usr/share/quillet is not the shipped genealogy"

desktop-file-validate "$share/applications/quillet.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
for page in "$share"/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
done

bash "$here/start_test.sh" "$root/usr/bin" "$version" "$@"
echo "the package is complete and valid"
