// Form protection and the headers every page carries, in a real browser.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { PASSWORD } from './directory.mjs';
import { useGateway } from './suite.mjs';

const suite = useGateway();

test('every page forbids script, framing and foreign resources', async () => {
  const { page } = await suite.newPage();
  const response = await page.goto(`${suite.url}/logon`);
  const headers = response.headers();
  const policy = headers['content-security-policy'];
  assert.match(policy, /default-src 'none'/);
  assert.match(policy, /form-action 'self'/);
  assert.match(policy, /frame-ancestors 'none'/);
  assert.doesNotMatch(policy, /script-src|unsafe-inline|unsafe-eval/);
  assert.equal(headers['x-content-type-options'], 'nosniff');
  assert.equal(headers['x-frame-options'], 'DENY');
  assert.equal(headers['cache-control'], 'no-store');
  assert.equal(await page.locator('script').count(), 0);
  const session = (await page.context().cookies(suite.url))
    .find((cookie) => cookie.name === 'basalt_session');
  assert.ok(session, 'a session cookie is set');
  assert.equal(session.httpOnly, true);
  assert.equal(session.sameSite, 'Lax');
});

test('posts without the session form token are refused and change nothing', async () => {
  const { page, context } = await suite.newPage();
  await page.goto(`${suite.url}/logon`);
  const form = { VORNamespace: 'webtest', VORUsername: 'crowd001', VORPassword: PASSWORD };

  const withoutToken = await context.request.post(`${suite.url}/logon`, { form });
  assert.equal(withoutToken.status(), 403);
  assert.match(await withoutToken.text(), /form has expired/);

  const madeUp = await context.request.post(`${suite.url}/logon`,
    { form: { ...form, basalt_csrf: 'a'.repeat(64) } });
  assert.equal(madeUp.status(), 403);

  const logoff = await context.request.post(`${suite.url}/logoff`, { form: {} });
  assert.equal(logoff.status(), 403);
  assert.equal(await suite.ticketOf(context), undefined, 'nothing was signed on');
});
