#pragma once

#include <QByteArray>
#include <QImage>

#include <vector>

namespace vprinter {

// An IPP job's pages made into printer bytes: each page's dots as GS v 0 images, its blank rows
// at the top and the bottom left out, so that the roll is as long as what the job prints.
class IppRaster
{
public:
    explicit IppRaster(int paperDots);

    // A raster page `pageWidth` dots wide and `rows` high, whose middle lies on the print head.
    void startPage(int pageWidth, int rows);
    // Row y of the page, one bit a dot (PWG black_1), set for black.
    void writeLine(int y, const uchar *line);
    void endPage();
    // A picture scaled to the print head's width, as print-scaling's "auto" fits a page, and
    // printed on white as dots: thresholded (text, codes) or, for a photograph, dithered.
    void addPicture(const QImage &picture, bool photo);
    // The job's printer bytes, the paper cut at their end or left on the roll.
    QByteArray finish(bool cut);

private:
    int m_paperDots = 0;
    int m_rowBytes = 0;
    QByteArray m_bytes;
    std::vector<uchar> m_page; // one bit a dot, set for black
    int m_rows = 0;
    int m_left = 0;  // the page's columns before the print head's first dot
    int m_width = 0; // the page's columns on the print head
};

} // namespace vprinter
