#!/bin/sh
# The Debian package CPack makes: its control fields and files, and basalt-host run from its
# unpacked contents.
#   package_test.sh <build dir>
set -eu
build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/basalt-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "package_test: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) \
  || { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$(ls "$work"/out/basalt_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "no basalt_*.deb was written"

info=$(dpkg-deb -f "$deb" Package Version Architecture Depends)
echo "$info"
echo "$info" | grep -q '^Package: basalt$' || fail "package name"
for need in libldap libxerces-c libssl libicu; do
  echo "$info" | grep '^Depends:' | grep -q "$need" || fail "Depends lacks $need"
done

dpkg-deb -c "$deb" > "$work/contents"
for f in ./usr/bin/basalt-host ./usr/lib/libBasalt.so.0 ./usr/lib/libAccessAPI.so.0 \
         ./usr/lib/libBasalt.so ./usr/lib/pkgconfig/accessapi.pc ./usr/include/AccessAPI.h \
         ./usr/share/basalt/home/access.conf ./usr/share/basalt/ldap/ridge.ldif \
         ./usr/share/basalt/ldap/ridge-acl.ldif ./usr/share/man/man1/basalt-host.1; do
  grep -q " $f\( ->\|\$\)" "$work/contents" || fail "$f is not in the package"
done

dpkg-deb -x "$deb" "$work/root"
out=$(env -i PATH=/usr/bin:/bin "$work/root/usr/bin/basalt-host" show --help) \
  || fail "the packaged basalt-host does not run"
echo "$out" | grep -q -- "--config" || fail "show --help lacks --config"
echo "package_test: passed ($(basename "$deb"))"
