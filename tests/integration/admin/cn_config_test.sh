#!/bin/bash
# The administrator's path on a slapd configured through cn=config: a private slapd with a
# cn=config database, then, as README.md tells: the service identity, the Ridge schema loaded
# with ldapadd -Y EXTERNAL, the access rules with ldapmodify, the example namespace; and
# basalt-host check naming the missing schema before and passing every step after.
#   cn_config_test.sh <ldap forms dir> <source dir> <basalt-host> <libBasalt.so>
set -euo pipefail
forms=$1 source=$2 host=$3 provider=$4
slapd=${SLAPD:-/usr/sbin/slapd}
slapadd=${SLAPADD:-/usr/sbin/slapadd}
work=$(mktemp -d "${TMPDIR:-/tmp}/basalt-cnconfig.XXXXXX")
fail() { echo "cn_config_test: $*" >&2; [ -f "$work/slapd.log" ] && cat "$work/slapd.log" >&2; exit 1; }
cleanup() {
  if [ -f "$work/slapd.pid" ]; then
    kill "$(cat "$work/slapd.pid")" 2>/dev/null || true
    for _ in $(seq 1 50); do [ -f "$work/slapd.pid" ] || break; sleep 0.1; done
  fi
  rm -rf "$work"
}
trap cleanup EXIT

base=dc=example,dc=com
service="cn=ridge-service,$base"
peer="gidNumber=$(id -g)+uidNumber=$(id -u),cn=peercred,cn=external,cn=auth"
ldapi="ldapi://$(printf '%s' "$work/ldapi" | sed 's|/|%2F|g')"
mkdir -p "$work/slapd.d" "$work/db"
cat > "$work/config.ldif" <<LDIF
dn: cn=config
objectClass: olcGlobal
cn: config
olcPidFile: $work/slapd.pid

dn: cn=module{0},cn=config
objectClass: olcModuleList
cn: module{0}
olcModulePath: ${RIDGE_MODULE_DIR:-/usr/lib/ldap}
olcModuleLoad: back_mdb
olcModuleLoad: ppolicy

dn: cn=schema,cn=config
objectClass: olcSchemaConfig
cn: schema

include: file:///etc/ldap/schema/core.ldif
include: file:///etc/ldap/schema/cosine.ldif
include: file:///etc/ldap/schema/inetorgperson.ldif

dn: olcDatabase={-1}frontend,cn=config
objectClass: olcDatabaseConfig
objectClass: olcFrontendConfig
olcDatabase: {-1}frontend

dn: olcDatabase={0}config,cn=config
objectClass: olcDatabaseConfig
olcDatabase: {0}config
olcAccess: {0}to * by dn.exact=$peer manage by * break

dn: olcDatabase={1}mdb,cn=config
objectClass: olcDatabaseConfig
objectClass: olcMdbConfig
olcDatabase: {1}mdb
olcSuffix: $base
olcRootDN: $peer
olcDbDirectory: $work/db
olcDbMaxSize: 268435456
LDIF
"$slapadd" -n0 -F "$work/slapd.d" -l "$work/config.ldif" > "$work/slapd.log" 2>&1 \
  || fail "the cn=config database could not be made"

port=""
for _ in $(seq 1 30); do
  try=$((20000 + RANDOM % 40000))
  if "$slapd" -F "$work/slapd.d" -h "ldap://127.0.0.1:$try/ $ldapi/" >> "$work/slapd.log" 2>&1; then
    port=$try
    break
  fi
done
[ -n "$port" ] || fail "slapd did not start"
for _ in $(seq 1 100); do
  ldapsearch -Q -LLL -Y EXTERNAL -H "$ldapi" -b cn=config -s base dn >/dev/null 2>&1 && break
  sleep 0.1
done
as_root() { "$@" -Q -Y EXTERNAL -H "$ldapi" >> "$work/slapd.log" 2>&1; }

