#!/bin/sh
# cmake --install into a temporary prefix, moved to another folder, then used the way a user
# would: basalt-host run from there with no environment pointing anywhere, and a C program built
# against the installed header with pkg-config.
#   install_test.sh <build dir> <smoke.c> [extra C flags]
set -eu
build=$1 smoke=$2 cflags=${3:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/basalt-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/stage" >/dev/null
# Moving the tree proves nothing in it points at where it was installed.
mv "$work/stage" "$work/moved"
prefix=$work/moved

for f in lib/libBasalt.so lib/libAccessAPI.so lib/pkgconfig/accessapi.pc \
         include/AccessAPI.h include/VOR_AAA_Interface.h bin/basalt-host \
         share/basalt/home/access.conf share/basalt/home/messages/VOR_AAA_en.msg \
         share/basalt/ldap/ridge.schema share/basalt/ldap/ridge.ldif \
         share/basalt/ldap/ridge-acl.conf share/basalt/ldap/ridge-acl.ldif \
         share/basalt/ldap/ridge-example.ldif share/basalt/sample/namespace.xml \
         share/man/man1/basalt-host.1; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
[ ! -e "$prefix/share/basalt/home/keys" ] || fail "a key folder was installed"
for lib in Basalt AccessAPI; do
  objdump -p "$prefix/lib/lib$lib.so" | grep -q "SONAME *lib$lib.so.0\$" \
    || fail "lib$lib.so has no SONAME lib$lib.so.0"
  [ -L "$prefix/lib/lib$lib.so" ] || fail "lib$lib.so is not the link to the versioned file"
  if readelf -d "$prefix/lib/lib$lib.so" | grep -E 'R(UN)?PATH' | grep -q "$build"; then
    fail "lib$lib.so still searches the build tree"
  fi
done
objdump -p "$prefix/lib/libBasalt.so" | grep -q 'NEEDED *libAccessAPI.so.0$' \
  || fail "libBasalt.so does not need libAccessAPI.so.0"
man -l "$prefix/share/man/man1/basalt-host.1" >/dev/null 2>&1 || [ ! -x /usr/bin/man ] \
  || fail "the manual page does not format"

# The home found next to the moved library is the one in use: mark one of its texts.
sed -i 's/^-108 /-108 [moved home] /' "$prefix/share/basalt/home/srvcmsgs_en.msg"
cat > "$work/ns.xml" <<'XML'
<instance name="Install test" class="Ridge">
  <parameter name="id"><value>installed</value></parameter>
  <parameter name="connection"><value>127.0.0.1:1</value></parameter>
  <parameter name="baseDN"><value>dc=example,dc=com</value></parameter>
  <parameter name="namespace"><value>Ridge</value></parameter>
  <parameter name="timeOut"><value>5</value></parameter>
</instance>
XML
run() { (cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" "$@"); }
out=$(run "$prefix/bin/basalt-host") || fail "basalt-host alone failed"
echo "$out" | grep -q "check" || fail "basalt-host alone does not list its commands"
status=0
out=$(run "$prefix/bin/basalt-host" check -c ns.xml) || status=$?
echo "$out"
[ $status -eq 1 ] || fail "check of an unreachable server exited $status, not 1"
echo "$out" | grep -q '^  \[ok\]   the configuration document' || fail "document step missing"
echo "$out" | grep -q '\[FAIL\] reach the directory server at 127.0.0.1:1: \[moved home\]' \
  || fail "the reach step did not fail with the moved home's text"

# A program of our own against the installed header and library, found with pkg-config.
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# shellcheck disable=SC2046,SC2086
cc $cflags -o "$work/smoke" "$smoke" $(pkg-config --cflags --libs accessapi) \
  || fail "the smoke program does not build against the installed header"
pkg-config --cflags accessapi | grep -q -- "-I$prefix/include" \
  || pkg-config --cflags accessapi | grep -q -- "-I$work/moved/lib/pkgconfig/../../include" \
  || fail "accessapi.pc does not point at the installed headers"
LD_LIBRARY_PATH="$prefix/lib" "$work/smoke" "$prefix/share/basalt/home" \
  | grep -q 'AS_CheckConfiguration(1) = -31: No directory server is configured.' \
  || fail "the smoke program did not run against the installed library"
echo "install_test: passed"
