#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vprinter {

// A web print document (a SOAP envelope around <epos-print>) read into the printer's commands,
// all of them before any is printed: a document that is not well formed, declares a DTD or
// entities, nests too deep, has too many elements, names an element or value the schema does not
// have, or holds an image that does not fit the paper gives no bytes at all.
class EposDocument
{
public:
    static constexpr int MaxDepth = 16;
    static constexpr int MaxElements = 100000;

    // The ESC/POS bytes for the document on paper paperDots wide; false with the reason when it
    // is refused.
    static bool read(QByteArrayView document, int paperDots, QByteArray *bytes, QString *error);
};

} // namespace vprinter
