#include "protocol/Commands.h"

#include <initializer_list>

namespace protocol {

namespace {

constexpr char LF = 0x0A;
constexpr char DLE = 0x10;
constexpr char EOT = 0x04;
constexpr char ESC = 0x1B;
constexpr char GS = 0x1D;

QByteArray bytes(std::initializer_list<char> values)
{
    return QByteArray(values.begin(), qsizetype(values.size()));
}

QByteArray command(char prefix, char letter, quint8 value)
{
    return bytes({prefix, letter, char(value)});
}

} // namespace

QByteArray lineFeed()
{
    return QByteArray(1, LF);
}

QByteArray feedLines(quint8 lines)
{
    return command(ESC, 'd', lines);
}

QByteArray reset()
{
    return bytes({ESC, '@'});
}

QByteArray cut()
{
    return bytes({ESC, 'i'});
}

QByteArray blackMarkFeed()
{
    return bytes({GS, char(0xF6)});
}

QByteArray feedAndCut(quint8 extraFeed)
{
    return bytes({GS, 'V', 66, char(extraFeed)});
}

QByteArray drawerPulse(DrawerPin pin, quint8 onUnits, quint8 offUnits)
{
    return bytes({ESC, 'p', char(pin), char(onUnits), char(offUnits)});
}

QByteArray attribute(Attribute attribute, quint8 value)
{
    return command(ESC, char(attribute), value);
}

QByteArray characterSize(int widthTimes, int heightTimes)
{
    return command(GS, '!', quint8((widthTimes - 1) << 4 | (heightTimes - 1)));
}

QByteArray printMode(quint8 mode)
{
    return command(ESC, '!', mode);
}

QByteArray script(Script script)
{
    return command(GS, '~', quint8(script));
}

QByteArray justification(Justification justification)
{
    return command(ESC, 'a', quint8(justification));
}

QByteArray speed(Speed speed)
{
    return command(ESC, 'x', quint8(speed));
}

QByteArray density(Density density)
{
    return command(GS, '|', quint8(density));
}

QByteArray barcodeHeight(quint8 dots)
{
    return command(GS, 'h', dots);
}

QByteArray barcodeModuleWidth(quint8 dots)
{
    return command(GS, 'w', dots);
}

QByteArray barcodeTextPosition(BarcodeText position)
{
    return command(GS, 'H', quint8(position));
}

QByteArray barcodeTextFont(quint8 font)
{
    return command(GS, 'f', font);
}

qsizetype maxBarcodeData(Symbology symbology)
{
    return symbology == Symbology::Code128 ? 253 : 255;
}

std::optional<BarcodeFrame> barcodeFrame(Symbology symbology, qsizetype dataBytes)
{
    if (dataBytes < 1 || dataBytes > maxBarcodeData(symbology))
        return std::nullopt;
    const QByteArray prefix = symbology == Symbology::Code128 ? QByteArray("{B") : QByteArray();
    return BarcodeFrame{bytes({GS, 'k'}),
                        QByteArray(1, char(symbology)),
                        QByteArray(1, char(dataBytes + prefix.size())),
                        prefix};
}

QByteArray statusRequest()
{
    return bytes({DLE, EOT, 20});
}

} // namespace protocol
