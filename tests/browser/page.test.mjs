// The printer's page in headless Chromium, against the real program on loopback: it loads cleanly,
// shows what is printed over TCP without a reload, sets the status the printer answers with, and
// forgets the receipts.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import { ask, escpos, launchChromium, printOverTcp, startPrinter } from './printer.mjs';

const DLE_EOT_4 = [0x10, 0x04, 0x04]; // paper sensor status
const ticket = (text) => escpos([0x1b, 0x40], `${text}\n`, [0x1d, 0x56, 0x00]); // ESC @, text, GS V 0

describe("the virtual printer's page", () => {
  let printer;
  let browser;
  let page;
  const problems = []; // console errors, page errors, failed requests, error responses

  before(async () => {
    printer = await startPrinter();
    browser = await launchChromium();
    page = await browser.newPage();
    page.on('console', (message) => {
      if (message.type() === 'error' || message.type() === 'warning')
        problems.push(`console ${message.type()}: ${message.text()}`);
    });
    page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
    page.on('requestfailed', (request) =>
      problems.push(`request failed: ${request.url()} ${request.failure()?.errorText}`));
    page.on('response', (response) => {
      if (response.status() >= 400)
        problems.push(`${response.status()} for ${response.url()}`);
    });
    await page.goto(printer.url);
    await page.locator('#connection[data-state="live"]').waitFor({ timeout: 5000 });
  });

  after(async () => {
    await browser?.close();
    await printer?.stop();
  });

  test('loads its own files and shows the eleven conditions, none set', async () => {
    assert.equal(await page.title(), 'Virtual printer');
    assert.equal(await page.getByRole('heading', { level: 1 }).textContent(), 'Virtual printer');
    const labels = ['Near end', 'Paper near end', 'Paper end', 'Paper jam at exit', 'Cover open',
                    'Voltage out of range', 'Cutter error', 'RAM error', 'EEPROM error', 'Drawer pin 3 high',
                    'No reply'];
    for (const label of labels)
      assert.equal(await page.getByRole('checkbox', { name: label, exact: true }).isChecked(), false, label);
    assert.equal(await page.getByRole('checkbox').count(), labels.length);
    assert.ok(await page.getByRole('button', { name: 'Forget receipts' }).isVisible());
    await page.locator('#empty').waitFor({ timeout: 3000 }); // once the list is read
    assert.deepEqual(problems, []);
  });

  test('a receipt printed over TCP appears without a reload, dot for dot', async () => {
    await page.evaluate(() => { window.notReloaded = true; });
    const sent = Date.now();
    await printOverTcp(printer.tcp, escpos([0x1b, 0x40], 'Browser test\n', [0x1b, 0x45, 1], 'TOTAL 1.00\n',
                                           [0x1b, 0x45, 0], [0x1d, 0x56, 0x00]));
    const receipt = page.locator('li.receipt');
    await receipt.first().waitFor({ timeout: 5000 });
    const waited = Date.now() - sent;
    assert.equal(await receipt.count(), 1);
    assert.equal(await page.evaluate(() => window.notReloaded), true);
    assert.equal(await receipt.locator('h3').textContent(), 'Receipt 1');
    assert.match(await receipt.locator('.source').textContent(), /^tcp 127\.0\.0\.1:\d+$/);
    assert.equal(await receipt.locator('.cut').textContent(), 'full cut');

    const picture = receipt.locator('img');
    // Laid out is not loaded: the picture's own size is there once it has arrived.
    await page.waitForFunction(() => document.querySelector('li.receipt img')?.naturalWidth > 0);
    const [width, height, naturalWidth, naturalHeight] = await picture.evaluate(
      (img) => [img.width, img.height, img.naturalWidth, img.naturalHeight]);
    assert.deepEqual([width, height], [naturalWidth, naturalHeight]);

    await receipt.locator('summary', { hasText: 'Command log' }).click();
    await page.waitForFunction(() => /GS V|1d 56 00/i.test(document.querySelector('li.receipt .log-text').textContent));
    console.log(`the receipt was shown ${waited} ms after it was sent`);
    assert.deepEqual(problems, []);
  });

  test('ticking "Paper end" changes the answer to DLE EOT 4 at once', async () => {
    assert.equal(await ask(printer.tcp, DLE_EOT_4, 1), '12');
    const paperEnd = page.getByRole('checkbox', { name: 'Paper end', exact: true });
    const put = page.waitForResponse((response) => response.url().endsWith('/api/status')
                                                   && response.request().method() === 'PUT');
    await paperEnd.check();
    assert.equal((await put).status(), 200);
    assert.equal(await ask(printer.tcp, DLE_EOT_4, 1), '72'); // bits 5 and 6: paper end

    const putAgain = page.waitForResponse((response) => response.url().endsWith('/api/status')
                                                        && response.request().method() === 'PUT');
    await paperEnd.uncheck();
    await putAgain;
    assert.equal(await ask(printer.tcp, DLE_EOT_4, 1), '12');
    assert.deepEqual(problems, []);
  });

  test('a condition set by another client shows on the page', async () => {
    await printer.setStatus({ cover_open: true });
    const coverOpen = page.getByRole('checkbox', { name: 'Cover open', exact: true });
    await page.waitForFunction(() => document.querySelector('input[name=cover_open]').checked,
                               null, { timeout: 3000 });
    assert.equal(await coverOpen.isChecked(), true);
    assert.equal(await page.getByRole('checkbox', { name: 'Paper end', exact: true }).isChecked(), false);
  });

  test('"Forget receipts" empties the list', async () => {
    await page.getByRole('button', { name: 'Forget receipts' }).click();
    await page.waitForFunction(() => document.querySelectorAll('li.receipt').length === 0,
                               null, { timeout: 3000 });
    assert.ok(await page.locator('#empty').isVisible());
    assert.deepEqual(await printer.receipts(), []);
    assert.deepEqual(problems, []);
  });

  test('receipts forgotten by another client leave the page', async () => {
    await printOverTcp(printer.tcp, ticket('Forgotten elsewhere'));
    await page.waitForFunction(() => document.querySelectorAll('li.receipt').length === 1);
    const response = await fetch(new URL('/api/receipts', printer.url), { method: 'DELETE' });
    assert.equal(response.status, 200);
    await page.waitForFunction(() => document.querySelectorAll('li.receipt').length === 0, null,
                               { timeout: 3000 });
    assert.deepEqual(problems, []);
  });

  // Last: while the printer is away the browser reports the refused connections.
  test('after the printer restarts, the page shows what the new one kept, missing nothing', async () => {
    await printOverTcp(printer.tcp, ticket('Before the restart'));
    await page.waitForFunction(() => document.querySelectorAll('li.receipt').length === 1);
    const { port } = printer.http;
    await printer.stop();
    await page.locator('#connection[data-state="lost"]').waitFor({ timeout: 5000 });

    printer = await startPrinter({ http: `127.0.0.1:${port}` });
    // Printed before the page has its events again: the list it reads on reconnecting has them.
    await printOverTcp(printer.tcp, ticket('After the restart'));
    await printOverTcp(printer.tcp, ticket('And another'));
    await page.locator('#connection[data-state="live"]').waitFor({ timeout: 10000 });
    await page.waitForFunction(() => document.querySelectorAll('li.receipt').length === 2, null,
                               { timeout: 5000 });
    assert.deepEqual(await page.locator('li.receipt h3').allTextContents(), ['Receipt 2', 'Receipt 1']);
  });
});
