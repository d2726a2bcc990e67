// basalt-host serve in a real browser: Debian's headless Chromium driven by playwright-core,
// against the provider and the ctest directory fixture.
//
// Environment (set by ctest): BASALT_HOST_PROGRAM, BASALT_PROVIDER_LIBRARY, RIDGE_TEST_ENV,
// BASALT_BROWSER_ARTIFACTS (where the screenshots go).
import assert from 'node:assert/strict';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, test } from 'node:test';

import { CROWD_SIZE, MARKUP_NAME, PASSWORD, addTestData, namespaceConfiguration,
  readEnvironment, removeTestData } from './directory.mjs';
import { launchChromium, startGateway } from './gateway.mjs';

const artifacts = process.env.BASALT_BROWSER_ARTIFACTS ?? join(process.cwd(), 'artifacts');
let env;
let gateway;
const browsers = [];

before(async () => {
  env = readEnvironment(process.env.RIDGE_TEST_ENV);
  addTestData(env);
  mkdirSync(artifacts, { recursive: true });
  gateway = await startGateway({
    host: process.env.BASALT_HOST_PROGRAM,
    library: process.env.BASALT_PROVIDER_LIBRARY,
    home: env.RIDGE_TEST_HOME,
    configuration: namespaceConfiguration(env),
  });
});

after(async () => {
  for (const browser of browsers) await browser.close();
  const code = gateway ? await gateway.stop() : 0;
  if (env) removeTestData(env);
  assert.equal(code, 0, 'the gateway stops cleanly on SIGTERM');
});

async function newPage(options = {}) {
  const browser = await launchChromium(options);
  browsers.push(browser);
  const page = browser.context.pages()[0] ?? (await browser.context.newPage());
  // A page that runs script would show a dialog for the markup user: fail loudly if so.
  page.on('dialog', (dialog) => {
    throw new Error(`a dialog opened: ${dialog.message()}`);
  });
  return { page, context: browser.context };
}

// Clicks and waits for the page the click leads to.
async function follow(page, selector) {
  await Promise.all([page.waitForNavigation(), page.click(selector)]);
}

const submit = (page) => follow(page, 'form.prompt button[type=submit]');

async function signOn(page, user, password) {
  await page.goto(`${gateway.url}/logon`);
  await page.fill('input[name=VORUsername]', user);
  await page.fill('input[name=VORPassword]', password);
  await submit(page);
}

const ticketOf = async (context) =>
  (await context.cookies(gateway.url)).find((cookie) => cookie.name === 'AS_TICKET');

test('the sign-on page is the provider prompt; a wrong password shows it again with why', async () => {
  const { page } = await newPage();
  const response = await page.goto(`${gateway.url}/logon`);
  const policy = response.headers()['content-security-policy'];
  assert.match(policy, /default-src 'none'/);
  assert.doesNotMatch(policy, /unsafe-inline|unsafe-eval/);
  assert.equal(await page.locator('html').getAttribute('lang'), 'en');
  await page.locator('p.caption', { hasText: 'Please type your credentials' }).waitFor();
  assert.equal(await page.getByLabel('User ID:').getAttribute('type'), 'text');
  assert.equal(await page.getByLabel('Password:').getAttribute('type'), 'password');
  assert.equal(await page.locator('input[name=VORNamespace]').getAttribute('value'), 'webtest');
  await page.screenshot({ path: join(artifacts, 'sign-on.png') });

  await page.fill('input[name=VORUsername]', 'crowd001');
  await page.fill('input[name=VORPassword]', 'not the password');
  await submit(page);
  assert.match(await page.locator('ul.messages').innerText(), /user ID or password is not valid/);
  assert.equal(await page.inputValue('input[name=VORUsername]'), 'crowd001');
  assert.equal(await page.inputValue('input[name=VORPassword]'), '');
  assert.equal(await ticketOf(page.context()), undefined);
});

test('forms without the session token, or posted from another site, are refused', async () => {
  const { page, context } = await newPage();
  await page.goto(`${gateway.url}/logon`);
  const form = { VORNamespace: 'webtest', VORUsername: 'crowd001', VORPassword: PASSWORD };

  const withoutToken = await context.request.post(`${gateway.url}/logon`, { form });
  assert.equal(withoutToken.status(), 403);
  assert.match(await withoutToken.text(), /form has expired/);

  const token = await page.locator('input[name=basalt_csrf]').inputValue();
  const wrongToken = await context.request.post(`${gateway.url}/logon`,
    { form: { ...form, basalt_csrf: token.replace(/.$/, (c) => (c === '0' ? '1' : '0')) } });
  assert.equal(wrongToken.status(), 403);

  const crossSite = await context.request.post(`${gateway.url}/logon`,
    { form: { ...form, basalt_csrf: token }, headers: { Origin: 'http://elsewhere.test' } });
  assert.equal(crossSite.status(), 403);

  const logoff = await context.request.post(`${gateway.url}/logoff`, { form: {} });
  assert.equal(logoff.status(), 403);
  assert.equal(await ticketOf(context), undefined, 'nothing was signed on');
});

