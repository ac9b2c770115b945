#include "link/LineSettings.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace serial {

namespace {

std::optional<int> wholeNumber(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 1000)
        return std::nullopt;
    return int(std::nearbyint(value)); // default rounding mode: half to even
}

} // namespace

std::optional<LineSettings> LineSettings::fromTexts(const QString &baudRate,
                                                    const QString &dataBits,
                                                    const QString &stopBits)
{
    LineSettings settings;
    // Nine digits fit 32 bits, so the range test sees the true number.
    const bool digits = !baudRate.isEmpty() && baudRate.size() <= 9
                        && std::all_of(baudRate.begin(), baudRate.end(), [](QChar c) {
                               return c >= u'0' && c <= u'9';
                           });
    settings.baudRate = digits ? baudRate.toInt() : 0;
    if (settings.baudRate < minBaudRate || settings.baudRate > maxBaudRate)
        return std::nullopt;

    const std::optional<int> bits = wholeNumber(dataBits);
    if (!bits || *bits < 5 || *bits > 8)
        return std::nullopt;
    settings.dataBits = QSerialPort::DataBits(*bits);

    const std::optional<int> stop = wholeNumber(stopBits);
    if (stop == 1)
        settings.stopBits = QSerialPort::OneStop;
    else if (stop == 2)
        settings.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return settings;
}

QString LineSettings::text() const
{
    return QStringLiteral("%1,,%2,%3")
            .arg(baudRate)
            .arg(int(dataBits))
            .arg(stopBits == QSerialPort::TwoStop ? 2 : 1);
}

} // namespace serial
