// With several namespaces the gateway first asks which one, as the framework's chooser does.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { follow, useGateway } from './suite.mjs';

const OTHER_TITLE = `Ridge <b>test</b> & "co"`;
const suite = useGateway({ others: [['ridgetest', 'ridgetest', OTHER_TITLE]] });

test('the namespace chooser lists every configured namespace by its name, as text', async () => {
  const { page } = await suite.newPage();
  await page.goto(`${suite.url}/logon`);
  const options = page.locator('select#namespace option');
  assert.deepEqual(await options.evaluateAll((all) => all.map((o) => [o.value, o.textContent])),
    [['ridgetest', OTHER_TITLE], ['webtest', 'Web test']]);
  assert.equal(await page.locator('b').count(), 0);

  await page.selectOption('select#namespace', 'webtest');
  await follow(page, 'form.prompt button[type=submit]');
  assert.equal(new URL(page.url()).searchParams.get('namespace'), 'webtest');
  assert.equal(await page.locator('select#namespace').count(), 0, 'the namespace was taken');
});
