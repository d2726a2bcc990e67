// The README's web recipe on the sample directory, started as the README starts it: its
// namespace trusts the web environment ("basic,os"), so the sign-on page only comes when the
// gateway says it has no remote user. The same namespace behind a trusted proxy's user header,
// whose user signs on through the environment document the provider asks for.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { request as httpRequest } from 'node:http';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { after, before, test } from 'node:test';

import { readEnvironment } from './directory.mjs';
import { launchChromium, startGateway } from './gateway.mjs';
import { artifacts, follow, submit } from './suite.mjs';

const root = resolve(process.cwd(), '../..');
const HEADER = 'X-Remote-User';
const PASSWORD = 'Sample#2024';
const ANN = 'Ann Archer';  // ann's display name in data/sample

let work;
let readme;   // basalt-host serve -c namespace.xml, as the README runs it
let proxied;  // the same with --trusted-user-header
const browsers = [];

before(async () => {
  work = mkdtempSync(join(tmpdir(), 'basalt-sample-'));
  mkdirSync(artifacts, { recursive: true });
  execFileSync('bash', ['scripts/directory', 'start', join(work, 'ridge'),
    'data/sample/ridge-sample.ldif'], {
    cwd: root, env: { ...process.env, RIDGE_HOME_SOURCE: 'data/home' },
    stdio: ['ignore', 'ignore', 'inherit'],
  });
  const env = readEnvironment(join(work, 'ridge', 'env'));
  const configuration = readFileSync(join(root, 'data/sample/namespace.xml'), 'utf8')
    .replaceAll('@RIDGE_HOST@', env.RIDGE_HOST).replaceAll('@RIDGE_PORT@', env.RIDGE_PORT)
    .replaceAll('@RIDGE_BASE_DN@', env.RIDGE_BASE_DN);
  const start = (args) => startGateway({
    host: process.env.BASALT_HOST_PROGRAM,
    library: process.env.BASALT_PROVIDER_LIBRARY,
    home: env.RIDGE_TEST_HOME,
    configurations: [configuration],
    args,
  });
  readme = await start([]);
  proxied = await start(['--trusted-user-header', HEADER]);
});

after(async () => {
  for (const browser of browsers) await browser.close();
  const codes = [];
  for (const gateway of [readme, proxied]) {
    if (gateway) codes.push(await gateway.stop());
  }
  if (work) {
    try {
      execFileSync('bash', ['scripts/directory', 'stop', join(work, 'ridge')],
        { cwd: root, stdio: 'ignore' });
    } finally {
      rmSync(work, { recursive: true, force: true });
    }
  }
  assert.deepEqual(codes, [0, 0], 'both gateways stop cleanly on SIGTERM');
});

async function newPage(options = {}) {
  const browser = await launchChromium(options);
  browsers.push(browser);
  const page = browser.context.pages()[0] ?? (await browser.context.newPage());
  return page;
}

const passwordFields = (page) => page.locator('input[name=VORPassword]').count();

test('the README recipe shows the sign-on form, signs ann on, and Sign on again comes back to it',
  async () => {
    const page = await newPage();
    const first = await page.goto(`${readme.url}/logon`);
    assert.equal(first.status(), 200);
    await page.locator('p.caption', { hasText: 'Please type your credentials' }).waitFor();
    assert.equal(await page.locator('input[name=VORNamespace]').getAttribute('value'),
      'ridgesample');
    assert.equal(await page.locator('ul.messages').count(), 0, 'a first visit shows no error');
    await page.locator('body').screenshot({ path: join(artifacts, 'sample-sign-on.png') });

    await page.fill('input[name=VORUsername]', 'ann');
    await page.fill('input[name=VORPassword]', 'not the password');
    await submit(page);
    assert.match(await page.locator('main').innerText(), /user ID or password is not valid/);
    assert.equal(await page.inputValue('input[name=VORUsername]'), 'ann');

    await page.fill('input[name=VORPassword]', PASSWORD);
    await submit(page);
    assert.match(page.url(), /\/browse/);
    await page.locator('header .signedon', { hasText: ANN }).waitFor();
    await page.screenshot({ path: join(artifacts, 'sample-directory.png') });

    await follow(page, 'header form button[type=submit]');
    await follow(page, 'main a[href="/logon"]');
    assert.equal(await passwordFields(page), 1, 'Sign on again shows the form, not a refusal');
  });

