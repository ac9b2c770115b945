#include "jobs/Symbology.h"

#include "jobs/PrintJobs.h"
#include "link/Failure.h"
#include "link/Port.h"

#include <QCoreApplication>

#include <array>

namespace jobs {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("jobs::Symbology", text);
}

constexpr char16_t code128 = 73;
// The data of CODE128 starts with "{B", a code-set choice counted in the length byte.
const QString code128Prefix = QStringLiteral("{B");

} // namespace

std::span<const Symbology> symbologies()
{
    static const std::array<Symbology, 9> table = {{
            {QStringLiteral("UPC-A"), 65, QStringLiteral("请输入11或12位的数字")},
            {QStringLiteral("UPC-E"), 66, QStringLiteral("请输入11或12位的数字,首位为数字0")},
            {QStringLiteral("JAN13"), 67, QStringLiteral("请输入12或13位的数字")},
            {QStringLiteral("JAN8"), 68, QStringLiteral("请输入7或8位的数字")},
            {QStringLiteral("CODE39"), 69, QStringLiteral("请输入大于1位的数字、大写字母")},
            {QStringLiteral("ITF"), 70, QStringLiteral("请输入大于1位的偶数位数字")},
            {QStringLiteral("CODABAR"), 71, QStringLiteral("请输入大于1位的数字、ABCD")},
            {QStringLiteral("CODE93"), 72, QStringLiteral("请输入大于1位的数字,字母,符号")},
            {QStringLiteral("CODE128"), code128, QStringLiteral("请输入大于2位的数字,字母,符号")},
    }};
    return table;
}

const Symbology *findSymbology(const QString &name)
{
    for (const Symbology &symbology : symbologies()) {
        if (symbology.name == name)
            return &symbology;
    }
    return nullptr;
}

std::optional<QString> barcodeRefusal(const QString &symbology, const QString &data)
{
    const Symbology *found = findSymbology(symbology);
    if (!found)
        return tr("\"%1\" is not a barcode type this printer knows. Choose one of the nine "
                  "types in the list.")
                .arg(symbology);
    if (data.isEmpty())
        return tr("There is no barcode data. Type the data to print into the box beside the "
                  "barcode type.");
    // The length byte counts bytes on the line, so only one-byte characters keep it honest.
    for (QChar c : data) {
        if (c.unicode() > 0x7F)
            return tr("Barcode data can hold only ASCII characters (digits, letters, symbols); "
                      "\"%1\" cannot be printed as a barcode. Replace the hint with the data "
                      "to print.")
                    .arg(data);
    }
    const qsizetype limit = found->code == code128 ? 255 - code128Prefix.size() : 255;
    if (data.size() > limit)
        return tr("The barcode data has %1 characters; a %2 barcode takes at most %3.")
                .arg(data.size())
                .arg(found->name)
                .arg(limit);
    return std::nullopt;
}

void printBarcode(const JobTarget &target, const QString &symbology, const QString &data)
{
    if (const std::optional<QString> refusal = barcodeRefusal(symbology, data))
        throw serial::Failure(*refusal);
    const Symbology &chosen = *findSymbology(symbology);
    const bool isCode128 = chosen.code == code128;

    serial::Port &port = target.port;
    port.Output(command({ESC, u'@'}));
    port.Output(command({GS, u'h', 0x3C})); // bar height 60 dots
    port.Output(command({GS, u'w', 2}));    // module width 2
    port.Output(command({GS, u'H', 3}));    // human-readable text above and below
    port.Output(command({GS, u'f', 0}));    // human-readable font 0
    port.Output(QStringLiteral("CodeBar Print:"));
    for (int i = 0; i < 3; ++i)
        port.Output(command({LF}));
    port.Output(QStringLiteral("CodeBar Name: ") + chosen.name);
    port.Output(command({LF}));
    port.Output(command({LF}));
    port.Output(command({GS, u'k'}));
    port.Output(command({chosen.code}));
    // The length byte is a value up to FF, so it goes out as a byte, not as a character.
    port.Output(QByteArray(1, char(data.size() + (isCode128 ? code128Prefix.size() : 0))));
    if (isCode128)
        port.Output(code128Prefix);
    for (QChar c : data)
        port.Output(QString(c));
    port.Output(QStringLiteral("NO. ") + data);
    port.Output(command({LF}));
    endOfJob(target);
}

} // namespace jobs
