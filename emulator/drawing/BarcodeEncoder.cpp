#include "BarcodeEncoder.h"

#include <zint.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

bool allDigits(const QByteArray &data)
{
    for (const char ch : data) {
        if (ch < '0' || ch > '9')
            return false;
    }
    return true;
}

QString lengthError(const QByteArray &data, const QString &allowed)
{
    return u"%1 data bytes; it takes %2"_s.arg(data.size()).arg(allowed);
}

QString badByte(char ch)
{
    const auto byte = static_cast<uchar>(ch);
    if (byte >= 0x20 && byte < 0x7F)
        return u"character '%1' is not allowed"_s.arg(QLatin1Char(ch));
    return u"byte 0x%1 is not allowed"_s.arg(
            QString::number(byte, 16).toUpper().rightJustified(2, u'0'));
}

// Zero suppression: the eleven digits of a UPC-A code as the six of a UPC-E code, if the
// manufacturer and product numbers have enough zeros in the right places.
QByteArray suppressZeros(const QByteArray &upcA)
{
    const QByteArray m = upcA.mid(1, 5);
    const QByteArray p = upcA.mid(6, 5);
    const QByteArray m3 = m.mid(2, 3);
    if ((m3 == "000" || m3 == "100" || m3 == "200") && p.startsWith("00"))
        return m.left(2) + p.mid(2, 3) + m.at(2);
    if (m.endsWith("00") && p.startsWith("000"))
        return m.left(3) + p.mid(3, 2) + '3';
    if (m.endsWith('0') && p.startsWith("0000"))
        return m.left(4) + p.at(4) + '4';
    if (!m.endsWith('0') && p.startsWith("0000") && p.at(4) >= '5')
        return m + p.at(4);
    return {};
}

struct Prepared
{
    int zintSymbology = 0;
    QByteArray input;
    QString humanReadable; // empty: take the digits with check digit that zint computes
    QString error;
};