test('a French browser gets the French form from the README recipe', async () => {
  const page = await newPage({ locale: 'fr-FR' });
  assert.equal((await page.goto(`${readme.url}/logon`)).status(), 200);
  await page.locator('p.caption',
    { hasText: "Veuillez saisir vos données d'identification" }).waitFor();
  assert.equal(await page.getByLabel('Mot de passe :').getAttribute('type'), 'password');
});

test('behind the trusted header the proxy user is signed on in one round trip', async () => {
  const page = await newPage({ extraHTTPHeaders: { [HEADER]: 'ann' } });
  const pages = [];
  page.on('request', (request) => {
    if (request.resourceType() === 'document') pages.push(new URL(request.url()).pathname);
  });
  await page.goto(`${proxied.url}/logon`);
  await page.locator('header .signedon', { hasText: ANN }).waitFor();
  assert.deepEqual(pages, ['/logon', '/browse'], 'no page between the request and the directory');

  // A domain user: the backslash travels in the environment document unchanged.
  const admin = await newPage({ extraHTTPHeaders: { [HEADER]: 'CORP\\admin' } });
  await admin.goto(`${proxied.url}/logon`);
  assert.match(admin.url(), /\/browse/);
  await admin.locator('header .signedon').waitFor();
  assert.doesNotMatch(await admin.locator('header .signedon').innerText(), new RegExp(ANN));

  // Without the header: the password form, which still signs on.
  const plain = await newPage();
  assert.equal((await plain.goto(`${proxied.url}/logon`)).status(), 200);
  assert.equal(await passwordFields(plain), 1);
  await plain.fill('input[name=VORUsername]', 'ann');
  await plain.fill('input[name=VORPassword]', PASSWORD);
  await submit(plain);
  await plain.locator('header .signedon', { hasText: ANN }).waitFor();
});

// Sends GET /logon with the header lines given as they are (a browser cannot repeat one).
function rawLogon(url, headerLines) {
  return new Promise((done, fail) => {
    const request = httpRequest(`${url}/logon`, { headers: headerLines }, (response) => {
      let body = '';
      response.on('data', (chunk) => { body += chunk; });
      response.on('end', () => done({ status: response.statusCode, body, headers: response.headers }));
    });
    request.on('error', fail);
    request.end();
  });
}

test('hostile headers and forged fields sign no one on', async () => {
  // Someone the directory does not know: the form, with why.
  const stranger = await newPage({ extraHTTPHeaders: { [HEADER]: 'nobody' } });
  await stranger.goto(`${proxied.url}/logon`);
  assert.match(await stranger.locator('ul.messages').innerText(), /could not be signed on/);
  assert.equal(await passwordFields(stranger), 1);

  // The environment document's separators in the value cannot add a second REMOTE_USER.
  const smuggler = await newPage({ extraHTTPHeaders: { [HEADER]: 'nobody , REMOTE_USER=ann' } });
  await smuggler.goto(`${proxied.url}/logon`);
  assert.equal(await passwordFields(smuggler), 1);
  assert.equal(await smuggler.locator('header .signedon').count(), 0);

  // An empty header is no remote user: the form, with no error.
  const empty = await newPage({ extraHTTPHeaders: { [HEADER]: '' } });
  await empty.goto(`${proxied.url}/logon`);
  assert.equal(await passwordFields(empty), 1);
  assert.equal(await empty.locator('ul.messages').count(), 0);

  // Sent twice, the header names no one for certain.
  const twice = await rawLogon(proxied.url, { [HEADER]: ['nobody', 'ann'] });
  assert.equal(twice.status, 400);
  assert.match(twice.body, /names its user more than once/);
  assert.equal(twice.headers.location, undefined);

  // Fields only the framework may set, posted by a browser: still the form.
  const forger = await newPage();
  await forger.goto(`${proxied.url}/logon`);
  const token = await forger.locator('input[name=basalt_csrf]').inputValue();
  const environment = Buffer.from('Type=1 , REMOTE_USER=ann').toString('base64');
  const forged = await forger.context().request.post(`${proxied.url}/logon`, {
    form: { basalt_csrf: token, VORNamespace: 'ridgesample', VORCheckGateway: 'false',
      secblob: environment, securityBlob: environment, REMOTE_USER: 'ann' },
    maxRedirects: 0,
  });
  assert.equal(forged.status(), 200);
  assert.match(await forged.text(), /name="VORPassword"/);
  await forger.goto(`${proxied.url}/browse`);
  assert.match(forger.url(), /\/logon/, 'not signed on');
});
