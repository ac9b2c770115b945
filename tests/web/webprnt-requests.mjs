// WebPRNT requests as the public StarWebPrintBuilder (versions 0.4.0 and 1.1.0 of the vendor's
// JavaScript SDK, as published with its samples) writes them: its element names, attribute order and "\xNN" escapes in text. Each is
// sent in the envelope its StarWebPrintTrader posts.
export const RECEIPTS = [
  {
    name: 'receipt',
    request: '<initialization/>'
      + '<alignment position="center"/>'
      + '<text emphasis="true" width="2" height="2">Star\\x20Cafe\\x0a</text>'
      + '<text emphasis="false" width="1" height="1">12\\x20Market\\x20Street\\x0a\\x0a</text>'
      + '<alignment position="left"/>'
      + '<text>Coffee\\x20\\x20\\x20\\x20\\x20\\x20\\x20\\x20\\x20\\x20\\x203.50\\x0a</text>'
      + '<text underline="true">Croissant\\x20\\x20\\x20\\x20\\x20\\x20\\x20\\x202.20\\x0a</text>'
      + '<text invert="true" underline="false">\\x20TOTAL\\x20\\x20\\x20\\x20\\x20\\x20\\x20\\x20\\x205.70\\x20</text>'
      + '<text invert="false">\\x0a</text>'
      + '<ruledline thickness="medium" width="384"/>'
      + '<alignment position="center"/>'
      + '<barcode symbology="Code128" width="width2" hri="true" height="48">00012345</barcode>'
      + '<qrcode model="model2" level="level_m" cell="4">https://example.com/r/42</qrcode>'
      + '<cutpaper feed="true" type="partial"/>',
  },
  {
    name: 'symbols',
    request: '<initialization/>'
      + '<text linespace="24" font="font_b" characterspace="1">Font\\x20B,\\x203\\x20mm\\x20lines\\x0a</text>'
      + '<text linespace="32" font="font_a" characterspace="0" codepage="cp1252" international="usa">Caf\u00e9\\x20cr\u00e8me\\x0a</text>'
      + '<pdf417 level="level2" line="0" column="4" module="2" aspect="3">PDF417\\x20ticket\\x200042</pdf417>'
      + '<feed line="1"/>'
      + '<bitimage width="16" height="8">8A/wD/AP8A8P8A/wD/AP8A</bitimage>'
      + '<feed unit="24"/>'
      + '<rawdata>UmF3IGJ5dGVzCg==</rawdata>'
      + '<logo number="1"/>'
      + '<peripheral channel="1" on="200" off="200"/>'
      + '<sound channel="1" repeat="2"/>'
      + '<holdprint type="default"/>'
      + '<cutpaper feed="false" type="full"/>',
  },
];

// The trader's envelope: the request inside <root>, as text of <Request>.
export function envelope(request, root = '<root>') {
  const inner = `${root}${request}</root>`.replace(/[<>&]/g, (c) => ({ '<': '&lt;', '>': '&gt;', '&': '&amp;' })[c]);
  return '<StarWebPrint xmlns="http://www.star-m.jp" xmlns:i="http://www.w3.org/2001/XMLSchema-instance">'
    + `<Request>${inner}</Request></StarWebPrint>`;
}

// What the trader reads from an answer: the text of <Response>, and in it <success>, <code>
// and <status>.
export function traderResult(xml) {
  const text = (xml.match(/<Response>([^]*)<\/Response>/) ?? ['', ''])[1]
    .replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"').replace(/&amp;/g, '&');
  const field = (name) => text.slice(text.indexOf(`<${name}>`) + name.length + 2, text.indexOf(`</${name}>`));
  return { success: field('success'), code: field('code'), status: field('status') };
}
