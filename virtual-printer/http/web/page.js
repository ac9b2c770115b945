// The virtual printer's page: its kept receipts, newest first, kept up to date through the
// printer's event stream, and the status conditions it reports.
'use strict';

const list = document.getElementById('receipts');
const template = document.getElementById('receipt-template');
const count = document.getElementById('count');
const empty = document.getElementById('empty');
const errorLine = document.getElementById('error');
const connection = document.getElementById('connection');
const conditionBoxes = document.querySelectorAll('.conditions input[type=checkbox]');
const zoomButtons = document.querySelectorAll('input[name=zoom]');

const shown = new Map(); // receipt key -> its <li>
let announced = 0; // receipts the event stream has brought so far
let listed = false; // whether the printer's list has been read once
const cutNames = { full: 'full cut', partial: 'partial cut', none: 'no cut' };
const commandSetNames = { escpos: 'ESC/POS', 'star-line': 'Star Line mode', 'star-prnt': 'StarPRNT' };
let zoom = 1;

function showError(text) {
  errorLine.textContent = text;
  errorLine.hidden = false;
}

function clearError() {
  errorLine.hidden = true;
  errorLine.textContent = '';
}

// The API answers errors as {"error": "…"}; anything else says what went wrong with the request.
async function request(method, path, body) {
  const init = { method, headers: { Accept: 'application/json' } };
  if (body !== undefined) {
    init.headers['Content-Type'] = 'application/json';
    init.body = JSON.stringify(body);
  }
  const response = await fetch(path, init);
  const text = await response.text();
  let data = null;
  try {
    data = text ? JSON.parse(text) : null;
  } catch {
    data = null;
  }
  if (!response.ok)
    throw new Error(`${method} ${path}: ${data?.error ?? `${response.status} ${response.statusText}`}`);
  return data;
}

// A receipt's number is its own while the printer runs; the time tells it from a receipt of the
// same number before a restart.
function keyOf(summary) {
  return `${summary.number} ${summary.time}`;
}

function formatTime(iso) {
  const time = new Date(iso);
  if (Number.isNaN(time.getTime()))
    return iso;
  const today = new Date().toDateString() === time.toDateString();
  const options = { hour: 'numeric', minute: '2-digit', second: '2-digit' };
  if (!today)
    Object.assign(options, { year: 'numeric', month: 'short', day: 'numeric' });
  return time.toLocaleString(undefined, options);
}

function sizePicture(picture) {
  if (!picture.naturalWidth)
    return;
  picture.width = Math.round(picture.naturalWidth * zoom);
  picture.height = Math.round(picture.naturalHeight * zoom);
}

function makeReceipt(summary) {
  const item = template.content.firstElementChild.cloneNode(true);
  item.dataset.number = summary.number;
  item.querySelector('.number').textContent = summary.number;
  const time = item.querySelector('.time');
  time.dateTime = summary.time;
  time.textContent = formatTime(summary.time);
  time.title = summary.time;
  item.querySelector('.source').textContent = summary.source;
  item.querySelector('.cut').textContent = cutNames[summary.cut] ?? summary.cut;
  item.querySelector('.command-set').textContent =
    commandSetNames[summary.command_set] ?? summary.command_set ?? '';
  for (const [kind, name] of [['png', 'PNG'], ['json', 'JSON'], ['text', 'Text']]) {
    const link = item.querySelector(`a.${kind}`);
    link.href = summary[kind];
    link.setAttribute('aria-label', `${name} of receipt ${summary.number}`);
  }
  item.querySelector('article').setAttribute('aria-label', `Receipt ${summary.number}`);

  const picture = item.querySelector('img');
  picture.alt = `Receipt ${summary.number} as printed`;
  picture.addEventListener('load', () => sizePicture(picture));
  picture.src = summary.png;

  const log = item.querySelector('details');
  const logText = item.querySelector('.log-text');
  let loaded = false;
  log.addEventListener('toggle', async () => {
    if (!log.open || loaded)
      return;
    loaded = true;
    logText.textContent = 'Loading…';
    try {
      const response = await fetch(summary.log);
      if (!response.ok)
        throw new Error(`${response.status} ${response.statusText}`);
      logText.textContent = await response.text();
    } catch (error) {
      loaded = false;
      logText.textContent = `The command log could not be read: ${error.message}`;
    }
  });
  return item;
}

function updateCount() {
  const n = shown.size;
  count.textContent = n ? `(${n})` : '';
  empty.hidden = n > 0 || !listed;
}

// A receipt the event stream announces goes on top, unless it is already shown.
function addReceipt(summary) {
  const key = keyOf(summary);
  if (shown.has(key))
    return;
  const item = makeReceipt(summary);
  item.announced = ++announced;
  shown.set(key, item);
  list.prepend(item);
  updateCount();
}

