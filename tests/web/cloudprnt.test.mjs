// The printer as a CloudPRNT client of a server in this test: three jobs in three media types,
// then server errors, then an answer slower than the printer waits. Every job must be fetched
// once, printed once and confirmed once (a confirmation the server refused is sent again, the
// job is not printed again), each kind of failure told once, and the printer still polling.
// The server follows the public CloudPRNT protocol: a JSON POST poll, a GET of the job with
// type= one of the offered media types, a DELETE with code= the result.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createServer } from 'node:http';
import { once } from 'node:events';
import { readFileSync, writeFileSync } from 'node:fs';
import { startPrinter } from './printer.mjs';

const picture = readFileSync(new URL('../../packaging/icons/hicolor/64x64/apps/org.thermalprinterdemo.VirtualPrinter.png', import.meta.url));

const JOBS = [
  { token: 'line-1', type: 'application/vnd.star.line', body: Buffer.from('\x1b@\x1bEStar Line job\x1bF\nsecond line\n\x1bd\x03', 'latin1') },
  { token: 'png-2', type: 'image/png', body: picture, refuseFirstConfirmation: true },
  { token: 'text-3', type: 'text/plain', body: Buffer.from('Plain text job\nsecond line\n') },
];
const SERVER_ERRORS = 2;    // polls answered 500 once the jobs are done
const SLOW_MS = 2500;       // then one poll answered later than the printer waits (1 s at 0.2 s)
const POLLS_AFTER = 3;      // then polls answered at once: the printer still polls

test('CloudPRNT: three media types, errors and a slow answer', async () => {
  const gets = {};
  const confirmations = {};
  const polls = [];
  const served = []; // the server's side, for the evidence log
  let errorsLeft = SERVER_ERRORS;
  let slowLeft = 1;
  let pollsAfter = 0;
  let finish;
  const finished = new Promise((resolve) => { finish = resolve; });
  const server = createServer(async (request, response) => {
    response.on('error', () => {}); // the printer gave up on the slow answer
    const url = new URL(request.url, 'http://server');
    const chunks = [];
    for await (const chunk of request)
      chunks.push(chunk);
    const pending = JOBS.find((job) => !(confirmations[job.token] ?? []).includes('200 OK'));
    const token = url.searchParams.get('token');
    const job = JOBS.find((j) => j.token === token);
    served.push(`${new Date().toISOString()} server: ${request.method} ${url.pathname}${url.search}`);
    if (request.method === 'POST') {
      polls.push(JSON.parse(Buffer.concat(chunks).toString()));
      if (pending) {
        response.end(JSON.stringify({ jobReady: true, mediaTypes: [pending.type], jobToken: pending.token }));
      } else if (errorsLeft > 0) {
        --errorsLeft;
        response.writeHead(500).end();
      } else if (slowLeft > 0) {
        --slowLeft;
        setTimeout(() => response.end(JSON.stringify({ jobReady: false })), SLOW_MS);
      } else {
        response.end(JSON.stringify({ jobReady: false }));
        if (++pollsAfter === POLLS_AFTER)
          finish();
      }
    } else if (request.method === 'GET' && job) {
      gets[token] = (gets[token] ?? 0) + 1;
      assert.equal(url.searchParams.get('type'), job.type);
      response.writeHead(200, { 'Content-Type': job.type }).end(job.body);
    } else if (request.method === 'DELETE' && job) {
      const tries = (confirmations[token] ??= []);
      const refuse = job.refuseFirstConfirmation && tries.length === 0;
      tries.push(refuse ? 'refused' : url.searchParams.get('code'));
      response.writeHead(refuse ? 500 : 200).end();
    } else {
      response.writeHead(404).end();
    }
  });
  server.listen(0, '127.0.0.1');
  await once(server, 'listening');
  const printer = await startPrinter({ args: ['--cloudprnt', `http://127.0.0.1:${server.address().port}/cloudprnt`,
                                      '--cloudprnt-interval', '0.2'] });
  try {
    await finished;
    await printer.waitForLog(/did not answer[^]*recovered/);
    assert.deepEqual(gets, { 'line-1': 1, 'png-2': 1, 'text-3': 1 });
    assert.deepEqual(confirmations, { 'line-1': ['200 OK'], 'png-2': ['refused', '200 OK'], 'text-3': ['200 OK'] });
    const receipts = await printer.receipts();
    assert.deepEqual(receipts.map((r) => [r.source, r.command_set, r.cut]),
                     [['cloudprnt', 'star-line', 'partial'], ['cloudprnt', 'star-line', 'partial'],
                      ['cloudprnt', 'star-line', 'partial']]);
    assert.deepEqual((await printer.receipt(1)).lines, ['Star Line job', 'second line']);
    assert.equal((await printer.receipt(2)).items[0].type, 'image');
    assert.deepEqual((await printer.receipt(3)).lines, ['Plain text job', 'second line']);
    assert.deepEqual(polls[0], { status: '230600000000000000', printerMAC: '02:76:70:00:00:01',
                                 statusCode: '200%20OK', printingInProgress: false, clientAction: null });
    // Each failure told once, each recovery once: the refused confirmation, then the two 500s
    // (one line), then the time-out.
    const count = (pattern) => (printer.log.match(pattern) ?? []).length;
    assert.equal(count(/answered 500/g), 2, printer.log);
    assert.equal(count(/did not answer/g), 1, printer.log);
    assert.equal(count(/recovered/g), 2, printer.log);
    if (process.env.WEB_EVIDENCE) {
      writeFileSync(`${process.env.WEB_EVIDENCE}/cloudprnt-picture.png`,
                    Buffer.from(await (await fetch(`${printer.url}/api/receipts/2.png`)).arrayBuffer()));
      writeFileSync(`${process.env.WEB_EVIDENCE}/cloudprnt-run.log`,
                    `${printer.log}\n--- the test server's requests ---\n${served.join('\n')}\n`);
    }
  } finally {
    await printer.stop();
    server.closeAllConnections();
    server.close();
  }
});
