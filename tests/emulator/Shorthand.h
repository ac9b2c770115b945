#pragma once

#include "CommandRecord.h"
#include "Receipt.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// What feeding bytes to a printer left behind: its receipts, its command log, its answers.
struct Fed
{
    QList<emulator::Receipt> receipts;
    QList<emulator::CommandRecord> log;
    QByteArray replies;

    bool operator==(const Fed &) const = default;
};

// The printer's receipts written short, so that a test row can say what it expects in a line.
//
// Blocks are joined by '|': "L" a line (c centre, r right, u upside down; "[left+width]" a print
// area other than the paper's, "~n" a feed other than 30 dots), its runs joined by ',' ("@x" a
// run placed away from where the one before ended, "{flags}" its style, "<WxH*sx,sy@x>" a bit
// image); "P:what:WxH*sx,sy" a picture; "K:symbology:data:settings" a barcode; "F:n" a feed;
// "M" a black mark; "N:text" a note; "D:pin/on ms/off ms" a drawer pulse; "Z:n" the buzzer;
// "G:height" a page, then for each print area "<x,y,w,h,direction>{pieces}", each piece
// "block^foot"; "/full" or "/partial" a cut; "#" and the receipt's warnings.
class Shorthand
{
public:
    // Brief leaves out lines, barcode settings and two-dimensional codes' sizes, and gives all
    // warnings at the end.
    enum class Detail { Full, Brief };

    // The bytes fed in the given pieces to a printer of the default profile; the stream ends.
    static Fed feed(const QList<QByteArrayView> &pieces);
    // The bytes whole, a byte at a time, and in two pieces split at every offset.
    static QList<QList<QByteArrayView>> pieces(const QByteArray &bytes);
    // "whole", "byte by byte" or "split at n".
    static QString howFed(const QList<QByteArrayView> &pieces);

    static QString block(const emulator::ReceiptBlock &block, Detail detail = Detail::Full);
    static QString receipts(const QList<emulator::Receipt> &receipts, Detail detail);
    // The receipts in full, then "»" and the bytes sent back, then "?" and the bytes of each
    // command warned.
    static QString of(const Fed &fed);
};
