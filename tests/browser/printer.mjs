// Talks to the virtual printer over TCP and in headless Chromium.
import { once } from 'node:events';
import { createConnection } from 'node:net';
import { chromium } from 'playwright-core';

export { startPrinter } from '../web/printer.mjs';
export const CHROMIUM = process.env.CHROMIUM ?? '/usr/bin/chromium';

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
