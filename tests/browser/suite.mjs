// What every browser test file shares: the test data in the fixture directory, a running
// gateway, and fresh Chromium profiles that are closed again at the end.
//
// Environment (set by ctest): BASALT_HOST_PROGRAM, BASALT_PROVIDER_LIBRARY, RIDGE_TEST_ENV,
// BASALT_BROWSER_ARTIFACTS (where the screenshots go).
import assert from 'node:assert/strict';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { after, before } from 'node:test';

import { addTestData, namespaceConfiguration, readEnvironment, removeTestData }
  from './directory.mjs';
import { launchChromium, startGateway } from './gateway.mjs';

export const artifacts = process.env.BASALT_BROWSER_ARTIFACTS ?? join(process.cwd(), 'artifacts');

// Registers the set-up and tear-down of the calling test file; the returned object is filled
// in before its first test. The gateway serves the test namespace, and before it the fixture's
// namespaces named in others ([identifier, directory name, title] each).
export function useGateway({ others = [] } = {}) {
  const suite = { url: '', env: null };
  let gateway;
  const browsers = [];

  before(async () => {
    suite.env = readEnvironment(process.env.RIDGE_TEST_ENV);
    addTestData(suite.env);
    mkdirSync(artifacts, { recursive: true });
    gateway = await startGateway({
      host: process.env.BASALT_HOST_PROGRAM,
      library: process.env.BASALT_PROVIDER_LIBRARY,
      home: suite.env.RIDGE_TEST_HOME,
      configurations: [...others.map((other) => namespaceConfiguration(suite.env, ...other)),
        namespaceConfiguration(suite.env)],
    });
    suite.url = gateway.url;
  });

  after(async () => {
    for (const browser of browsers) await browser.close();
    const code = gateway ? await gateway.stop() : 0;
    if (suite.env) removeTestData(suite.env);
    assert.equal(code, 0, 'the gateway stops cleanly on SIGTERM');
  });

  // A page in a browser of its own (no cookies shared with any other).
  suite.newPage = async (options = {}) => {
    const browser = await launchChromium(options);
    browsers.push(browser);
    const page = browser.context.pages()[0] ?? (await browser.context.newPage());
    // Script never runs on these pages; a dialog would mean markup got through.
    page.on('dialog', (dialog) => {
      throw new Error(`a dialog opened: ${dialog.message()}`);
    });
    return { page, context: browser.context };
  };

  suite.signOn = async (page, user, password) => {
    await page.goto(`${suite.url}/logon`);
    await page.fill('input[name=VORUsername]', user);
    await page.fill('input[name=VORPassword]', password);
    await submit(page);
  };

  suite.ticketOf = async (context) =>
    (await context.cookies(suite.url)).find((cookie) => cookie.name === 'AS_TICKET');

  return suite;
}

// Clicks and waits for the page the click leads to.
export async function follow(page, selector) {
  await Promise.all([page.waitForNavigation(), page.click(selector)]);
}

export const submit = (page) => follow(page, 'form.prompt button[type=submit]');