Prepared prepare(Symbology symbology, const QByteArray &data)
{
    Prepared prepared;
    auto refuse = [&prepared](const QString &reason) {
        prepared.error = reason;
        return prepared;
    };
    for (const char ch : data) {
        if (static_cast<uchar>(ch) >= 0x80)
            return refuse(badByte(ch));
    }
    const QString plain = QString::fromLatin1(data);

    switch (symbology) {
    case Symbology::UpcA:
        // The printer adds the check digit itself; a twelfth digit sent is not used.
        if (data.size() != 11 && data.size() != 12)
            return refuse(lengthError(data, u"11 or 12 digits"_s));
        if (!allDigits(data))
            return refuse(u"only digits are allowed"_s);
        prepared.zintSymbology = BARCODE_UPCA;
        prepared.input = data.left(11);
        return prepared;
    case Symbology::UpcE: {
        const qsizetype k = data.size();
        if (k != 6 && k != 7 && k != 8 && k != 11 && k != 12)
            return refuse(lengthError(data, u"6, 7, 8, 11 or 12 digits"_s));
        if (!allDigits(data))
            return refuse(u"only digits are allowed"_s);
        if (k == 6) {
            prepared.input = '0' + data;
        } else if (data.at(0) != '0') {
            return refuse(u"the first digit must be 0"_s);
        } else if (k <= 8) {
            prepared.input = data.left(7);
        } else {
            const QByteArray six = suppressZeros(data.left(11));
            if (six.isEmpty())
                return refuse(u"%1 cannot be shortened to UPC-E"_s.arg(plain.left(11)));
            prepared.input = '0' + six;
        }
        prepared.zintSymbology = BARCODE_UPCE;
        return prepared;
    }
    case Symbology::Jan13:
        if (data.size() != 12 && data.size() != 13)
            return refuse(lengthError(data, u"12 or 13 digits"_s));
        if (!allDigits(data))
            return refuse(u"only digits are allowed"_s);
        prepared.zintSymbology = BARCODE_EANX;
        prepared.input = data.left(12);
        return prepared;
    case Symbology::Jan8:
        if (data.size() != 7 && data.size() != 8)
            return refuse(lengthError(data, u"7 or 8 digits"_s));
        if (!allDigits(data))
            return refuse(u"only digits are allowed"_s);
        prepared.zintSymbology = BARCODE_EANX;
        prepared.input = data.left(7);
        return prepared;
    case Symbology::Code39: {
        QByteArray body = data;
        // The start and stop character '*' may be sent; the printer adds it anyway.
        if (body.size() >= 2 && body.startsWith('*') && body.endsWith('*'))
            body = body.mid(1, body.size() - 2);
        if (body.isEmpty())
            return refuse(lengthError(data, u"at least one character"_s));
        static const QByteArray allowed = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ -.$/+%";
        for (const char ch : body) {
            if (!allowed.contains(ch))
                return refuse(badByte(ch));
        }
        prepared.zintSymbology = BARCODE_CODE39;
        prepared.input = body;
        prepared.humanReadable = u"*%1*"_s.arg(QString::fromLatin1(body));
        return prepared;
    }
    case Symbology::Itf:
        if (data.isEmpty() || data.size() % 2 != 0)
            return refuse(lengthError(data, u"an even number of digits"_s));
        if (!allDigits(data))
            return refuse(u"only digits are allowed"_s);
        prepared.zintSymbology = BARCODE_C25INTER;
        prepared.input = data;
        prepared.humanReadable = plain;
        return prepared;
    case Symbology::Codabar: {
        if (data.size() < 2)
            return refuse(lengthError(data, u"a start character, data and a stop character"_s));
        const QByteArray upper = data.toUpper();
        auto isStartStop = [](char ch) {
            return ch >= 'A' && ch <= 'D';
        };
        if (!isStartStop(upper.front()) || !isStartStop(upper.back()))
            return refuse(u"it must begin and end with a start/stop character A-D"_s);
        static const QByteArray allowed = "0123456789-$:/.+";
        for (qsizetype i = 1; i + 1 < data.size(); ++i) {
            if (!allowed.contains(data.at(i)))
                return refuse(badByte(data.at(i)));
        }
        prepared.zintSymbology = BARCODE_CODABAR;
        prepared.input = upper;
        prepared.humanReadable = plain;
        return prepared;
    }
    case Symbology::Code93:
        if (data.isEmpty())
            return refuse(lengthError(data, u"at least one character"_s));
        prepared.zintSymbology = BARCODE_CODE93;
        prepared.input = data;
        break;
    case Symbology::Code128: {
        // The data opens with a code set ({A, {B or {C}; "{" then selects a set, shifts or
        // stands for itself ("{{"). In code set C each byte is a value 0-99, two digits.
        if (data.size() < 2 || data.at(0) != '{' || data.at(1) < 'A' || data.at(1) > 'C')
            return refuse(u"the data must start with a code set: {A, {B or {C"_s);
        char set = data.at(1);
        QByteArray decoded;
        for (qsizetype i = 2; i < data.size(); ++i) {
            const char ch = data.at(i);
            if (ch == '{') {
                if (i + 1 >= data.size())
                    return refuse(u"'{' at the end of the data"_s);
                const char next = data.at(++i);
                if (next >= 'A' && next <= 'C') {
                    set = next;
                    continue;
                }
                if (next == '{' && set == 'B') {
                    decoded += '{';
                    continue;
                }
                if (next == 'S' && set != 'C' && i + 1 < data.size()) {
                    decoded += data.at(++i);
                    continue;
                }
                if (next >= '1' && next <= '4')
                    return refuse(u"function character {%1 is not drawn"_s.arg(QLatin1Char(next)));
                return refuse(u"unknown code set escape {%1"_s.arg(QLatin1Char(next)));
            }
            const auto byte = static_cast<uchar>(ch);
            if (set == 'A' && byte > 0x5F)
                return refuse(badByte(ch) + u" in code set A"_s);
            if (set == 'B' && byte < 0x20)
                return refuse(badByte(ch) + u" in code set B"_s);
            if (set == 'C') {
                if (byte > 99)
                    return refuse(u"code set C takes values 0-99, not %1"_s.arg(byte));
                decoded += QByteArray::number(byte).rightJustified(2, '0');
                continue;
            }
            decoded += ch;
        }
        if (decoded.isEmpty())
            return refuse(u"no data after the code set"_s);
        prepared.zintSymbology = BARCODE_CODE128;
        prepared.input = decoded;
        for (const char ch : decoded)
            prepared.humanReadable += (ch >= 0x20 && ch < 0x7F) ? QLatin1Char(ch)
                                                                : QLatin1Char(' ');
        return prepared;
    }
    }
    for (const char ch : data)
        prepared.humanReadable += (ch >= 0x20 && ch < 0x7F) ? QLatin1Char(ch) : QLatin1Char(' ');
    return prepared;
}

} // namespace

