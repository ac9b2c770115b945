#pragma once

#include <QByteArray>

#include <optional>

// The printer's command vocabulary: each function gives the bytes of one command.
namespace protocol {

// LF: print the line and feed one line.
QByteArray lineFeed();
// ESC d n: print and feed n lines.
QByteArray feedLines(quint8 lines);
// ESC @: initialise the printer (alignment, speed, density and attributes back to defaults).
QByteArray reset();
// ESC i: cut the paper.
QByteArray cut();
// GS F6: feed black-mark paper to the next mark.
QByteArray blackMarkFeed();
// GS V 66 n: feed to the cutting position plus n motion units, then cut.
QByteArray feedAndCut(quint8 extraFeed);

// ESC p m t1 t2: one pulse on a pin of the drawer kick-out connector, on for t1 x 2 ms, then off
// for t2 x 2 ms (the drawer is not kicked again within that time).
enum class DrawerPin : quint8 { Pin2 = 0, Pin5 = 1 };
QByteArray drawerPulse(DrawerPin pin, quint8 onUnits, quint8 offUnits);

// Attributes switched with a value after ESC and a letter: 0 off, 1 on (underline 1 or 2 dots).
enum class Attribute : char {
    Emphasized = 'E',
    DoubleStrike = 'G',
    Rotated90 = 'V',
    Italic = '4',
    Underline = '-',
    UpsideDown = '{',
};
QByteArray attribute(Attribute attribute, quint8 value);
// GS ! n: character width and height, each 1 to 8 times the normal size.
QByteArray characterSize(int widthTimes, int heightTimes);
// ESC ! n: print mode bits (font B 01, emphasized 08, double height 10, double width 20).
QByteArray printMode(quint8 mode);
// The sample page's banner mode: font B, emphasized and double width, with bits 1 and 2 set
// that the printer ignores.
inline constexpr quint8 bannerPrintMode = 0x2F;
// GS ~ n: the letters that follow print as subscript or superscript.
enum class Script : quint8 { Subscript = 0, Superscript = 1 };
QByteArray script(Script script);

// ESC a n.
enum class Justification : quint8 { Left = 0, Centre = 1, Right = 2 };
QByteArray justification(Justification justification);
// ESC x n.
enum class Speed : quint8 { Low = 0, Middle = 1, High = 2 };
QByteArray speed(Speed speed);
// GS | n: the printer takes even steps for density.
enum class Density : quint8 { Thin = 0, Middle = 2, Thick = 4 };
QByteArray density(Density density);

// The code after GS k that selects the barcode symbology (function B: a length byte follows).
enum class Symbology : quint8 {
    UpcA = 65,
    UpcE,
    Jan13,
    Jan8,
    Code39,
    Itf,
    Codabar,
    Code93,
    Code128,
};
// GS h n: bar height in dots.
QByteArray barcodeHeight(quint8 dots);
// GS w n: width of the narrowest bar in dots.
QByteArray barcodeModuleWidth(quint8 dots);
// GS H n: where the human-readable characters print.
enum class BarcodeText : quint8 { None = 0, Above = 1, Below = 2, AboveAndBelow = 3 };
QByteArray barcodeTextPosition(BarcodeText position);
// GS f n: font of the human-readable characters.
QByteArray barcodeTextFont(quint8 font);

// GS k m n, then n data bytes. CODE128 data starts with "{B", the choice of code set B, which
// the length byte counts too, so the length byte carries at most 253 bytes of CODE128 data.
struct BarcodeFrame
{
    QByteArray command; // GS k
    QByteArray symbology;
    QByteArray length;
    QByteArray dataPrefix;
};
qsizetype maxBarcodeData(Symbology symbology);
// Nothing when dataBytes is 0 or more than maxBarcodeData().
std::optional<BarcodeFrame> barcodeFrame(Symbology symbology, qsizetype dataBytes);

// DLE EOT 20: the printer answers with six status bytes (see StatusReply).
QByteArray statusRequest();

} // namespace protocol
