// WebPRNT: requests of the public builder printed and answered as its trader reads them, the
// status for each condition, hostile requests refused whole, and pages of allowed origins.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { request as httpRequest } from 'node:http';
import { startPrinter } from './printer.mjs';
import { RECEIPTS, envelope, traderResult } from './webprnt-requests.mjs';

const ORIGIN = 'http://pos.example:3000';
const READY = '230600000000000000';
let printer;
let path;

async function send(body, headers = {}) {
  const answer = await fetch(path, { method: 'POST', body, headers: { 'Content-Type': 'text/xml; charset=UTF-8', ...headers } });
  return { http: answer.status, ...traderResult(await answer.text()) };
}

// The answer to a body announced by its length and not sent: an oversized one is refused from
// the length alone, without being read.
function announce(length) {
  return new Promise((resolve, reject) => {
    const request = httpRequest(path, { method: 'POST', headers: { 'Content-Length': length } }, (response) => {
      response.resume();
      resolve(response.statusCode);
      request.destroy();
    });
    request.on('error', reject);
    request.flushHeaders();
  });
}

before(async () => {
  // Set to ESC/POS: WebPRNT jobs are Star jobs all the same, and the setting holds for others.
  printer = await startPrinter({ args: ['--http-origin', ORIGIN, '--emulation', 'escpos'] });
  path = `${printer.url}/StarWebPRNT/SendMessage`;
});
after(() => printer.stop());

test('receipts of the builder print as their goldens', async () => {
  for (const { name, request } of RECEIPTS) {
    const count = (await printer.receipts()).length;
    assert.deepEqual(await send(envelope(request)), { http: 200, success: 'true', code: 'OK', status: READY }, name);
    const receipts = await printer.receipts();
    assert.equal(receipts.length, count + 1, name);
    const kept = receipts.at(-1);
    assert.equal(kept.source, 'webprnt');
    const json = await (await fetch(`${printer.url}/api/receipts/${kept.number}.json`)).text();
    const goldenFile = new URL(`golden/webprnt-${name}.json`, import.meta.url);
    const { number, ...receipt } = JSON.parse(json);
    if (process.env.WEB_EVIDENCE) {
      writeFileSync(`${process.env.WEB_EVIDENCE}/webprnt-${name}.json`, json);
      writeFileSync(`${process.env.WEB_EVIDENCE}/webprnt-${name}.png`,
                    Buffer.from(await (await fetch(`${printer.url}/api/receipts/${kept.number}.png`)).arrayBuffer()));
    }
    assert.deepEqual(receipt, JSON.parse(readFileSync(goldenFile)), name);
  }
  const escPos = await (await fetch(`${printer.url}/api/print`, { method: 'POST', body: 'ESC/POS after\n\x1dV\x00' })).json();
  assert.equal((await printer.receipt(escPos.receipts[0])).command_set, 'escpos');
});

// Star status bytes 3-6 from the printer's status table; off-line (byte 3 bit 3) prints nothing.
const CONDITIONS = [
  { set: {}, success: 'true', code: 'OK', status: READY },
  { set: { cover_open: true }, success: 'false', code: 'ERROR_OFFLINE', status: '230628000000000000' },
  { set: { paper_end: true }, success: 'false', code: 'ERROR_OFFLINE', status: '230608000008000000' },
  { set: { paper_near_end: true }, success: 'true', code: 'OK', status: '230600000004000000' },
  { set: { cutter_error: true }, success: 'false', code: 'ERROR_OFFLINE', status: '230608080000000000' },
  { set: { paper_jam: true }, success: 'false', code: 'ERROR_OFFLINE', status: '230608040000000000' },
  { set: { drawer: true }, success: 'true', code: 'OK', status: '230604000000000000' },
];

test('the status for each condition', async () => {
  const clear = { cover_open: false, paper_end: false, paper_near_end: false, cutter_error: false, paper_jam: false, drawer: false };
  for (const row of CONDITIONS) {
    await printer.setStatus({ ...clear, ...row.set });
    const count = (await printer.receipts()).length;
    const { http, ...answer } = await send(envelope('<text>status\\x0a</text>'));
    assert.deepEqual(answer, { success: row.success, code: row.code, status: row.status }, JSON.stringify(row.set));
    assert.equal((await printer.receipts()).length, count + (row.success === 'true' ? 1 : 0), JSON.stringify(row.set));
  }
  await printer.setStatus(clear);
});

const HOSTILE = [
  { name: 'entity in the request', body: envelope('<text>&a;</text>', '<!DOCTYPE root [<!ENTITY a "aaaaaaaaaa">]><root>') },
  { name: 'entity in the envelope', body: '<!DOCTYPE s [<!ENTITY a "aaaa"><!ENTITY b "&a;&a;&a;&a;">]><StarWebPrint><Request>&b;</Request></StarWebPrint>' },
  { name: 'deep nesting', body: '<a>'.repeat(200) + '</a>'.repeat(200) },
  { name: 'not XML', body: '<StarWebPrint><Request>' },
  { name: 'no request', body: '<StarWebPrint/>' },
  { name: 'invalid base64', body: envelope('<text>first\\x0a</text><bitimage width="8" height="1">*not base64*</bitimage>') },
  { name: 'image wider than the paper', body: envelope(`<bitimage width="800" height="1">${Buffer.alloc(100).toString('base64')}</bitimage>`) },
  { name: 'image short of its rows', body: envelope('<bitimage width="16" height="8">AAAA</bitimage>') },
  { name: 'unknown element after text', body: envelope('<text>half a receipt\\x0a</text><print/>') },
  { name: 'attribute out of range', body: envelope('<text width="9">x</text>') },
  { name: 'bad escape', body: envelope('<text>\\q</text>') },
  { name: 'element inside an element', body: envelope('<text><text>x</text></text>') },
];

test('hostile requests are refused whole', async () => {
  const count = (await printer.receipts()).length;
  for (const { name, body } of HOSTILE) {
    const answer = await send(body);
    assert.deepEqual([answer.http, answer.success, answer.code], [400, 'false', 'ERROR_PARSE'], name);
  }
  assert.equal(await announce(16 * 1024 * 1024 + 1), 413);
  assert.equal((await printer.receipts()).length, count);
});

test('pages of allowed origins', async () => {
  const preflight = await fetch(path, { method: 'OPTIONS', headers: { Origin: ORIGIN, 'Access-Control-Request-Method': 'POST',
                                                                    'Access-Control-Request-Headers': 'content-type' } });
  assert.equal(preflight.status, 204);
  assert.equal(preflight.headers.get('access-control-allow-origin'), ORIGIN);
  assert.match(preflight.headers.get('access-control-allow-methods'), /POST/);
  const allowed = await fetch(path, { method: 'POST', body: envelope('<text>from a page\\x0a</text>'), headers: { Origin: ORIGIN } });
  assert.equal(allowed.headers.get('access-control-allow-origin'), ORIGIN);
  assert.equal(traderResult(await allowed.text()).success, 'true');
  const other = await fetch(path, { method: 'POST', body: envelope('<text>x</text>'), headers: { Origin: 'http://elsewhere.example' } });
  assert.equal(other.status, 403);
});
