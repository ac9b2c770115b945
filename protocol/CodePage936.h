#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace protocol {

// Text as the printer reads it: characters below 80 hex as one byte each (00 included), Chinese
// characters and full-width marks as their two code page 936 bytes. Nothing for text holding a
// character the code page cannot carry.
std::optional<QByteArray> toCodePage936(const QString &text);

// Bytes as an operator reads them off the line: printable ASCII and two-byte code page 936
// characters as themselves, every other byte as a dot, so the text keeps one mark per byte or
// pair of bytes.
QString printableText(const QByteArray &bytes);

} // namespace protocol
