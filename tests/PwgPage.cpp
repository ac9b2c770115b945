#include "PwgPage.h"

#include <QByteArray>
#include <QFile>

#include <cups/raster.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

// One page of raster, the picture in the middle of the media's width: PWG raster in 1-bit black
// (a set bit is a black dot) or Apple raster in 8-bit grey (0 is black), as phones send.
bool writeRasterPage(const QString &path, const QImage &picture, const char *media, bool apple)
{
    cups_page_header2_t header;
    if (!cupsRasterInitPWGHeader(&header,
                                 pwgMediaForPWG(media),
                                 apple ? "sgray_8" : "black_1",
                                 203,
                                 203,
                                 "one-sided",
                                 nullptr))
        return false;
    header.cupsInteger[CUPS_RASTER_PWG_TotalPageCount] = 1;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    cups_raster_t *raster = cupsRasterOpen(fd,
                                           apple ? CUPS_RASTER_WRITE_APPLE : CUPS_RASTER_WRITE_PWG);
    bool written = raster && cupsRasterWriteHeader2(raster, &header);
    const int left = (int(header.cupsWidth) - picture.width()) / 2;
    QByteArray line(int(header.cupsBytesPerLine), 0);
    for (unsigned y = 0; written && y < header.cupsHeight; ++y) {
        line.fill(apple ? char(0xFF) : 0);
        for (int x = 0; int(y) < picture.height() && x < picture.width(); ++x) {
            const int dot = left + x;
            if (dot < 0 || dot >= int(header.cupsWidth) || qGray(picture.pixel(x, int(y))) >= 128)
                continue;
            if (apple)
                line[dot] = 0;
            else
                line[dot / 8] = char(line[dot / 8] | (0x80 >> (dot % 8)));
        }
        written = cupsRasterWritePixels(raster,
                                        reinterpret_cast<unsigned char *>(line.data()),
                                        unsigned(line.size()))
                  > 0;
    }
    if (raster)
        cupsRasterClose(raster);
    return ::close(fd) == 0 && written;
}

} // namespace

bool writePwgPage(const QString &path, const QImage &picture, const char *media)
{
    return writeRasterPage(path, picture, media, false);
}

bool writeUrfPage(const QString &path, const QImage &picture, const char *media)
{
    return writeRasterPage(path, picture, media, true);
}
