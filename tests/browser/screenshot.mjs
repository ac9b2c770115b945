// Draws the README's picture of the printer's page: three receipts printed over TCP (one with a
// barcode, one with a QR code), in headless Chromium at 1280 pixels wide.
//   VIRTUAL_PRINTER=build/virtual-printer/virtual-printer node tests/browser/screenshot.mjs [out.png]
import { mkdir } from 'node:fs/promises';
import { dirname, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchChromium, printOverTcp, startPrinter } from './printer.mjs';
import { feedback, kitchen, sale } from './receipts.mjs';

const top = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const output = resolve(process.argv[2] ?? `${top}/docs/virtual-printer-page.png`);

const printer = await startPrinter();
let browser;
try {
  browser = await launchChromium();
  const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
  page.on('pageerror', (error) => console.error(`page error: ${error.message}`));
  await page.goto(printer.url);
  await page.locator('#connection[data-state="live"]').waitFor({ timeout: 5000 });

  // One connection a receipt, as a till sends them; the page adds each as it is cut.
  const receipts = [sale, feedback, kitchen];
  for (const [index, bytes] of receipts.entries()) {
    await printOverTcp(printer.tcp, bytes);
    await page.waitForFunction((n) => document.querySelectorAll('li.receipt').length === n, index + 1);
  }
  await page.waitForFunction(() => [...document.querySelectorAll('li.receipt img')]
    .every((img) => img.complete && img.width > 0));

  // A status condition set, as a test of a till's error path would.
  const changed = page.waitForResponse((response) => response.url().endsWith('/api/status'));
  await page.getByRole('checkbox', { name: 'Paper near end', exact: true }).check();
  await changed;
  await page.locator('li.receipt').first().locator('summary').click();
  await page.waitForFunction(() => document.querySelector('li.receipt .log-text').textContent.length > 0);
  await page.mouse.move(0, 0);
  await page.evaluate(() => document.activeElement?.blur());

  await mkdir(dirname(output), { recursive: true });
  await page.screenshot({ path: output, fullPage: true });
  console.log(`wrote ${output}`);
} finally {
  await browser?.close();
  await printer.stop();
}
