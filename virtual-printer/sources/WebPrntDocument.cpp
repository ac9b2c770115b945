#include "WebPrntDocument.h"

#include "WebPrntElements.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

// An XML reader that takes no document type: entities cannot be declared, so none expands.
QString readError(QXmlStreamReader &reader)
{
    if (reader.tokenType() == QXmlStreamReader::DTD)
        return u"document type declarations are not accepted"_s;
    return u"line %1: %2"_s.arg(reader.lineNumber()).arg(reader.errorString());
}

} // namespace

WebPrntDocument WebPrntDocument::read(const QByteArray &body, int paperDots)
{
    WebPrntDocument document;
    QString request;
    bool found = false;
    QXmlStreamReader envelope(body);
    int depth = 0;
    while (!envelope.atEnd() && document.m_error.isEmpty()) {
        const QXmlStreamReader::TokenType token = envelope.readNext();
        if (token == QXmlStreamReader::DTD || envelope.hasError()) {
            document.m_error = readError(envelope);
        } else if (token == QXmlStreamReader::StartElement) {
            if (++depth > MaxDepth)
                document.m_error = u"elements nest deeper than %1"_s.arg(MaxDepth);
            else if (envelope.name() == u"Request"_s && !found) {
                found = true;
                request = envelope.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
                --depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    if (document.m_error.isEmpty() && envelope.hasError())
        document.m_error = readError(envelope);
    if (document.m_error.isEmpty() && !found)
        document.m_error = u"the envelope has no Request element"_s;
    if (!document.m_error.isEmpty())
        return document;

    // The request is a document of its own: <root> and print elements, none inside another.
    WebPrntElements elements(paperDots);
    QXmlStreamReader reader(request);
    bool rootSeen = false;
    while (!reader.atEnd() && document.m_error.isEmpty()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD || reader.hasError()) {
            document.m_error = readError(reader);
        } else if (token == QXmlStreamReader::StartElement && !rootSeen) {
            rootSeen = true;
            if (reader.name() != u"root"_s) {
                document.m_error = u"the request is not a <root> of print elements"_s;
                break;
            }
            const QStringView checked = reader.attributes().value("checkedblock"_L1);
            document.m_checkedBlock = checked != u"false"_s;
        } else if (token == QXmlStreamReader::StartElement) {
            const qint64 line = reader.lineNumber();
            const QString name = reader.name().toString();
            const QXmlStreamAttributes attributes = reader.attributes();
            const QString text = reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
            QString error;
            if (reader.hasError())
                document.m_error = readError(reader);
            else if (!elements.add(name, attributes, text, &error))
                document.m_error = u"line %1: %2"_s.arg(line).arg(error);
        }
    }
    if (document.m_error.isEmpty() && !rootSeen)
        document.m_error = u"the request is empty"_s;
    if (document.m_error.isEmpty())
        document.m_bytes = elements.bytes();
    return document;
}

} // namespace vprinter
