#pragma once

#include <QByteArray>
#include <QString>

namespace vprinter {

// A web page's print request as the printer's web interface takes it: an envelope whose Request
// element carries, as text, a <root> of print elements (<text>, <barcode>, <bitimage>, <cutpaper>
// …). Read whole before anything prints: the job is its Star Line mode bytes, or the reason it
// cannot be printed at all.
class WebPrntDocument
{
public:
    // Elements inside elements; the envelope has three levels, the print elements two.
    static constexpr int MaxDepth = 8;

    // An image wider than paperDots is refused, as the printer cannot print it.
    static WebPrntDocument read(const QByteArray &body, int paperDots);

    bool isValid() const { return m_error.isEmpty(); }
    // Why it cannot be printed ("line 1: <barcode> has no symbology").
    const QString &error() const { return m_error; }
    // The job in Star Line mode.
    const QByteArray &bytes() const { return m_bytes; }
    // The page asks for the status to be checked first (the default): an off-line printer then
    // prints nothing.
    bool checkedBlock() const { return m_checkedBlock; }

private:
    QByteArray m_bytes;
    QString m_error;
    bool m_checkedBlock = true;
};

} // namespace vprinter
