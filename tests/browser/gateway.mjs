// Starts basalt-host serve for the tests and a headless Chromium to drive it.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';

// Starts the gateway for the namespace configurations given, on a free loopback port, with the
// further serve options in args; resolves with its URL once it listens.
export async function startGateway({ host, library, home, configurations, args = [] }) {
  const work = mkdtempSync(join(tmpdir(), 'basalt-web-'));
  const configArgs = configurations.flatMap((configuration, i) => {
    const path = join(work, `namespace${i}.xml`);
    writeFileSync(path, configuration);
    return ['-c', path];
  });
  const child = spawn(host, ['--library', library, 'serve', ...configArgs, '--port', '0', ...args],
    { env: { ...process.env, BASALT_HOME: home }, stdio: ['ignore', 'pipe', 'pipe'] });
  let output = '';
  child.stderr.on('data', (chunk) => { output += chunk; process.stderr.write(chunk); });
  const url = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`the gateway did not start:\n${output}`)), 60000);
    child.stdout.on('data', (chunk) => {
      output += chunk;
      const match = /listening on (http:\/\/\S+)/.exec(output);
      if (match) {
        clearTimeout(timer);
        resolve(match[1].replace(/\/$/, ''));
      }
    });
    child.on('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`the gateway exited with ${code}:\n${output}`));
    });
  });
  return {
    url,
    output: () => output,
    // Stops it as an administrator would; resolves with its exit code.
    async stop() {
      const exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
      child.kill('SIGTERM');
      const code = await exited;
      rmSync(work, { recursive: true, force: true });
      return code;
    },
  };
}

// Debian's Chromium, headless, in a fresh profile of its own (so each call is a separate
// browser with no cookies); never a browser that Playwright would download.
export async function launchChromium(contextOptions = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'basalt-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: { width: 1100, height: 800 },
    ...contextOptions,
  });
  return {
    context,
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}
