#pragma once

#include "Receipt.h"

#include <QStringList>

// A compact text form of receipts so that test tables can state what must have been printed:
// blocks joined by '|', runs by ','; "L" a line (c centre, r right, u upside down), "K" a
// barcode, "F" a feed, "M" a black mark, "N" a note, "/full" or "/partial" a cut.
namespace ReceiptText {

inline QString style(const emulator::TextRun &run)
{
    const emulator::TextStyle &s = run.style;
    QString flags;
    if (s.emphasized)
        flags += u'E';
    if (s.doubleStrike)
        flags += u'G';
    if (s.italic)
        flags += u'I';
    if (s.rotated)
        flags += u'R';
    if (s.fontB)
        flags += u'B';
    if (s.underline)
        flags += QStringLiteral("U%1").arg(s.underline);
    if (s.widthMultiplier != 1 || s.heightMultiplier != 1)
        flags += QStringLiteral("W%1H%2").arg(s.widthMultiplier).arg(s.heightMultiplier);
    if (s.script == emulator::Script::Subscript)
        flags += u'_';
    if (s.script == emulator::Script::Superscript)
        flags += u'^';
    if (run.doubleByte)
        flags += u'D';
    return flags.isEmpty() ? run.text : QStringLiteral("{%1}%2").arg(flags, run.text);
}

inline QString block(const emulator::ReceiptBlock &block)
{
    if (const auto *line = std::get_if<emulator::TextLine>(&block)) {
        QString head = QStringLiteral("L");
        if (!line->runs.isEmpty() && line->alignment == emulator::Alignment::Centre)
            head += u'c';
        if (!line->runs.isEmpty() && line->alignment == emulator::Alignment::Right)
            head += u'r';
        if (!line->runs.isEmpty() && line->upsideDown)
            head += u'u';
        QStringList runs;
        for (const emulator::TextRun &run : line->runs)
            runs << style(run);
        return head + u':' + runs.join(u',');
    }
    if (const auto *barcode = std::get_if<emulator::Barcode>(&block)) {
        static const char *const names[] = {
                "UPCA", "UPCE", "JAN13", "JAN8", "CODE39", "ITF", "CODABAR", "CODE93", "CODE128"};
        return QStringLiteral("K:%1:%2:h%3w%4H%5f%6")
                .arg(QLatin1StringView(names[int(barcode->symbology)]),
                     QString::fromLatin1(barcode->data))
                .arg(barcode->height)
                .arg(barcode->moduleWidth)
                .arg(int(barcode->hri))
                .arg(barcode->hriFontB ? 1 : 0);
    }
    if (const auto *feed = std::get_if<emulator::PaperFeed>(&block))
        return QStringLiteral("F:%1").arg(feed->dots);
    if (std::holds_alternative<emulator::BlackMark>(block))
        return QStringLiteral("M");
    return QStringLiteral("N:") + std::get<emulator::SettingNote>(block).text;
}

inline QString receipts(const QList<emulator::Receipt> &receipts)
{
    QStringList parts;
    for (const emulator::Receipt &receipt : receipts) {
        for (const emulator::ReceiptBlock &b : receipt.blocks)
            parts << block(b);
        if (receipt.cut == emulator::CutKind::Full)
            parts << QStringLiteral("/full");
        if (receipt.cut == emulator::CutKind::Partial)
            parts << QStringLiteral("/partial");
    }
    return parts.join(u'|');
}

} // namespace ReceiptText
