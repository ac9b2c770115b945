#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace protocol {

// Text as the printer reads it: characters below 80 hex as one byte each (00 included), Chinese
// characters and full-width marks as their two code page 936 bytes. Nothing for text holding a
// character the code page cannot carry.
std::optional<QByteArray> toCodePage936(const QString &text);

} // namespace protocol
