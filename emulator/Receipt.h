#pragma once

#include "TextStyle.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <variant>

namespace emulator {

// A stretch of characters printed with one style.
struct TextRun
{
    QString text;
    TextStyle style;
    bool doubleByte = false; // each character came as a two-byte code page 936 code

    friend bool operator==(const TextRun &, const TextRun &) = default;
};

// One printed line.
struct TextLine
{
    QList<TextRun> runs;
    // Alignment and upside-down printing count only at the start of a line, so they are taken
    // from the state at the line's first character.
    Alignment alignment = Alignment::Left;
    bool upsideDown = false;
    int lineSpacing = 30; // dots the paper advances at least after this line
    int width = 0;        // dots taken by the characters

    friend bool operator==(const TextLine &, const TextLine &) = default;
};

enum class Symbology { UpcA, UpcE, Jan13, Jan8, Code39, Itf, Codabar, Code93, Code128 };

enum class HriPosition { None, Above, Below, Both };

// A barcode as received with GS k, with the barcode settings in force at that moment.
struct Barcode
{
    Symbology symbology = Symbology::Code39;
    QByteArray data;
    int height = 162;    // dots
    int moduleWidth = 3; // dots per narrow bar
    HriPosition hri = HriPosition::None;
    bool hriFontB = false;
    Alignment alignment = Alignment::Left;

    friend bool operator==(const Barcode &, const Barcode &) = default;
};

// Paper advanced without printing.
struct PaperFeed
{
    int dots = 0;

    friend bool operator==(const PaperFeed &, const PaperFeed &) = default;
};

// Paper fed until the next black mark on the back of the paper passes the sensor.
struct BlackMark
{
    friend bool operator==(const BlackMark &, const BlackMark &) = default;
};

// A setting with no printed trace (speed, density), kept so that a viewer can annotate it.
struct SettingNote
{
    QString text;

    friend bool operator==(const SettingNote &, const SettingNote &) = default;
};

using ReceiptBlock = std::variant<TextLine, Barcode, PaperFeed, BlackMark, SettingNote>;

enum class CutKind { None, Full, Partial };

// Everything printed between two cuts; cut is None while the receipt is still being printed.
struct Receipt
{
    QList<ReceiptBlock> blocks;
    CutKind cut = CutKind::None;
    bool truncated = false; // the oldest blocks were dropped to bound memory
    quint64 serial = 0;

    friend bool operator==(const Receipt &, const Receipt &) = default;
};

} // namespace emulator
