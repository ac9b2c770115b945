#pragma once

#include "Receipt.h"

#include <QDateTime>
#include <QString>

namespace vprinter {

// A finished receipt as the printer keeps it: the window shows it, --save writes it.
struct KeptReceipt
{
    int number = 0;     // 1, 2, ...; with --save, the number in its file name
    QDateTime finished; // UTC
    QString source;     // where its bytes came from: "tcp 127.0.0.1:40112", "pty"
    emulator::Receipt receipt;
};

} // namespace vprinter
