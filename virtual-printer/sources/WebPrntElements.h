#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamAttributes>

namespace vprinter {

// The print elements of a web page's request (<text>, <barcode>, <bitimage>, <cutpaper> …) as
// Star Line mode bytes, element by element, with the text settings that later elements change
// in part.
class WebPrntElements
{
public:
    struct Job
    {
        QByteArray bytes;
        int paperDots = 0;
        int width = 1; // character expansion, 1-6
        int height = 1;
        QByteArray encoding = "IBM437"; // of the text's characters
    };

    // An image wider than paperDots is refused, as the printer cannot print it.
    explicit WebPrntElements(int paperDots);

    // Adds the element's bytes; false with the reason when it is no print element, or its
    // attributes or text are wrong.
    bool add(QStringView name,
             const QXmlStreamAttributes &attributes,
             const QString &text,
             QString *error);
    const QByteArray &bytes() const { return m_job.bytes; }

private:
    Job m_job;
};

} // namespace vprinter
