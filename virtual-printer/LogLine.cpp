#include "LogLine.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace vprinter {

QString LogLine::hex(QByteArrayView bytes)
{
    QString text = QString::fromLatin1(bytes.first(qMin<qsizetype>(bytes.size(), LoggedBytes))
                                               .toByteArray()
                                               .toHex(' ')
                                               .toUpper());
    if (bytes.size() > LoggedBytes)
        text += u" …"_s;
    return text;
}

QString LogLine::command(const emulator::CommandRecord &record)
{
    const QString marker = record.kind == emulator::CommandRecord::Kind::Warning ? u"? "_s
                                                                                 : u"  "_s;
    return u"%1%2  %3"_s.arg(marker, hex(record.bytes).leftJustified(24), record.description);
}

// The lines' texts are the window's and keep its translation context.
QString LogLine::reply(const QByteArray &bytes, const QString &to)
{
    return u"    "_s
           + QCoreApplication::translate("vprinter::PrinterWindow", "reply %1 to %2")
                     .arg(hex(bytes), to);
}

QString LogLine::withheld(const QByteArray &bytes)
{
    return u"    "_s
           + QCoreApplication::translate("vprinter::PrinterWindow",
                                         "(no reply: \"no reply\" is checked; would be %1)")
                     .arg(hex(bytes));
}

} // namespace vprinter
