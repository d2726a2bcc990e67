// The browser tests' own corner of the shared test directory: a namespace "webtest" with a
// folder of 250 users, a user whose name is markup, and a user whose password has expired.
// Added with the fixture's administrator before the tests and removed after them.
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';

export const PASSWORD = 'Secret#2024';
export const CROWD_SIZE = 250;
export const MARKUP_NAME = `<script>alert('gateway')</script>`;

// The KEY='value' lines scripts/directory writes.
export function readEnvironment(path) {
  const values = {};
  for (const line of readFileSync(path, 'utf8').split('\n')) {
    const match = /^([A-Z_]+)='(.*)'$/.exec(line);
    if (match) values[match[1]] = match[2];
  }
  return values;
}

const b64 = (text) => Buffer.from(text, 'utf8').toString('base64');

function entries(base) {
  const ns = `ou=webtest,${base}`;
  const out = [];
  out.push([`dn: ${ns}`, 'objectClass: organizationalUnit', 'objectClass: ridgeNamespace',
    'objectClass: ridgeFolder', 'ou: webtest', 'ridgeId: 3', 'ridgeAuthModes: basic',
    'ridgeProductLocale: en-us', 'ridgeContentLocale: en-us',
    'description: Web gateway test namespace']);
  out.push([`dn: ou=tickets,${ns}`, 'objectClass: organizationalUnit', 'ou: tickets']);
  out.push([`dn: cn=webtest-expired,ou=policies,${base}`, 'objectClass: organizationalRole',
    'objectClass: pwdPolicy', 'cn: webtest-expired', 'pwdAttribute: userPassword',
    'pwdMaxAge: 86400', 'pwdInHistory: 0', 'pwdCheckQuality: 0', 'pwdMinLength: 8',
    'pwdMaxFailure: 0', 'pwdMustChange: FALSE', 'pwdAllowUserChange: TRUE',
    'pwdGraceAuthNLimit: 3']);  // the change binds as the user on a grace login
  out.push([`dn: ou=Crowd,${ns}`, 'objectClass: organizationalUnit', 'objectClass: ridgeFolder',
    'ou: Crowd', 'ridgeId: 30', 'description: Two hundred and fifty users']);
  for (let i = 1; i <= CROWD_SIZE; ++i) {
    const uid = `crowd${String(i).padStart(3, '0')}`;
    out.push([`dn: uid=${uid},ou=Crowd,${ns}`, 'objectClass: inetOrgPerson',
      'objectClass: ridgeUser', `uid: ${uid}`, `cn: Crowd Member ${i}`, 'sn: Member',
      `ridgeId: ${3000 + i}`, `ridgeBasicSignonId: ${6000 + i}`, `userPassword: ${PASSWORD}`,
      `mail: ${uid}@example.test`]);
  }
  // An RDN value with < > needs escaping; base64 keeps LDIF out of the way.
  out.push([`dn:: ${b64(`uid=\\3Cscript\\3Ealert('gateway')\\3C/script\\3E,${ns}`)}`,
    'objectClass: inetOrgPerson', 'objectClass: ridgeUser', `uid:: ${b64(MARKUP_NAME)}`,
    `cn:: ${b64(MARKUP_NAME)}`, 'sn: Markup', 'ridgeId: 2900', 'ridgeBasicSignonId: 5900',
    `userPassword: ${PASSWORD}`]);
  out.push([`dn: uid=webexpired,${ns}`, 'objectClass: inetOrgPerson', 'objectClass: ridgeUser',
    'uid: webexpired', 'cn: Wendy Expired', 'sn: Expired', 'ridgeId: 2901',
    'ridgeBasicSignonId: 5901', `userPassword: ${PASSWORD}`,
    `pwdPolicySubentry: cn=webtest-expired,ou=policies,${base}`,
    'pwdChangedTime: 20200101000000Z']);
  return out.map((lines) => lines.join('\n')).join('\n\n') + '\n';
}

function ldap(tool, env, args, input) {
  return execFileSync(tool, ['-x', '-e', 'relax', '-H', env.RIDGE_URL, '-D', env.RIDGE_ADMIN_DN, '-w',
    env.RIDGE_ADMIN_PASSWORD, ...args], { input, stdio: ['pipe', 'pipe', 'pipe'] });
}

export function removeTestData(env) {
  for (const dn of [`ou=webtest,${env.RIDGE_BASE_DN}`,
    `cn=webtest-expired,ou=policies,${env.RIDGE_BASE_DN}`]) {
    try {
      ldap('ldapdelete', env, ['-r', dn]);
    } catch {
      // not there
    }
  }
}

export function addTestData(env) {
  removeTestData(env);
  ldap('ldapadd', env, [], entries(env.RIDGE_BASE_DN));
}

// A namespace configuration for the gateway: the test namespace, or another of the fixture.
export function namespaceConfiguration(env, id = 'webtest', name = 'webtest', title = 'Web test') {
  const escape = (t) => t.replace(/&/g, '&amp;').replace(/</g, '&lt;');
  const parameter = (name, value) =>
    `<parameter name="${name}"><value xsi:type="xsd:string">${escape(value)}</value></parameter>`;
  return `<instance xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" ` +
    `xmlns:xsd="http://www.w3.org/2001/XMLSchema" name="${escape(title).replace(/"/g, '&quot;')}" ` +
    `class="Ridge">` +
    parameter('id', id) +
    parameter('connection', `${env.RIDGE_HOST}:${env.RIDGE_PORT}`) +
    parameter('baseDN', env.RIDGE_BASE_DN) +
    parameter('namespace', name) +
    parameter('timeOut', '10') +
    parameter('CookiePath', '/') +
    parameter('CookieSecure', 'false') +
    `</instance>`;
}
