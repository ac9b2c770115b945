#pragma once

#include <QImage>
#include <QStringList>

// Reads barcodes and two-dimensional codes back from a picture, as a scanner at the counter
// would: zbarimg (zbar-tools) and zxing-cpp's ZXingReader.
class CodeReader
{
public:
    // Whether the readers are installed; a test skips without them.
    static bool zbarAvailable();
    static bool zxingAvailable();
    // What zbarimg reads, "QR-Code:text" a line, in the order it finds them.
    static QStringList zbar(const QImage &image, const QStringList &options = {});
    // What ZXingReader reads as the given format, "PDF417:text".
    static QStringList zxing(const QImage &image, const QString &format);
};
