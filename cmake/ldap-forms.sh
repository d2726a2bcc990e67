#!/bin/sh
# Writes the installable forms of the directory's LDAP files from their one source each:
#   ldap-forms.sh schema <ridge.schema> <out ridge.ldif>
#     the schema as a cn=config entry (cn=ridge,cn=schema,cn=config) for ldapadd -Y EXTERNAL
#   ldap-forms.sh acl-conf <slapd.conf.in> <out ridge-acl.conf>
#     the access rules of the slapd configuration template, for a slapd.conf database section
#   ldap-forms.sh acl-ldif <slapd.conf.in> <out ridge-acl.ldif>
#     the same rules as an ldapmodify of a cn=config database entry (added before its own rules)
set -eu

[ $# -eq 3 ] || { echo "usage: $0 schema|acl-conf|acl-ldif <in> <out>" >&2; exit 2; }
form=$1 in=$2 out=$3
tmp="$out.tmp.$$"
trap 'rm -f "$tmp"' EXIT

# The rules: from the comment block right before the first "access to" to the end.
acl_rules() {
  awk '
    started { print; next }
    /^[ \t]*#/ { comments = comments $0 "\n"; next }
    /^access to/ { started = 1; printf "%s", comments; print; next }
    { comments = "" }
  ' "$in"
}

# The @NAME@ markers the rules use, space-separated.
acl_markers() {
  acl_rules | grep -o '@[A-Z_]*@' | sort -u | tr '\n' ' ' | sed 's/ $//'
}

case $form in
  schema)
    {
      echo "# The Ridge directory schema as a cn=config entry, made from ridge.schema (same"
      echo "# definitions). Load it into a running slapd configured through cn=config with:"
      echo "#   ldapadd -Y EXTERNAL -H ldapi:/// -f ridge.ldif"
      echo "# (as the system user allowed to manage cn=config, usually root)."
      echo "dn: cn=ridge,cn=schema,cn=config"
      echo "objectClass: olcSchemaConfig"
      echo "cn: ridge"
      # Continuation lines keep one blank after LDIF's own continuation blank.
      awk '
        /^[ \t]*#/ || /^[ \t]*$/ { next }
        /^objectidentifier[ \t]/ { sub(/^objectidentifier[ \t]+/, "olcObjectIdentifier: "); print; next }
        /^attributetype[ \t]/ { sub(/^attributetype[ \t]+/, "olcAttributeTypes: "); print; next }
        /^objectclass[ \t]/ { sub(/^objectclass[ \t]+/, "olcObjectClasses: "); print; next }
        /^[ \t]/ { sub(/^[ \t]+/, "  "); print; next }
        { print "ridge.schema: unexpected line: " $0 > "/dev/stderr"; exit 1 }
      ' "$in"
    } > "$tmp"
    ;;
  acl-conf)
    {
      echo "# Access rules of a Ridge directory for a slapd.conf database section (the same rules"
      echo "# the test and demo directories run with). Replace the markers ($(acl_markers))"
      echo "# with your directory's values (sed -e 's|@MARKER@|value|g' ...), and"
      echo "# put the rules in the database section, before any rule of your own that would match"
      echo "# first (slapd applies the first rule whose \"to\" matches)."
      echo
      acl_rules
    } > "$tmp"
    ;;
  acl-ldif)
    {
      echo "# Access rules of a Ridge directory as an ldapmodify of a cn=config database (the"
      echo "# same rules as ridge-acl.conf). Replace the markers ($(acl_markers)) and"
      echo "# @DATABASE@ (the database entry, e.g. olcDatabase={1}mdb) with your values, then:"
      echo "#   ldapmodify -Y EXTERNAL -H ldapi:/// -f ridge-acl.ldif"
      echo "# The rules are numbered from {0}, so they come before the database's own rules."
      echo "dn: @DATABASE@,cn=config"
      echo "changetype: modify"
      echo "add: olcAccess"
      acl_rules | awk '
        /^[ \t]*#/ || /^[ \t]*$/ { next }
        /^access to/ { sub(/^access to/, "olcAccess: {" n++ "}to"); print; next }
        /^[ \t]/ { sub(/^[ \t]+/, "  "); print; next }
      '
    } > "$tmp"
    ;;
  *) echo "$0: unknown form $form" >&2; exit 2 ;;
esac
mv "$tmp" "$out"
trap - EXIT
