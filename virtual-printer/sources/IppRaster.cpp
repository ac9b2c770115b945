#include "IppRaster.h"

#include <QPainter>

#include <algorithm>

namespace vprinter {

namespace {

// ESC @ brings the printer to its power-on settings, so that a previous source's margins or
// justification do not move the pages; GS V 0 cuts the paper.
constexpr char JobStart[] = "\x1b@";
constexpr char FullCut[] = "\x1dV\x00";

// GS v 0 of a page's dots, its blank rows at the top and the bottom left out; nothing for a
// blank page.
QByteArray rasterCommand(const std::vector<uchar> &dots, int rowBytes)
{
    if (rowBytes <= 0)
        return {};
    const qsizetype rows = qsizetype(dots.size()) / rowBytes;
    auto blank = [&](qsizetype row) {
        const auto begin = dots.begin() + row * rowBytes;
        return std::all_of(begin, begin + rowBytes, [](uchar byte) { return byte == 0; });
    };
    qsizetype first = 0;
    while (first < rows && blank(first))
        ++first;
    qsizetype last = rows;
    while (last > first && blank(last - 1))
        --last;
    QByteArray command;
    // GS v 0 takes at most 65535 rows; a longer page prints as several images one below the
    // other.
    for (qsizetype row = first; row < last; row += 65535) {
        const qsizetype height = std::min<qsizetype>(65535, last - row);
        command.append("\x1dv0\x00", 4);
        command.append(char(rowBytes & 0xFF)).append(char(rowBytes >> 8));
        command.append(char(height & 0xFF)).append(char(height >> 8));
        command.append(reinterpret_cast<const char *>(dots.data() + row * rowBytes),
                       height * rowBytes);
    }
    return command;
}

} // namespace

IppRaster::IppRaster(int paperDots)
    : m_paperDots(paperDots)
    , m_rowBytes(paperDots / 8)
    , m_bytes(JobStart)
{}

void IppRaster::startPage(int pageWidth, int rows)
{
    m_width = std::min(pageWidth, m_paperDots);
    m_left = std::max(0, (pageWidth - m_paperDots) / 2);
    m_rows = rows;
    m_page.assign(std::size_t(rows) * m_rowBytes, 0);
}

void IppRaster::writeLine(int y, const uchar *line)
{
    if (y < 0 || y >= m_rows)
        return;
    uchar *row = m_page.data() + std::size_t(y) * m_rowBytes;
    for (int x = 0; x < m_width; ++x) {
        const int from = m_left + x;
        if ((line[from >> 3] >> (7 - (from & 7))) & 1)
            row[x >> 3] = uchar(row[x >> 3] | (0x80 >> (x & 7)));
    }
}

void IppRaster::endPage()
{
    m_bytes.append(rasterCommand(m_page, m_rowBytes));
    m_page = {};
    m_rows = 0;
}

void IppRaster::addPicture(const QImage &picture, bool photo)
{
    const QImage scaled = picture.scaledToWidth(m_paperDots, Qt::SmoothTransformation);
    QImage onWhite(scaled.size(), QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    QPainter(&onWhite).drawImage(0, 0, scaled);
    const QImage mono = onWhite.convertToFormat(
            QImage::Format_Mono, Qt::MonoOnly | (photo ? Qt::OrderedDither : Qt::ThresholdDither));
    m_page.assign(std::size_t(mono.height()) * m_rowBytes, 0);
    for (int y = 0; y < mono.height(); ++y) {
        for (int x = 0; x < m_paperDots; ++x) {
            if (qGray(mono.pixel(x, y)) < 128)
                m_page[std::size_t(y) * m_rowBytes + (x >> 3)] |= uchar(0x80 >> (x & 7));
        }
    }
    endPage();
}

QByteArray IppRaster::finish(bool cut)
{
    if (cut)
        m_bytes.append(FullCut, sizeof(FullCut) - 1);
    return std::exchange(m_bytes, QByteArray(JobStart));
}

} // namespace vprinter