QString BarcodeEncoder::name(Symbology symbology)
{
    static const char *const names[] = {
            "UPC-A", "UPC-E", "EAN-13", "EAN-8", "CODE39", "ITF", "CODABAR", "CODE93", "CODE128"};
    return QString::fromLatin1(names[static_cast<int>(symbology)]);
}

EncodedBarcode BarcodeEncoder::encode(Symbology symbology, const QByteArray &data)
{
    EncodedBarcode result;
    const Prepared prepared = prepare(symbology, data);
    if (!prepared.error.isEmpty()) {
        result.error = prepared.error;
        return result;
    }

    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(),
                                                                          &ZBarcode_Delete);
    if (!symbol) {
        result.error = u"out of memory"_s;
        return result;
    }
    symbol->symbology = prepared.zintSymbology;
    symbol->input_mode = DATA_MODE;
    symbol->show_hrt = 0;
    symbol->scale = 0.5f; // one pixel per module
    symbol->height = 10;
    symbol->option_2 = 0;
    const int status = ZBarcode_Encode_and_Buffer(
            symbol.get(),
            reinterpret_cast<const unsigned char *>(prepared.input.constData()),
            int(prepared.input.size()),
            0);
    if (status >= ZINT_ERROR || !symbol->bitmap || symbol->bitmap_width <= 0) {
        result.error = QString::fromLatin1(symbol->errtxt);
        if (result.error.isEmpty())
            result.error = u"the data cannot be encoded"_s;
        return result;
    }

    // The top pixel row crosses every bar; the quiet zones around it are left to the page.
    const int width = symbol->bitmap_width;
    const unsigned char *row = symbol->bitmap;
    auto black = [row](int x) {
        return row[3 * qsizetype(x)] < 128;
    };
    int first = 0;
    while (first < width && !black(first))
        ++first;
    int last = width - 1;
    while (last >= first && !black(last))
        --last;
    if (first > last) {
        result.error = u"the data cannot be encoded"_s;
        return result;
    }
    result.modules.resize(last - first + 1);
    for (int x = first; x <= last; ++x)
        result.modules.setBit(x - first, black(x));
    // The UPC and JAN symbologies are the ones whose check digit the printer computes.
    const bool checkDigit = symbology == Symbology::UpcA || symbology == Symbology::UpcE
                            || symbology == Symbology::Jan13 || symbology == Symbology::Jan8;
    result.data = checkDigit ? QByteArray(reinterpret_cast<const char *>(symbol->text))
                             : prepared.input;
    result.humanReadable = prepared.humanReadable.isEmpty()
                                   ? QString::fromUtf8(reinterpret_cast<const char *>(symbol->text))
                                   : prepared.humanReadable;
    return result;
}

} // namespace emulator
