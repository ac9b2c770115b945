#pragma once

#include <QImage>
#include <QString>

// Writes the picture as one page of PWG raster, 1-bit black at 203 dpi, on the named PWG media
// ("om_receipt-80_80x297mm"), in the middle of the page's width and from its top: what an IPP
// client sends the printer. False when the file cannot be written.
bool writePwgPage(const QString &path, const QImage &picture, const char *media);
// The same page as Apple raster (image/urf), 8-bit grey, as phones and CUPS's driverless
// queues send.
bool writeUrfPage(const QString &path, const QImage &picture, const char *media);
