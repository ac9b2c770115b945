#include "jobs/BarcodeJob.h"

#include "jobs/PrintJobs.h"
#include "link/Port.h"
#include "protocol/CodePage936.h"

#include <QCoreApplication>

#include <array>

namespace jobs {

std::span<const BarcodeType> barcodeTypes()
{
    using S = protocol::Symbology;
    static const std::array<BarcodeType, 9> table = {{
            {QStringLiteral("UPC-A"),
             S::UpcA,
             QT_TRANSLATE_NOOP("jobs::BarcodeType", "请输入11或12位的数字")},
            {QStringLiteral("UPC-E"),
             S::UpcE,
             QT_TRANSLATE_NOOP("jobs::BarcodeType", "请输入11或12位的数字,首位为数字0")},
            {QStringLiteral("JAN13"),
             S::Jan13,
             QT_TRANSLATE_NOOP("jobs::BarcodeType", "请输入12或13位的数字")},
            {QStringLiteral("JAN8"),
             S::Jan8,
             QT_TRANSLATE_NOOP("jobs::BarcodeType", "请输入7或8位的数字")},
            {QStringLiteral("CODE39"),
             S::Code39,
             QT_TRANSLATE_NOOP("jobs::BarcodeType", "请输入大于1位的数字、大写字母")},
            {QStringLiteral("ITF"),
             S::Itf,
             QT_TRANSLATE_NOOP("jobs::BarcodeType", "请输入大于1位的偶数位数字")},
            {QStringLiteral("CODABAR"),
             S::Codabar,
             QT_TRANSLATE_NOOP("jobs::BarcodeType", "请输入大于1位的数字、ABCD")},
            {QStringLiteral("CODE93"),
             S::Code93,
             QT_TRANSLATE_NOOP("jobs::BarcodeType", "请输入大于1位的数字,字母,符号")},
            {QStringLiteral("CODE128"),
             S::Code128,
             QT_TRANSLATE_NOOP("jobs::BarcodeType", "请输入大于2位的数字,字母,符号")},
    }};
    return table;
}

QString BarcodeType::hintText() const
{
    return QCoreApplication::translate(hintContext, hint);
}

const BarcodeType *findBarcodeType(const QString &name)
{
    for (const BarcodeType &type : barcodeTypes()) {
        if (type.name == name)
            return &type;
    }
    return nullptr;
}

std::optional<BarcodeRefusal> printBarcode(serial::Port &port,
                                           bool blackMark,
                                           const QString &typeName,
                                           const QString &data)
{
    const BarcodeType *type = findBarcodeType(typeName);
    if (!type)
        return BarcodeRefusal::UnknownType;
    if (data.isEmpty())
        return BarcodeRefusal::NoData;
    const std::optional<QByteArray> bytes = protocol::toCodePage936(data);
    if (!bytes || bytes->size() != data.size())
        return BarcodeRefusal::NotSingleByte;
    const std::optional<protocol::BarcodeFrame> frame = protocol::barcodeFrame(type->symbology,
                                                                               bytes->size());
    if (!frame)
        return BarcodeRefusal::TooLong;
    const QByteArray name = type->name.toLatin1();

    port.Output(protocol::reset());
    port.Output(protocol::barcodeHeight(60));
    port.Output(protocol::barcodeModuleWidth(2));
    port.Output(protocol::barcodeTextPosition(protocol::BarcodeText::AboveAndBelow));
    port.Output(protocol::barcodeTextFont(0));
    port.Output("CodeBar Print:");
    for (int i = 0; i < 3; ++i)
        port.Output(protocol::lineFeed());
    port.Output("CodeBar Name: " + name);
    port.Output(protocol::lineFeed());
    port.Output(protocol::lineFeed());
    port.Output(frame->command);
    port.Output(frame->symbology);
    port.Output(frame->length);
    if (!frame->dataPrefix.isEmpty())
        port.Output(frame->dataPrefix);
    for (const char byte : *bytes)
        port.Output(QByteArray(1, byte));
    port.Output("NO. " + *bytes);
    port.Output(protocol::lineFeed());
    endOfJob(port, blackMark);
    return std::nullopt;
}

} // namespace jobs
