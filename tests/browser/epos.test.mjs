// Web print documents POSTed to the running printer as a point-of-sale page sends them: each
// fixture prints as its golden receipt, every status condition answers with its fixed status and
// code, and hostile documents are refused whole, printing nothing.
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { createConnection } from 'node:net';
import { once } from 'node:events';
import { after, before, describe, test } from 'node:test';
import { envelope, startPrinter } from './printer.mjs';

const FIXTURES = new URL('./epos/', import.meta.url);
const SERVICE = '/cgi-bin/epos/service.cgi';
const ORIGIN = 'http://pos.localhost:5173';

const TICKET = envelope('<text>ticket&#10;</text><cut type="feed"/>');

// The response's success, code and status, as the page's script reads them.
function parse(xml) {
  const response = /<response success="(\w+)" code="(\w*)" status="(\d+)" battery="0"/.exec(xml);
  assert.ok(response, xml);
  return { success: response[1] === 'true', code: response[2], status: Number(response[3]) };
}

describe('web print documents', () => {
  let printer;
  const post = async (body, query = 'devid=local_printer&timeout=10000', headers = {}) => {
    const response = await fetch(`${printer.url}${SERVICE}?${query}`, {
      method: 'POST',
      headers: { 'Content-Type': 'text/xml; charset=utf-8', SOAPAction: '""', ...headers },
      body,
    });
    return { http: response.status, headers: response.headers, text: await response.text() };
  };

  before(async () => {
    printer = await startPrinter({ args: ['--http-origin', ORIGIN] });
  });
  after(async () => printer?.stop());

  for (const fixture of ['every-element', 'order-ticket']) {
    test(`${fixture}.xml prints as its golden receipt`, async () => {
      const before = (await printer.receipts()).length;
      const answer = parse((await post(await readFile(new URL(`${fixture}.xml`, FIXTURES)))).text);
      assert.deepEqual(answer, { success: true, code: '', status: 2 });
      const list = await printer.receipts();
      assert.equal(list.length, before + 1);
      assert.equal(list.at(-1).source, 'epos');
      const receipt = await printer.receipt(list.at(-1).number);
      delete receipt.number;
      const golden = JSON.parse(await readFile(new URL(`${fixture}.json`, FIXTURES), 'utf8'));
      assert.deepEqual(receipt, golden);
    });
  }

  test('text prints in its language\'s characters, "?" for one its table lacks', async () => {
    const document = envelope('<text>Caf\u00e9 \u20ac5 \u4e2d&#10;</text><text lang="zh-cn">\u4e2d\u6587&#10;</text>' +
                              '<text lang="en">\u00fcber&#10;</text><cut/>');
    assert.equal(parse((await post(document)).text).success, true);
    const receipt = await printer.receipt('latest');
    assert.deepEqual(receipt.lines, ['Caf\u00e9 \u20ac5 ?', '\u4e2d\u6587', '\u00fcber']);
    assert.deepEqual(receipt.warnings, []);
  });

  // Each condition of the status table alone: whether the document prints, the code, and the
  // status bits (0x2 printed, 0x1 no response, 0x4 drawer, 0x8 off-line, 0x20 cover, 0x400
  // mechanical, 0x800 cutter, 0x2000 unrecoverable, 0x20000 paper near end, 0x80000 paper end).
  const conditions = [
    ['none', true, '', 0x2],
    ['near_end', true, '', 0x20002],
    ['paper_near_end', true, '', 0x20002],
    ['drawer', true, '', 0x6],
    ['no_reply', true, '', 0x3],
    ['paper_jam', false, 'EPTR_MECHANICAL', 0x408],
    ['cover_open', false, 'EPTR_COVER_OPEN', 0x28],
    ['voltage', false, 'EPTR_UNRECOVERABLE', 0x2008],
    ['cutter_error', false, 'EPTR_AUTOCUTTER', 0x808],
    ['ram_error', false, 'EPTR_UNRECOVERABLE', 0x2008],
    ['eeprom_error', false, 'EPTR_UNRECOVERABLE', 0x2008],
    ['paper_end', false, 'EPTR_REC_EMPTY', 0x80008],
  ];
  for (const [condition, success, code, status] of conditions) {
    test(`${condition}: success ${success}, code "${code}", status 0x${status.toString(16)}`, async () => {
      if (condition !== 'none')
        await printer.setStatus({ [condition]: true });
      try {
        const before = (await printer.receipts()).length;
        assert.deepEqual(parse((await post(TICKET)).text), { success, code, status });
        assert.equal((await printer.receipts()).length, before + (success ? 1 : 0));
      } finally {
        if (condition !== 'none')
          await printer.setStatus({ [condition]: false });
      }
    });
  }

  test('another device is DeviceNotFound', async () => {
    assert.deepEqual(parse((await post(TICKET, 'devid=kitchen_printer')).text),
                     { success: false, code: 'DeviceNotFound', status: 0 });
  });

  test('a document whose turn does not come within its timeout is EX_TIMEOUT and never prints', async () => {
    // A TCP client holds the printer with a job it has not finished.
    const holder = createConnection(printer.tcp);
    await once(holder, 'connect');
    holder.write(Buffer.from('held\n'));
    const before = (await printer.receipts()).length;
    assert.deepEqual(parse((await post(TICKET, 'devid=local_printer&timeout=300')).text),
                     { success: false, code: 'EX_TIMEOUT', status: 0 });
    holder.end();
    await once(holder, 'close');
    await post(TICKET); // in the turn after the holder's: the withdrawn document is gone
    const sources = (await printer.receipts()).slice(before).map((receipt) => receipt.source);
    assert.deepEqual(sources.map((source) => source.split(' ')[0]), ['tcp', 'epos']);
  });

  // Each refused whole, nothing printed, the printer serving on.
  const laughs = '<!DOCTYPE lolz [<!ENTITY lol "lol"><!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;">' +
                 '<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">]>';
  const hostile = [
    ['entity expansion', laughs + envelope('<text>&lol3;</text>')],
    ['an external entity', '<!DOCTYPE x [<!ENTITY file SYSTEM "file:///etc/passwd">]>' + envelope('<text>&file;</text>')],
    ['an undeclared entity', envelope('<text>&secret;</text>')],
    ['deep nesting', `${'<a>'.repeat(100000)}${envelope('<feed/>')}${'</a>'.repeat(100000)}`],
    ['an element inside text', envelope('<text><text>a</text></text>')],
    ['too many elements', envelope('<feed/>'.repeat(100001))],
    ['not well formed', envelope('<text>unclosed')],
    ['an element the schema does not have', envelope('<text>a</text><print-everything/>')],
    ['a value the schema does not have', envelope('<text align="middle">a</text>')],
    ['invalid base64', envelope('<image width="8" height="1">!!!!</image><text>after</text>')],
    ['too little image data', envelope('<image width="16" height="2">AAA=</image>')],
    ['an image wider than the paper', envelope(`<image width="600" height="1">${Buffer.alloc(75).toString('base64')}</image>`)],
    ['a barcode of another type', envelope('<barcode type="code11">123</barcode>')],
    ['odd hex in a command', envelope('<command>1b4</command>')],
    ['no epos-print', '<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body/></s:Envelope>'],
  ];
  for (const [name, body] of hostile) {
    test(`${name} is a SchemaError and prints nothing`, async () => {
      const before = (await printer.receipts()).length;
      assert.deepEqual(parse((await post(body)).text), { success: false, code: 'SchemaError', status: 0 });
      assert.equal((await printer.receipts()).length, before);
    });
  }

  test('a body of 16 MiB + 1 is refused with 413 and prints nothing', async () => {
    const before = (await printer.receipts()).length;
    // Answered from the head, before a byte of the body is sent.
    const socket = createConnection(printer.http);
    await once(socket, 'connect');
    socket.write(`POST ${SERVICE}?devid=local_printer HTTP/1.1\r\nHost: localhost\r\n` +
                 `Content-Type: text/xml\r\nContent-Length: ${16 * 1024 * 1024 + 1}\r\n\r\n`);
    const [head] = await once(socket, 'data');
    socket.destroy();
    assert.match(head.toString('latin1'), /^HTTP\/1\.1 413 /);
    assert.equal((await printer.receipts()).length, before);
    assert.deepEqual(parse((await post(TICKET)).text).success, true);
  });

  test('a page of an allowed origin may send SOAP; another origin may not', async () => {
    const preflight = await fetch(`${printer.url}${SERVICE}?devid=local_printer`, {
      method: 'OPTIONS',
      headers: { Origin: ORIGIN, 'Access-Control-Request-Method': 'POST',
                 'Access-Control-Request-Headers': 'content-type,soapaction,if-modified-since' },
    });
    assert.equal(preflight.status, 204);
    assert.equal(preflight.headers.get('access-control-allow-origin'), ORIGIN);
    assert.match(preflight.headers.get('access-control-allow-headers'), /SOAPAction/);
    assert.match(preflight.headers.get('access-control-allow-methods'), /POST/);
    const allowed = await post(TICKET, 'devid=local_printer', { Origin: ORIGIN });
    assert.equal(allowed.headers.get('access-control-allow-origin'), ORIGIN);
    assert.equal(parse(allowed.text).success, true);
    assert.equal((await post(TICKET, 'devid=local_printer', { Origin: 'http://elsewhere.example' })).http, 403);
  });
});
