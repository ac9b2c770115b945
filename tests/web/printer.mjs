// Starts the virtual printer headless on loopback with its HTTP server, and reads its API.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { createInterface } from 'node:readline';

export const PRINTER = process.env.VIRTUAL_PRINTER ?? 'virtual-printer';

// Resolves once the printer names its HTTP address; its standard error is kept in `log`, and
// `waitForLog` resolves when a line matching a pattern has been written.
export async function startPrinter(extra = []) {
  const child = spawn(PRINTER, ['--headless', '--listen', 'off', '--http', '127.0.0.1:0', ...extra],
                      { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' } });
  const printer = { process: child, log: '', waiters: [] };
  child.stderr.on('data', (chunk) => {
    printer.log += chunk;
    printer.waiters = printer.waiters.filter(({ pattern, resolve }) => !(pattern.test(printer.log) && (resolve(), true)));
  });
  const lines = createInterface({ input: child.stdout });
  printer.url = await new Promise((resolve, reject) => {
    lines.on('line', (line) => {
      if (line.startsWith('http '))
        resolve(`http://${line.slice(5)}`);
    });
    child.on('exit', (code) => reject(new Error(`${PRINTER} ended (${code}) before it listened: ${printer.log}`)));
  });
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
