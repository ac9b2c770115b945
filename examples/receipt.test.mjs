// Prints a receipt to the virtual printer and checks what it printed.
import ReceiptPrinterEncoder from '@point-of-sale/receipt-printer-encoder';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { mkdtemp, readFile } from 'node:fs/promises';
import { createConnection } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createInterface } from 'node:readline';
import { setTimeout as sleep } from 'node:timers/promises';
import { test } from 'node:test';

const PRINTER = process.env.VIRTUAL_PRINTER ?? 'virtual-printer';

async function savedReceipt(path, seconds = 10) {
  for (const deadline = Date.now() + seconds * 1000; Date.now() < deadline; await sleep(50)) {
    try {
      return JSON.parse(await readFile(path, 'utf8')).receipts[0];
    } catch {} // the printer writes it when the cut arrives
  }
  throw new Error(`${path} was not written`);
}

test('the total and the QR code', async (t) => {
  const folder = await mkdtemp(join(tmpdir(), 'receipts-'));
  const printer = spawn(PRINTER, ['--headless', '--listen', '127.0.0.1:0', '--save', folder]);
  t.after(() => printer.kill());
  const output = createInterface({ input: printer.stdout })[Symbol.asyncIterator]();
  await output.next(); // the serial port
  const [host, port] = (await output.next()).value.split(' ')[1].split(':'); // "tcp HOST:PORT"

  const bytes = new ReceiptPrinterEncoder({ language: 'esc-pos' })
    .initialize()
    .bold(true).text('Total').bold(false).line('   $3.50')
    .qrcode('https://example.com/r/1')
    .cut()
    .encode();
  const socket = createConnection({ host, port: Number(port) });
  socket.end(bytes);
  await once(socket, 'close');

  const receipt = await savedReceipt(join(folder, 'receipt-0001.json'));
  assert.equal(receipt.lines[0], 'Total   $3.50');
  const total = receipt.items.find((item) => item.text === 'Total');
  assert.deepEqual([total.bold, total.x, total.y], [true, 0, 0]);
  assert.ok(receipt.items.some((item) => item.type === 'code2d' && item.data === 'https://example.com/r/1'));
  assert.equal(receipt.cut, 'full');
});
