// Signing on and off in a real browser: the provider's prompts as forms, its error messages,
// the change of an expired password, the ticket cookie and the request's language.
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { test } from 'node:test';

import { PASSWORD } from './directory.mjs';
import { artifacts, follow, submit, useGateway } from './suite.mjs';

const suite = useGateway();

test('the sign-on page is the provider prompt; a wrong password shows it again with why', async () => {
  const { page } = await suite.newPage();
  await page.goto(`${suite.url}/logon`);
  assert.equal(await page.locator('html').getAttribute('lang'), 'en');
  await page.locator('p.caption', { hasText: 'Please type your credentials' }).waitFor();
  assert.equal(await page.getByLabel('User ID:').getAttribute('type'), 'text');
  assert.equal(await page.getByLabel('Password:').getAttribute('type'), 'password');
  assert.equal(await page.locator('input[name=VORNamespace]').getAttribute('value'), 'webtest');
  await page.locator('body').screenshot({ path: join(artifacts, 'sign-on.png') });

  // The form's own token does not make a post from another site acceptable.
  const token = await page.locator('input[name=basalt_csrf]').inputValue();
  const crossSite = await page.context().request.post(`${suite.url}/logon`, {
    form: { basalt_csrf: token, VORNamespace: 'webtest', VORUsername: 'crowd001',
      VORPassword: PASSWORD },
    headers: { Origin: 'http://elsewhere.test' },
  });
  assert.equal(crossSite.status(), 403);
  assert.equal(await suite.ticketOf(page.context()), undefined);

  await page.fill('input[name=VORUsername]', 'crowd001');
  await page.fill('input[name=VORPassword]', 'not the password');
  await submit(page);
  assert.match(await page.locator('main').innerText(), /user ID or password is not valid/);
  assert.match(await page.locator('ul.messages').innerText(), /You could not be signed on/);
  assert.equal(await page.inputValue('input[name=VORUsername]'), 'crowd001');
  assert.equal(await page.inputValue('input[name=VORPassword]'), '');
  assert.equal(await suite.ticketOf(page.context()), undefined);
});

test('French browsers get the French captions', async () => {
  const { page } = await suite.newPage({ locale: 'fr-FR' });
  await page.goto(`${suite.url}/logon`);
  assert.equal(await page.locator('html').getAttribute('lang'), 'fr');
  await page.locator('p.caption',
    { hasText: "Veuillez saisir vos données d'identification" }).waitFor();
  assert.equal(await page.getByLabel('Mot de passe :').getAttribute('type'), 'password');
  assert.equal(await page.getByLabel('ID utilisateur :').getAttribute('type'), 'text');
  assert.equal(await page.locator('form.prompt button').innerText(), 'Se connecter');
});

test('an expired password leads to the change form and then signs on', async () => {
  const { page } = await suite.newPage();
  await suite.signOn(page, 'webexpired', PASSWORD);
  assert.equal(await page.locator('input[name=VOROldPassword]').getAttribute('type'), 'password');
  assert.equal(await page.locator('input[name=VORNewPassword]').count(), 2);
  assert.equal(await page.locator('form.prompt button').innerText(), 'Change password');

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
  const first = await suite.newPage();
  await suite.signOn(first.page, 'crowd002', PASSWORD);
  assert.match(first.page.url(), /\/browse/);
  const ticket = await suite.ticketOf(first.context);
  assert.ok(ticket, 'the provider issued an AS_TICKET cookie');
  assert.equal(ticket.httpOnly, true);
  assert.equal(ticket.sameSite, 'Lax');
  assert.equal(ticket.path, '/');
  assert.equal(ticket.secure, false);
  const session = (await first.context.cookies(suite.url))
    .find((cookie) => cookie.name === 'basalt_session');
  assert.ok(session.httpOnly);
  assert.notEqual(session.value, ticket.value, 'the visa stays on the server');

  const second = await suite.newPage();
  await second.context.addCookies([{ name: 'AS_TICKET', value: ticket.value, url: suite.url }]);
  await second.page.goto(`${suite.url}/browse`);
  assert.match(second.page.url(), /\/browse/);
  assert.equal(await second.page.locator('input[name=VORPassword]').count(), 0);
  await second.page.locator('header .signedon').waitFor();

  await follow(first.page, 'header form button[type=submit]');
  await first.page.locator('main', { hasText: 'You have signed off.' }).waitFor();
  assert.equal(await suite.ticketOf(first.context), undefined, 'sign-off clears the ticket cookie');
  await first.page.goto(`${suite.url}/browse`);
  assert.match(first.page.url(), /\/logon/);
  assert.equal(await first.page.locator('input[name=VORPassword]').count(), 1);
});
