#!/usr/bin/env bash
# Makes the Debian package as the linux preset does (a release build of the
# batch program alone, then CPack) in a folder of this build, and checks it:
# its fields and Depends, its files, and the program it installs.
# Usage: make_deb_package.sh SOURCE_DIR PACKAGE_BUILD_DIR VERSION
set -euo pipefail
source_dir=$1
build=$2
version=$3
out=$build/package
log=$build/../deb-package.log

fail() {
  echo "make_deb_package: $*" >&2
  exit 1
}

mkdir -p "$build"
rm -f "$out"/*.deb "$out/SHA256SUMS"
{
  cmake --preset linux -S "$source_dir" -B "$build" &&
    cmake --build "$build" --target tarnvex-cli -j 2 &&
    (cd "$build" && timeout 300 cpack --config CPackConfig.cmake)
} >"$log" 2>&1 || {
  tail -40 "$log"
  fail "configure, build or cpack failed"
}

architecture=$(dpkg --print-architecture)
deb=$out/tarnvex-cli_${version}_$architecture.deb
[ -s "$deb" ] || fail "$deb was not written: $(ls "$out")"
[ "$(wc -l <"$out/SHA256SUMS")" -eq 1 ] || fail "SHA256SUMS should list one file: $(cat "$out/SHA256SUMS")"
(cd "$out" && sha256sum --check --strict --quiet SHA256SUMS) || fail "SHA256SUMS does not match the package"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = tarnvex-cli ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$architecture" ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
for library in libcurl4 libicu72; do
  grep -Eq "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done

# One program, owned by root, in /usr/bin, with its manual page, copyright and changelog.
listing=$(dpkg-deb --contents "$deb" | awk '{print $1, $2, $6}' | sort -k3)
wanted="drwxr-xr-x root/root ./usr/
drwxr-xr-x root/root ./usr/bin/
-rwxr-xr-x root/root ./usr/bin/tarnvex-cli
drwxr-xr-x root/root ./usr/share/
drwxr-xr-x root/root ./usr/share/doc/
drwxr-xr-x root/root ./usr/share/doc/tarnvex-cli/
-rw-r--r-- root/root ./usr/share/doc/tarnvex-cli/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/tarnvex-cli/copyright
drwxr-xr-x root/root ./usr/share/man/
drwxr-xr-x root/root ./usr/share/man/man1/
-rw-r--r-- root/root ./usr/share/man/man1/tarnvex-cli.1.gz"
[ "$listing" = "$wanted" ] || fail "the package holds:
$listing"

# The program as installed: stripped, and it runs from the unpacked tree.
unpacked=$build/unpacked
rm -rf "$unpacked"
dpkg-deb --extract "$deb" "$unpacked"
program=$unpacked/usr/bin/tarnvex-cli
if readelf --section-headers "$program" | grep -q '\.symtab'; then fail "tarnvex-cli is not stripped"; fi
"$program" --version | grep -qF "$version" || fail "tarnvex-cli --version does not name $version"
# The manual page names every option --help names.
manual=$(zcat "$unpacked/usr/share/man/man1/tarnvex-cli.1.gz")
for option in $("$program" --help | grep -oE '^ +(-h, )?--[a-z-]+' | grep -oE -- '--[a-z-]+'); do
  grep -qF -- "${option//-/\\-}" <<<"$manual" || fail "the manual page lacks $option"
done

# Debian's own checks, errors and warnings alike.
lintian --fail-on error,warning "$deb" || fail "lintian finds fault with $deb"
ls -l "$deb" | awk '{print $5, $9}'
echo "Depends: $depends"
