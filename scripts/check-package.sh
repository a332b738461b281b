#!/usr/bin/env bash
# Checks the Debian package that `make package` built: it holds the program, the desktop
# entry, the icon and the man page, names the packages the program needs at run time and
# carries the project's version; its program, unpacked into a temporary folder, makes a
# new database that passes check-db and reads an Access file.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}

fail() {
  echo "check-package: $*" >&2
  exit 1
}

version=$(sed -n 's/^project(vorda VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no project version in CMakeLists.txt"
deb="$build_dir/package/vorda_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no package $deb"

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/vorda ./usr/share/applications/vorda.desktop \
         ./usr/share/icons/hicolor/scalable/apps/vorda.svg ./usr/share/man/man1/vorda.1.gz \
         ./usr/share/doc/vorda/copyright; do
  grep -q " $f\$" <<<"$contents" || fail "$f is not in the package"
done

dpkg-deb -I "$deb" >/dev/null || fail "the package's control data cannot be read"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
# Loaded at run time (not seen by dpkg-shlibdeps), then linked.
for p in libqt6sql6-sqlite qt6-translations-l10n fonts-ipafont-mincho fonts-ipafont-gothic \
         libmdb3 libqt6widgets6 libqt6printsupport6; do
  grep -Eq "(^|, )$p( |,|\$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp/root"
desktop-file-validate "$tmp/root/usr/share/applications/vorda.desktop" ||
  fail "the desktop entry does not validate"
vorda="$tmp/root/usr/bin/vorda"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config"
"$vorda" init-db "$tmp/新規.db" >/dev/null || fail "init-db of the package's program failed"
"$vorda" check-db "$tmp/新規.db" >"$tmp/check.txt" || fail "check-db of a new file failed"
grep -q '^VORDA工事: 0 件$' "$tmp/check.txt" || fail "check-db did not count the tables"
# The Access reader is linked and refuses a file without our tables, making nothing.
if "$vorda" import-mdb tests/data/node-adodb.mdb "$tmp/import.db" 2>"$tmp/import.txt"; then
  fail "import-mdb took a file without our tables"
fi
grep -q '次の表がありません: 社員' "$tmp/import.txt" || fail "import-mdb: $(cat "$tmp/import.txt")"
[ ! -e "$tmp/import.db" ] || fail "import-mdb left a file behind"
echo "check-package: $deb is sound"
