// Three receipts as a point-of-sale program sends them: text styles, a barcode and a QR code.
import { escpos } from './printer.mjs';

const ESC = 0x1b;
const GS = 0x1d;
const initialize = [ESC, 0x40];
const left = [ESC, 0x61, 0];
const centre = [ESC, 0x61, 1];
const bold = (on) => [ESC, 0x45, on ? 1 : 0];
const size = (n) => [GS, 0x21, n]; // high nibble: width - 1, low nibble: height - 1
const feed = (lines) => [ESC, 0x64, lines];
const fullCut = [GS, 0x56, 0x00];
const partialCut = [GS, 0x56, 0x01];

// A line with the amount at the right edge of 48 characters (Font A on 80 mm paper).
const row = (name, amount, width = 48) => `${name}${amount.padStart(width - name.length)}\n`;

// EAN-13 with its digits below: GS h height, GS w module width, GS H 2 (below), GS k 67 n data.
function ean13(digits) {
  return [[GS, 0x68, 80], [GS, 0x77, 2], [GS, 0x48, 2], [GS, 0x6b, 67, digits.length], digits, '\n'];
}

// QR code through GS ( k: model 2, module size, error correction M, store the data, print it.
function qrCode(data, moduleSize = 6) {
  const stored = Buffer.from(data, 'latin1');
  const length = stored.length + 3;
  return [
    [GS, 0x28, 0x6b, 0x04, 0x00, 0x31, 0x41, 0x32, 0x00],
    [GS, 0x28, 0x6b, 0x03, 0x00, 0x31, 0x43, moduleSize],
    [GS, 0x28, 0x6b, 0x03, 0x00, 0x31, 0x45, 0x31],
    [GS, 0x28, 0x6b, length & 0xff, length >> 8, 0x31, 0x50, 0x30], data,
    [GS, 0x28, 0x6b, 0x03, 0x00, 0x31, 0x51, 0x30],
  ];
}

export const sale = escpos(
  initialize, centre, bold(true), size(0x11), 'HARBOUR CAFE\n', size(0), bold(false),
  '12 Quay Street, Portsmouth\n', 'Till 2 - Receipt 0042\n\n', left,
  row('Flat white', '3.20'), row('Oat milk', '0.40'), row('Almond croissant', '3.10'),
  row('Sparkling water 330 ml', '1.80'), '\n',
  bold(true), size(0x01), row('TOTAL', '8.50'), size(0), bold(false),
  row('Card', '8.50'), '\n', centre, ...ean13('400638133393'), '\n', 'Thank you!\n',
  feed(3), fullCut);

export const feedback = escpos(
  initialize, centre, bold(true), 'How was your visit?\n', bold(false),
  'Scan to leave a review\n\n', ...qrCode('https://example.com/review/0042'),
  '\nexample.com/review/0042\n', feed(3), partialCut);

export const kitchen = escpos(
  initialize, left, bold(true), size(0x11), 'KITCHEN\n', size(0), bold(false),
  'Table 7 - 2 covers - 12:41\n', '-'.repeat(48), '\n',
  size(0x01), '2 x Soup of the day\n', '1 x Fish and chips\n', '  no peas\n', size(0),
  '-'.repeat(48), '\n', bold(true), 'Server: Sam\n', bold(false), feed(3), fullCut);
