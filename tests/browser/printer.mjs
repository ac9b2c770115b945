// Starts the virtual printer on loopback and talks to it over TCP and in headless Chromium.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { createConnection } from 'node:net';
import { createInterface } from 'node:readline';
import { chromium } from 'playwright-core';

export const PRINTER = process.env.VIRTUAL_PRINTER ?? 'virtual-printer';
export const CHROMIUM = process.env.CHROMIUM ?? '/usr/bin/chromium';

// The printer headless on loopback, on free ports unless told the HTTP one, with any further
// arguments. Its first lines say where it listens: the serial port's path, "tcp HOST:PORT",
// "http HOST:PORT" or "https HOST:PORT".
export async function startPrinter({ http = '127.0.0.1:0', args = [] } = {}) {
  const child = spawn(PRINTER, ['--headless', '--listen', '127.0.0.1:0', '--http', http, ...args],
                         { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' } });
  let errors = '';
  child.stderr.on('data', (chunk) => { errors += chunk; });
  const addresses = {};
  const lines = createInterface({ input: child.stdout });
  const ready = new Promise((resolve, reject) => {
    lines.on('line', (line) => {
      const [word, address] = line.split(' ');
      const kind = word === 'https' ? 'http' : word;
      if (word === 'https')
        addresses.scheme = 'https';
      if (kind === 'tcp' || kind === 'http') {
        const colon = address.lastIndexOf(':');
        addresses[kind] = { host: address.slice(0, colon), port: Number(address.slice(colon + 1)) };
      }
      if (addresses.tcp && addresses.http)
        resolve();
    });
    child.on('exit', (code) => reject(new Error(`${PRINTER} ended (${code}) before it listened: ${errors}`)));
    child.on('error', reject);
  });
  const timer = setTimeout(() => child.kill(), 10_000);
  try {
    await ready;
  } finally {
    clearTimeout(timer);
  }
  return {
    process: child,
    tcp: addresses.tcp,
    http: addresses.http,
    url: `${addresses.scheme ?? 'http'}://${addresses.http.host}:${addresses.http.port}/`,
    async stop() {
      if (child.exitCode === null && child.signalCode === null) {
        child.kill();
        await once(child, 'exit');
      }
    },
  };
}

// Sends bytes on a connection of their own and closes it: one print job.
export async function printOverTcp(tcp, bytes) {
  const socket = createConnection(tcp);
  socket.end(Buffer.from(bytes));
  await once(socket, 'close');
}

// Sends a request and collects what the printer sends back until it has `length` bytes or
// `milliseconds` have passed (a printer with "no reply" sends nothing).
export async function ask(tcp, bytes, length, milliseconds = 2000) {
  const socket = createConnection(tcp);
  await once(socket, 'connect');
  let answer = Buffer.alloc(0);
  const done = new Promise((resolve) => {
    const timer = setTimeout(resolve, milliseconds);
    socket.on('data', (chunk) => {
      answer = Buffer.concat([answer, chunk]);
      if (answer.length >= length) {
        clearTimeout(timer);
        resolve();
      }
    });
  });
  socket.write(Buffer.from(bytes));
  await done;
  socket.destroy();
  return answer.toString('hex');
}

// Headless Chromium from the system. As root it has no sandbox to drop privileges into.
export async function launchChromium() {
  const args = ['--disable-gpu', '--disable-dev-shm-usage', '--no-first-run', '--no-default-browser-check'];
  if (process.getuid?.() === 0)
    args.push('--no-sandbox');
  return chromium.launch({ executablePath: CHROMIUM, headless: true, args });
}

// ESC/POS bytes from text and byte values; strings are sent as Latin-1.
export function escpos(...parts) {
  const bytes = [];
  for (const part of parts) {
    if (typeof part === 'string')
      bytes.push(...Buffer.from(part, 'latin1'));
    else if (Array.isArray(part))
      bytes.push(...part);
    else
      bytes.push(part);
  }
  return Buffer.from(bytes);
}

// A web print document: the elements in <epos-print> in a SOAP envelope.
export const envelope = (elements) =>
  '<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body>' +
  `<epos-print xmlns="http://www.epson-pos.com/schemas/2011/03/epos-print">${elements}</epos-print>` +
  '</s:Body></s:Envelope>';
