#include "EposDocument.h"

#include "EposCommands.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

// Walks the document token by token, so that every token, whatever element holds it, is
// counted and checked: a DTD (and with it any entity declaration) or an entity reference ends
// the reading before it is expanded.
class DocumentReader
{
public:
    DocumentReader(QByteArrayView document, int paperDots)
        : m_xml(document.toByteArray())
        , m_commands(paperDots)
    {}

    bool read(QByteArray *bytes, QString *error);

private:
    bool next();
    bool children(bool inPage);
    bool content(QString *text);
    bool fail(const QString &reason);

    QXmlStreamReader m_xml;
    EposCommands m_commands;
    int m_depth = 0;
    int m_elements = 0;
    QString m_error;
};

bool DocumentReader::fail(const QString &reason)
{
    if (m_error.isEmpty())
        m_error = reason;
    return false;
}

bool DocumentReader::next()
{
    switch (m_xml.readNext()) {
    case QXmlStreamReader::DTD:
        return fail(u"the document declares a DTD"_s);
    case QXmlStreamReader::EntityReference:
        return fail(u"the document refers to the entity &%1;"_s.arg(m_xml.name()));
    case QXmlStreamReader::StartElement:
        if (++m_elements > EposDocument::MaxElements)
            return fail(u"the document has more than %1 elements"_s.arg(EposDocument::MaxElements));
        if (++m_depth > EposDocument::MaxDepth)
            return fail(
                    u"the document nests deeper than %1 elements"_s.arg(EposDocument::MaxDepth));
        return true;
    case QXmlStreamReader::EndElement:
        --m_depth;
        return true;
    case QXmlStreamReader::Invalid:
        return fail(u"the document is not well formed: %1 (line %2)"_s.arg(m_xml.errorString())
                            .arg(m_xml.lineNumber()));
    default:
        return !m_xml.atEnd();
    }
}

// The text of an element that holds no other element.
bool DocumentReader::content(QString *text)
{
    const QString name = m_xml.name().toString();
    while (next()) {
        if (m_xml.isCharacters())
            text->append(m_xml.text());
        else if (m_xml.isEndElement())
            return true;
        else if (m_xml.isStartElement())
            return fail(u"<%1> holds the element <%2>"_s.arg(name, m_xml.name()));
    }
    return fail(u"<%1> is not closed"_s.arg(name));
}

// The elements of <epos-print> or of <page>, to the end of the element that holds them.
bool DocumentReader::children(bool inPage)
{
    while (next()) {
        if (m_xml.isEndElement())
            return true;
        if (!m_xml.isStartElement())
            continue;
        const QString name = m_xml.name().toString();
        const QXmlStreamAttributes attributes = m_xml.attributes();
        if (name == "page"_L1 && !inPage) {
            m_commands.beginPage();
            if (!children(true))
                return false;
            m_commands.endPage();
            continue;
        }
        QString text;
        if (!content(&text))
            return false;
        if (!m_commands.element(name, attributes, text, inPage))
            return fail(m_commands.error());
    }
    return false;
}

bool DocumentReader::read(QByteArray *bytes, QString *error)
{
    bool found = false;
    // The envelope, its header and body are passed over; every <epos-print> prints.
    while (m_error.isEmpty() && next()) {
        if (m_xml.isStartElement() && m_xml.name() == "epos-print"_L1) {
            found = true;
            if (!children(false))
                fail(u"<epos-print> is not closed"_s);
        }
    }
    if (m_error.isEmpty() && !found)
        fail(u"the document has no <epos-print> element"_s);
    if (!m_error.isEmpty()) {
        *error = m_error;
        return false;
    }
    *bytes = m_commands.bytes();
    return true;
}

} // namespace

bool EposDocument::read(QByteArrayView document, int paperDots, QByteArray *bytes, QString *error)
{
    return DocumentReader(document, paperDots).read(bytes, error);
}

} // namespace vprinter
