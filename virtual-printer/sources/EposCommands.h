#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>
#include <QXmlStreamAttributes>

#include <initializer_list>
#include <optional>

namespace vprinter {

// The ESC/POS commands for the elements of a web print document, one element at a time: text
// with its settings, feeds, images, logos, barcodes, 2D codes, rules, page mode, cuts, drawer
// pulses and raw commands. Settings persist from one element to the next as on the printer.
class EposCommands
{
public:
    explicit EposCommands(int paperDots);

    // Adds the element's commands; false when its name, an attribute's value or its content is
    // not one the schema allows (error() says which).
    bool element(const QString &name,
                 const QXmlStreamAttributes &attributes,
                 const QString &content,
                 bool inPage);
    void beginPage();
    void endPage();

    const QByteArray &bytes() const { return m_bytes; }
    const QString &error() const { return m_error; }

private:
    struct Element;
    static const Element Elements[];

    bool text(const QString &content);
    bool feed(const QString &content);
    bool image(const QString &content);
    bool logo(const QString &content);
    bool barcode(const QString &content);
    bool symbol(const QString &content);
    bool rule(const QString &content);
    bool cut(const QString &content);
    bool pulse(const QString &content);
    bool command(const QString &content);
    bool area(const QString &content);
    bool direction(const QString &content);
    bool position(const QString &content);
    bool accepted(const QString &content);

    // An attribute's value as a number from min to max, or its index among the values; nothing
    // when it is absent, and nothing with the error set when it is not one of those.
    std::optional<int> number(const char *name, int min, int max);
    std::optional<int> choice(const char *name, std::initializer_list<const char *> values);
    std::optional<int> flag(const char *name) { return choice(name, {"false", "true"}); }
    bool fail(const QString &reason);
    void put(std::initializer_list<int> bytes);
    void put16(int value);
    void selectLanguage(int language);

    int m_paperDots;
    QByteArray m_bytes;
    QString m_error;
    QXmlStreamAttributes m_attributes; // of the element being read
    QStringEncoder m_encoder;
    int m_width = 1; // character magnification, across and down
    int m_height = 1;
};

} // namespace vprinter