test('French browsers get the French captions', async () => {
  const { page } = await newPage({ locale: 'fr-FR' });
  await page.goto(`${gateway.url}/logon`);
  assert.equal(await page.locator('html').getAttribute('lang'), 'fr');
  await page.locator('p.caption',
    { hasText: "Veuillez saisir vos données d'identification" }).waitFor();
  assert.equal(await page.getByLabel('Mot de passe :').getAttribute('type'), 'password');
  assert.equal(await page.getByLabel('ID utilisateur :').getAttribute('type'), 'text');
  assert.equal(await page.locator('form.prompt button').innerText(), 'Se connecter');
});

test('an expired password leads to the change form and then signs on', async () => {
  const { page } = await newPage();
  await signOn(page, 'webexpired', PASSWORD);
  assert.equal(await page.locator('input[name=VOROldPassword]').getAttribute('type'), 'password');
  assert.equal(await page.locator('input[name=VORNewPassword]').count(), 2);

  await page.fill('input[name=VOROldPassword]', PASSWORD);
  await page.locator('input[name=VORNewPassword]').nth(0).fill('Changed#2025');
  await page.locator('input[name=VORNewPassword]').nth(1).fill('Changed#2026');
  await submit(page);
  await page.locator('.messages', { hasText: 'two new passwords are not the same' }).waitFor();

  await page.fill('input[name=VOROldPassword]', PASSWORD);
  await page.locator('input[name=VORNewPassword]').nth(0).fill('Changed#2025');
  await page.locator('input[name=VORNewPassword]').nth(1).fill('Changed#2025');
  await submit(page);
  assert.match(page.url(), /\/browse/);
  await page.locator('header .signedon', { hasText: 'Signed on as' }).waitFor();
});

test('the ticket cookie signs a second browser on without a password; sign-off ends it', async () => {
  const first = await newPage();
  await signOn(first.page, 'crowd002', PASSWORD);
  assert.match(first.page.url(), /\/browse/);
  const ticket = await ticketOf(first.context);
  assert.ok(ticket, 'the provider issued an AS_TICKET cookie');
  assert.equal(ticket.httpOnly, true);
  assert.equal(ticket.sameSite, 'Lax');
  assert.equal(ticket.path, '/');
  assert.equal(ticket.secure, false);
  const session = (await first.context.cookies(gateway.url))
    .find((cookie) => cookie.name === 'basalt_session');
  assert.ok(session.httpOnly);
  assert.notEqual(session.value, ticket.value, 'the visa stays on the server');

  const second = await newPage();
  await second.context.addCookies([{ name: 'AS_TICKET', value: ticket.value, url: gateway.url }]);
  await second.page.goto(`${gateway.url}/browse`);
  assert.match(second.page.url(), /\/browse/);
  assert.equal(await second.page.locator('input[name=VORPassword]').count(), 0);
  await second.page.locator('header .signedon').waitFor();

  await follow(first.page, 'header form button[type=submit]');
  await first.page.locator('main', { hasText: 'You have signed off.' }).waitFor();
  assert.equal(await ticketOf(first.context), undefined, 'sign-off clears the ticket cookie');
  await first.page.goto(`${gateway.url}/browse`);
  assert.match(first.page.url(), /\/logon/);
  assert.equal(await first.page.locator('input[name=VORPassword]').count(), 1);
});

test('the browser pages through a folder of 250 users, filters by name, shows properties',
  async () => {
    const { page } = await newPage();
    await signOn(page, 'crowd003', PASSWORD);
    assert.match(page.url(), /\/browse/);
    await page.locator('table.objects a', { hasText: 'Crowd' }).first().click();
    await page.locator('h1', { hasText: 'Crowd' }).waitFor();

    const seen = new Set();
    let pages = 0;
    for (;;) {
      ++pages;
      const names = await page.locator('table.objects tbody tr td:first-child').allInnerTexts();
      assert.ok(names.length > 0 && names.length <= 25, `page ${pages} has ${names.length} rows`);
      names.forEach((name) => seen.add(name));
      if (pages === 2) await page.screenshot({ path: join(artifacts, 'directory.png') });
      const next = page.locator('a[rel=next]');
      if ((await next.count()) === 0) break;
      await follow(page, 'a[rel=next]');
    }
    assert.equal(seen.size, CROWD_SIZE);
    assert.equal(pages, Math.ceil(CROWD_SIZE / 25));
    assert.match(await page.locator('.range').innerText(), /226.250/);
    await follow(page, 'a[rel=prev]');
    assert.match(await page.locator('.range').innerText(), /201.225/);

    await page.fill('input[name=filter]', 'Member 12');
    await follow(page, 'form.filter button');
    const filtered = await page.locator('table.objects tbody tr td:first-child').allInnerTexts();
    assert.deepEqual(filtered.sort(), ['Crowd Member 12',
      ...Array.from({ length: 10 }, (_, i) => `Crowd Member ${120 + i}`)].sort());

    await page.locator('table.objects a', { hasText: 'Crowd Member 120' }).click();
    await page.locator('table.properties td', { hasText: 'crowd120@example.test' }).waitFor();
  });

test('a user name holding markup is shown as text', async () => {
  const { page } = await newPage();
  await signOn(page, 'crowd004', PASSWORD);
  const cell = page.locator('table.objects tbody td:first-child', { hasText: MARKUP_NAME });
  assert.equal(await cell.innerText(), MARKUP_NAME);
  assert.equal(await page.locator('script').count(), 0);
});
