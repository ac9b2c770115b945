// The printer over HTTPS, called by headless Chromium from a page of another origin that is
// allowed, as a web point of sale served over https prints: the preflight, the SOAP request and
// the receipt.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { once } from 'node:events';
import { mkdtemp, readFile, rm } from 'node:fs/promises';
import { createServer } from 'node:https';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { envelope, launchChromium, startPrinter } from './printer.mjs';

let folder;
let site;
let printer;
let browser;

before(async () => {
  // A certificate for localhost, as the README makes one.
  folder = await mkdtemp(join(tmpdir(), 'printer-tls-'));
  const cert = join(folder, 'cert.pem');
  const key = join(folder, 'key.pem');
  execFileSync('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '1', '-keyout', key,
                           '-out', cert, '-subj', '/CN=localhost',
                           '-addext', 'subjectAltName=DNS:localhost,IP:127.0.0.1'], { stdio: 'ignore' });
  // The point of sale's own site, on another port: another origin.
  site = createServer({ cert: await readFile(cert), key: await readFile(key) }, (request, response) => {
    response.writeHead(200, { 'Content-Type': 'text/html' }).end('<!doctype html><title>Point of sale</title>');
  });
  site.listen(0, '127.0.0.1');
  await once(site, 'listening');
  const origin = `https://localhost:${site.address().port}`;
  printer = await startPrinter({ args: ['--http-cert', cert, '--http-key', key, '--http-origin', origin] });
  browser = await launchChromium();
});

after(async () => {
  await browser?.close();
  await printer?.stop();
  site?.close();
  if (folder)
    await rm(folder, { recursive: true, force: true });
});

test('a page of an allowed https origin prints over https', async () => {
  assert.match(printer.url, /^https:/);
  const context = await browser.newContext({ ignoreHTTPSErrors: true });
  const page = await context.newPage();
  await page.goto(`https://localhost:${site.address().port}/`);
  const service = `https://localhost:${printer.http.port}/cgi-bin/epos/service.cgi?devid=local_printer&timeout=10000`;
  const document = envelope('<text align="center" width="2" height="2">HTTPS&#10;</text>' +
                            '<text align="left" width="1" height="1">from another origin&#10;</text><cut type="feed"/>');
  const answer = await page.evaluate(async ([url, body]) => {
    const response = await fetch(url, {
      method: 'POST', body,
      headers: { 'Content-Type': 'text/xml; charset=utf-8', SOAPAction: '""', 'If-Modified-Since': 'Thu, 01 Jan 1970 00:00:00 GMT' },
    });
    return { status: response.status, text: await response.text() };
  }, [service, document]);
  console.log(`page ${page.url()} posted to ${service}: HTTP ${answer.status}\n${answer.text}`);
  assert.equal(answer.status, 200);
  assert.match(answer.text, /<response success="true" code="" status="2" battery="0"/);
  // An allowed origin's page may read the printer's API too.
  const receipts = await page.evaluate(async (url) => (await fetch(url)).json(), `${printer.url}/api/receipts`);
  console.log(`receipts: ${JSON.stringify(receipts.map(({ number, source, cut, height }) => ({ number, source, cut, height })))}`);
  assert.deepEqual(receipts.map((receipt) => receipt.source), ['epos']);
  await context.close();
});