# The directory as a site has it: a base entry, and the service identity.
service_password=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
printf '%s\n' "$service_password" > "$work/service.pw"
chmod 600 "$work/service.pw"
as_root ldapadd <<LDIF || fail "the base entry and service identity could not be added"
dn: $base
objectClass: dcObject
objectClass: organization
dc: example
o: Example

dn: $service
objectClass: organizationalRole
objectClass: simpleSecurityObject
cn: ridge-service
userPassword: $service_password
LDIF

# A home whose access library binds as that service identity.
cp -r "$source/data/home" "$work/home"
rm -rf "$work/home/keys"
grep -v -E '^[[:space:]]*(service_dn|service_rdn|service_password_file)[[:space:]]*=' \
  "$source/data/home/access.conf" > "$work/home/access.conf"
printf 'service_dn = %s\nservice_password_file = %s\n' "$service" "$work/service.pw" \
  >> "$work/home/access.conf"
cat > "$work/ns.xml" <<XML
<instance name="cn=config test" class="Ridge">
  <parameter name="id"><value>cnconfig</value></parameter>
  <parameter name="connection"><value>127.0.0.1:$port</value></parameter>
  <parameter name="baseDN"><value>$base</value></parameter>
  <parameter name="namespace"><value>Ridge</value></parameter>
  <parameter name="timeOut"><value>5</value></parameter>
</instance>
XML
check() { BASALT_HOME="$work/home" "$host" -l "$provider" --locale en-us check -c "$work/ns.xml"; }

# Before the schema: check names the missing schema as the cause of the missing namespace.
status=0
out=$(check) || status=$?
echo "$out"
[ $status -eq 1 ] || fail "check without the schema exited $status"
echo "$out" | grep -q '\[FAIL\] find the namespace entry' || fail "namespace step did not fail"
echo "$out" | grep -q "\[FAIL\] the Ridge schema: .*ridgeNamespace" \
  || fail "the schema step did not name what is missing"

# The schema, as README.md says.
as_root ldapadd -f "$forms/ridge.ldif" || fail "ldapadd of ridge.ldif into cn=config failed"
ldapsearch -Q -LLL -Y EXTERNAL -H "$ldapi" -b cn=schema,cn=config '(cn=*ridge)' olcObjectClasses \
  | grep -q "NAME 'ridgeTicket'" || fail "the schema entry is not in cn=config"
# The access rules, with the markers filled in for this database.
sed -e 's|@DATABASE@|olcDatabase={1}mdb|g' -e "s|@SERVICE_DN@|$service|g" -e "s|@BASE_DN@|$base|g" \
  "$forms/ridge-acl.ldif" > "$work/acl.ldif"
if grep -q '@[A-Z_]*@' "$work/acl.ldif"; then fail "ridge-acl.ldif has markers README.md does not name"; fi
as_root ldapmodify -f "$work/acl.ldif" || fail "ldapmodify with ridge-acl.ldif failed"
# The example namespace (its service identity entry exists already, so it is left out).
sed -e "s|@BASE_DN@|$base|g" -e "s|@SERVICE_PASSWORD@|$service_password|" \
    -e 's|@USER_PASSWORD@|First#2024|' "$source/data/ldap/ridge-example.ldif" \
  | awk 'BEGIN { RS = ""; ORS = "\n\n" } !/objectClass: simpleSecurityObject/' \
  > "$work/example-data.ldif"
as_root ldapadd -f "$work/example-data.ldif" || fail "ldapadd of the example namespace failed"

# Anonymous users see nothing of the directory once the rules are in force.
anonymous=$(ldapsearch -x -LLL -H "ldap://127.0.0.1:$port" -b "$base" '(uid=first)' dn 2>/dev/null || true)
[ -z "$anonymous" ] || fail "an anonymous search found the user: $anonymous"

out=$(check) || fail "check after the schema, rules and namespace failed: $out"
echo "$out"
echo "$out" | grep -q '^every step passed$' || fail "check did not pass every step"
echo "cn_config_test: passed"
