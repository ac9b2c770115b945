// libFuzzer target for the texts an operator types into the link settings: any four texts either
// give a link choice whose settings text the serial layer accepts or refuses, or are refused with
// a reason; nothing else.
#include "link/Failure.h"
#include "link/LineSettings.h"
#include "link/LinkChoice.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Four texts separated by 00 bytes, decoded as UTF-8 the way typed text would arrive.
    const QList<QByteArray> parts
            = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    QStringList texts;
    for (const QByteArray &part : parts)
        texts.append(QString::fromUtf8(part));
    while (texts.size() < 4)
        texts.append(QString());

    try {
        serial::LineSettings::fromText(texts.join(u','));
    } catch (const serial::Failure &failure) {
        if (failure.description().isEmpty())
            std::abort();
    }
    try {
        const serial::LinkChoice choice = serial::LinkChoice::fromTexts(
                texts[0], texts[1], texts[2], texts[3]);
        if (choice.devicePath.isEmpty())
            std::abort();
        const QString settings = choice.settingsText();
        if (settings.count(u',') < 3)
            std::abort();
        try {
            const serial::LineSettings line = serial::LineSettings::fromText(settings);
            if (line.baudRate < serial::LineSettings::minBaudRate
                || line.baudRate > serial::LineSettings::maxBaudRate)
                std::abort();
        } catch (const serial::Failure &failure) {
            if (failure.description().isEmpty())
                std::abort();
        }
    } catch (const serial::Failure &failure) {
        if (failure.description().isEmpty())
            std::abort();
    }
    return 0;
}
