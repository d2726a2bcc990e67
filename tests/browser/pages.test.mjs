// The pages people expect: back to the page first asked for, a notice when the session is gone,
// a wrong password said once with the cursor in the password field, readable and translated
// kinds and property names, titles and breadcrumbs naming the folder, and a phone-sized layout.
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { test } from 'node:test';

import { PASSWORD } from './directory.mjs';
import { artifacts, follow, submit, useGateway } from './suite.mjs';

const suite = useGateway();

// Opens the namespace's root folder, then Crowd; the Crowd listing's address.
async function openCrowd(page) {
  await follow(page, 'table.objects a:text-is("webtest")');
  await follow(page, 'table.objects a:text-is("Crowd")');
  return page.url();
}

test('a page asked for before sign-on is the one shown after it, and only on this site',
  async () => {
    const first = await suite.newPage();
    await suite.signOn(first.page, 'crowd010', PASSWORD);
    const crowd = new URL(await openCrowd(first.page));

    const { page } = await suite.newPage();
    await page.goto(`${suite.url}${crowd.pathname}${crowd.search}&skip=25`);
    assert.match(page.url(), /\/logon\?next=/);
    await page.fill('input[name=VORUsername]', 'crowd011');
    await page.fill('input[name=VORPassword]', PASSWORD);
    await submit(page);
    assert.equal(new URL(page.url()).search, `${crowd.search}&skip=25`);
    assert.match(await page.locator('.range').innerText(), /26.50/);

    // Another site is never a place to return to.
    const other = await suite.newPage();
    await other.page.goto(`${suite.url}/logon?next=${encodeURIComponent('//elsewhere.test/x')}`);
    await other.page.fill('input[name=VORUsername]', 'crowd012');
    await other.page.fill('input[name=VORPassword]', PASSWORD);
    await submit(other.page);
    assert.equal(new URL(other.page.url()).origin, suite.url);
    assert.equal(new URL(other.page.url()).pathname, '/browse');
  });

test('a browser whose session is gone is told so on the sign-on page', async () => {
  const { page, context } = await suite.newPage();
  await context.addCookies([{ name: 'basalt_session', value: 'ab'.repeat(32), url: suite.url }]);
  await page.goto(`${suite.url}/browse`);
  assert.match(page.url(), /\/logon/);
  await page.locator('p.notice', { hasText: 'Your session has expired' }).waitFor();

  // A browser that never had a session gets no such notice.
  const fresh = await suite.newPage();
  await fresh.page.goto(`${suite.url}/browse`);
  assert.equal(await fresh.page.locator('p.notice').count(), 0);
});

test('a wrong password is said once and the cursor waits in the password field', async () => {
  const { page } = await suite.newPage();
  await suite.signOn(page, 'crowd013', 'not the password');
  const text = await page.locator('main').innerText();
  assert.equal(text.match(/password is not valid/g)?.length, 1, text);
  assert.equal(await page.evaluate(() => document.activeElement?.name), 'VORPassword');
  assert.equal(await page.getByLabel('Password:').getAttribute('autocomplete'),
    'current-password');
  assert.equal(await page.getByLabel('User ID:').getAttribute('autocomplete'), 'username');
});

test('kinds and property names are readable, in French too, and pages name their folder',
  async () => {
    const { page } = await suite.newPage({ locale: 'fr-FR' });
    await suite.signOn(page, 'crowd014', PASSWORD);
    await follow(page, 'table.objects a:text-is("webtest")');
    assert.match(await page.title(), /^webtest – Annuaire$/);
    const kinds = await page.locator('table.objects tbody td:nth-child(2)').allInnerTexts();
    assert.ok(kinds.includes('Dossier'), kinds.join(', '));
    assert.ok(!kinds.includes('namespaceFolder'));
    await follow(page, 'table.objects a:text-is("Crowd")');
    assert.equal(await page.locator('nav.crumbs [aria-current=page]').innerText(), 'Crowd');
    assert.ok((await page.locator('nav.crumbs a').allInnerTexts()).includes('webtest'));

    await follow(page, 'table.objects a:text-is("Crowd Member 14")');
    assert.match(await page.title(), /^Crowd Member 14 – /);
    const names = await page.locator('table.properties th[scope=row]').allInnerTexts();
    assert.ok(names.includes('Nom'), names.join(', '));
    assert.ok(names.includes('Courriel'), names.join(', '));
    assert.ok(!names.includes('defaultName'));
    assert.equal(await page.locator('table.properties tr', { hasText: 'Type' })
      .locator('td').innerText(), 'Utilisateur');
  });

test('the pages fit a 360-pixel phone without sideways scrolling', async () => {
  const { page } = await suite.newPage({ viewport: { width: 360, height: 740 } });
  const fits = () => page.evaluate(() =>
    document.documentElement.scrollWidth <= document.documentElement.clientWidth);
  await page.goto(`${suite.url}/logon`);
  assert.ok(await fits(), 'the sign-on page');
  await suite.signOn(page, 'crowd015', PASSWORD);
  await openCrowd(page);
  assert.ok(await fits(), 'a listing');
  await page.locator('body').screenshot({ path: join(artifacts, 'phone-listing.png') });
  await follow(page, 'table.objects a:text-is("Crowd Member 15")');
  assert.ok(await fits(), 'the properties');
});
