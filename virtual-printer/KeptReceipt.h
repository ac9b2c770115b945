#pragma once

#include "Receipt.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace vprinter {

// A finished receipt as the printer keeps it: the window shows it, --save writes it.
struct KeptReceipt
{
    int number = 0;     // 1, 2, ...; with --save, the number in its file name
    QDateTime finished; // UTC
    QString source;     // where its bytes came from: "tcp 127.0.0.1:40112", "pty", "http"
    emulator::Receipt receipt;
    QStringList log; // the commands that printed it, when logs are kept

    // Memory it holds, near enough to bound what is kept: its pictures, texts and log.
    qint64 bytes() const;
};

} // namespace vprinter
