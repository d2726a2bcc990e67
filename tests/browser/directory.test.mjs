// The directory browser in a real browser: paging, the name filter, properties, and names
// that hold markup.
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { test } from 'node:test';

import { CROWD_SIZE, MARKUP_NAME, PASSWORD } from './directory.mjs';
import { artifacts, follow, useGateway } from './suite.mjs';

const suite = useGateway();

// The namespace root lists the namespace's root folder (named after its entry) and root classes;
// the users and folders live below that folder.
async function openRootFolder(page) {
  await page.locator('table.objects a', { hasText: /^webtest$/ }).first().click();
  await page.locator('h1', { hasText: /^webtest$/ }).waitFor();
}

test('the browser pages through a folder of 250 users, filters by name, shows properties',
  async () => {
    const { page } = await suite.newPage();
    await suite.signOn(page, 'crowd003', PASSWORD);
    assert.match(page.url(), /\/browse/);
    await openRootFolder(page);
    await page.locator('table.objects a', { hasText: 'Crowd' }).first().click();
    await page.locator('h1', { hasText: 'Crowd' }).waitFor();

    const seen = new Set();
    let pages = 0;
    for (;;) {
      ++pages;
      const names = await page.locator('table.objects tbody tr td:first-child').allInnerTexts();
      assert.ok(names.length > 0 && names.length <= 25, `page ${pages} has ${names.length} rows`);
      names.forEach((name) => seen.add(name));
      if (pages === 2) await page.locator('body').screenshot({ path: join(artifacts, 'directory.png') });
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
  const { page } = await suite.newPage();
  await suite.signOn(page, 'crowd004', PASSWORD);
  await openRootFolder(page);
  const cell = page.locator('table.objects tbody td:first-child', { hasText: MARKUP_NAME });
  assert.equal(await cell.innerText(), MARKUP_NAME);
  assert.equal(await page.locator('script').count(), 0);
});
