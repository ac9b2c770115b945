// Starts the virtual printer headless on loopback and reads its API; tests/browser uses it too.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { createInterface } from 'node:readline';

export const PRINTER = process.env.VIRTUAL_PRINTER ?? 'virtual-printer';

// The printer on free ports unless told the HTTP one, with any further arguments. Its first lines
// say where it listens: "tcp HOST:PORT", "http HOST:PORT" or "https HOST:PORT". Its standard
// error is kept in `log`, and `waitForLog` resolves when a line matching a pattern has been written.
export async function startPrinter({ http = '127.0.0.1:0', args = [] } = {}) {
  const child = spawn(PRINTER, ['--headless', '--listen', '127.0.0.1:0', '--http', http, ...args],
                      { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' } });
  const printer = { process: child, log: '', waiters: [], scheme: 'http' };
  child.stderr.on('data', (chunk) => {
    printer.log += chunk;
    printer.waiters = printer.waiters.filter(({ pattern, resolve }) => !(pattern.test(printer.log) && (resolve(), true)));
  });
  const lines = createInterface({ input: child.stdout });
  const ready = new Promise((resolve, reject) => {
    lines.on('line', (line) => {
      const [word, address] = line.split(' ');
      if (word === 'https')
        printer.scheme = 'https';
      const kind = word === 'https' ? 'http' : word;
      if (kind === 'tcp' || kind === 'http') {
        const colon = address.lastIndexOf(':');
        printer[kind] = { host: address.slice(0, colon), port: Number(address.slice(colon + 1)) };
      }
      if (printer.tcp && printer.http)
        resolve();
    });
    child.on('exit', (code) => reject(new Error(`${PRINTER} ended (${code}) before it listened: ${printer.log}`)));
    child.on('error', reject);
  });
  const timer = setTimeout(() => child.kill(), 10_000);
  try {
    await ready;
  } finally {
    clearTimeout(timer);
  }
  printer.url = `${printer.scheme}://${printer.http.host}:${printer.http.port}`;
  printer.waitForLog = (pattern) => new Promise((resolve) => {
    if (pattern.test(printer.log))
      resolve();
    else
      printer.waiters.push({ pattern, resolve });
  });
  printer.receipts = async () => (await fetch(`${printer.url}/api/receipts`)).json();
  printer.receipt = async (number) => (await fetch(`${printer.url}/api/receipts/${number}.json`)).json();
  printer.setStatus = async (conditions) => {
    const answer = await fetch(`${printer.url}/api/status`, { method: 'PUT', body: JSON.stringify(conditions) });
    if (!answer.ok)
      throw new Error(await answer.text());
  };
  printer.stop = async () => {
    if (child.exitCode === null && child.signalCode === null) {
      child.kill();
      await once(child, 'exit');
    }
  };
  return printer;
}