// The printer's list, oldest first, replaces what is shown; receipts already shown keep their
// element (and an open command log), and those the event stream brought after the list was
// asked for stay on top. A fresh list reuses nothing: after the printer restarted, its numbers
// start again.
function showReceipts(summaries, askedAfter, fresh = false) {
  const keep = new Map();
  for (const summary of summaries) {
    const key = keyOf(summary);
    keep.set(key, (!fresh && shown.get(key)) || makeReceipt(summary));
  }
  for (const [key, item] of shown) {
    if (item.announced > askedAfter && !keep.has(key))
      keep.set(key, item);
  }
  shown.clear();
  for (const [key, item] of keep)
    shown.set(key, item);
  list.replaceChildren(...[...keep.values()].reverse());
  updateCount();
}

async function loadReceipts(fresh = false) {
  const askedAfter = announced;
  try {
    const summaries = await request('GET', '/api/receipts');
    listed = true;
    showReceipts(summaries, askedAfter, fresh);
  } catch (error) {
    showError(`The receipts could not be read: ${error.message}`);
  }
}

// Status: while a change of ours is on its way, the boxes show what was ticked; once none is,
// they show what the printer last said.
let pendingChanges = 0;
let printerStatus = null;

function showStatus() {
  if (pendingChanges > 0 || !printerStatus)
    return;
  for (const box of conditionBoxes) {
    if (typeof printerStatus[box.name] === 'boolean')
      box.checked = printerStatus[box.name];
  }
}

function takeStatus(status) {
  if (status && typeof status === 'object' && !Array.isArray(status)) {
    printerStatus = { ...printerStatus, ...status };
    showStatus();
  }
}

async function loadStatus() {
  try {
    takeStatus(await request('GET', '/api/status'));
  } catch (error) {
    showError(`The status could not be read: ${error.message}`);
  }
}

for (const box of conditionBoxes) {
  box.addEventListener('change', async () => {
    ++pendingChanges;
    try {
      const answer = await request('PUT', '/api/status', { [box.name]: box.checked });
      clearError();
      if (answer)
        takeStatus(answer);
      else
        printerStatus = { ...printerStatus, [box.name]: box.checked };
    } catch (error) {
      showError(`The status was not changed: ${error.message}`);
    } finally {
      --pendingChanges;
      showStatus();
    }
  });
}

function setZoom(value) {
  zoom = Number(value);
  for (const picture of list.querySelectorAll('img'))
    sizePicture(picture);
}

// The zoom chosen last time, if the browser keeps it.
function savedZoom() {
  try {
    return localStorage.getItem('zoom');
  } catch {
    return null;
  }
}

for (const button of zoomButtons) {
  if (button.value === savedZoom()) {
    button.checked = true;
    setZoom(button.value);
  }
  button.addEventListener('change', () => {
    if (!button.checked)
      return;
    setZoom(button.value);
    try {
      localStorage.setItem('zoom', button.value);
    } catch {
      // private windows may refuse; the zoom still applies
    }
  });
}

const forget = document.getElementById('forget');
forget.addEventListener('click', async () => {
  forget.disabled = true;
  try {
    await request('DELETE', '/api/receipts');
    clearError();
    showReceipts([], Infinity, true);
  } catch (error) {
    showError(`The receipts were not forgotten: ${error.message}`);
  } finally {
    forget.disabled = false;
  }
});

function setConnection(state, text) {
  connection.dataset.state = state;
  connection.textContent = text;
}

// Events: a receipt as it is cut, the conditions as anyone changes them, the receipts forgotten.
// The stream comes back by itself after the printer restarts or the line drops; what was printed
// in between is read from the list each time it opens, so nothing is missed and nothing shown
// twice.
let opened = false;

function listen() {
  const events = new EventSource('/api/events');
  events.addEventListener('open', () => {
    setConnection('live', 'Live');
    clearError();
    loadReceipts(opened);
    loadStatus();
    opened = true;
  });
  events.addEventListener('error', () => {
    setConnection('lost', 'Reconnecting…');
    // A stream the browser gave up on (the printer answered with an error) is tried again.
    if (events.readyState === EventSource.CLOSED)
      setTimeout(listen, 3000);
  });
  events.addEventListener('receipt', (event) => {
    try {
      addReceipt(JSON.parse(event.data));
    } catch {
      loadReceipts();
    }
  });
  // The receipts were forgotten: here, in the window or by another client.
  events.addEventListener('cleared', () => showReceipts([], Infinity, true));
  events.addEventListener('status', (event) => {
    try {
      takeStatus(JSON.parse(event.data));
    } catch {
      loadStatus();
    }
  });
}

updateCount();
loadReceipts();
loadStatus();
listen();
