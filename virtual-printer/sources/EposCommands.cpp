#include "EposCommands.h"

#include "EposPicture.h"
#include "EposSymbol.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

constexpr int ESC = 0x1b;
constexpr int GS = 0x1d;
constexpr int FS = 0x1c;

// Text languages: the character code table each is printed with (ESC t n), or the double-byte
// Chinese mode (FS &, GB18030's GBK part), which the printer shows kanji, kana and hanzi in.
struct Language
{
    const char *name;
    const char *encoding;
    int table; // -1: double-byte mode
};
constexpr Language Languages[] = {
        {"en", "windows-1252", 16},
        {"ja", "GBK", -1},
        {"zh-cn", "GBK", -1},
        {"zh-tw", "GBK", -1},
        {"ko", "GBK", -1},
        {"th", "windows-874", 21},
        {"vi", "windows-1258", 52},
        {"multi", "GBK", -1},
};

// GS k m for each barcode type: m is 65 plus its index.
// clang-format off
constexpr const char *BarcodeTypes[] = {
        "upc_a", "upc_e", "ean13", "ean8", "code39", "itf", "codabar", "code93", "code128",
        "gs1_128", "gs1_databar_omnidirectional", "gs1_databar_truncated", "gs1_databar_limited",
        "gs1_databar_expanded", "code128_auto"};
// clang-format on

} // namespace

struct EposCommands::Element
{
    const char *name;
    bool (EposCommands::*read)(const QString &content);
    bool pageOnly;
};

// Elements the printer has nothing for: the buzzer (sound), label paper layout, and recovery
// from an error are accepted and print nothing; so are vertical rules, which need the text
// lines that run between their beginning and end, and page mode's lines and rectangles.
const EposCommands::Element EposCommands::Elements[] = {
        {"text", &EposCommands::text, false},
        {"feed", &EposCommands::feed, false},
        {"image", &EposCommands::image, false},
        {"logo", &EposCommands::logo, false},
        {"barcode", &EposCommands::barcode, false},
        {"symbol", &EposCommands::symbol, false},
        {"hline", &EposCommands::rule, false},
        {"vline-begin", &EposCommands::accepted, false},
        {"vline-end", &EposCommands::accepted, false},
        {"cut", &EposCommands::cut, false},
        {"pulse", &EposCommands::pulse, false},
        {"sound", &EposCommands::accepted, false},
        {"command", &EposCommands::command, false},
        {"layout", &EposCommands::accepted, false},
        {"recovery", &EposCommands::accepted, false},
        {"area", &EposCommands::area, true},
        {"direction", &EposCommands::direction, true},
        {"position", &EposCommands::position, true},
        {"line", &EposCommands::accepted, true},
        {"rectangle", &EposCommands::accepted, true},
};

EposCommands::EposCommands(int paperDots)
    : m_paperDots(paperDots)
{
    // Power-on settings, then the single-byte text of the default language.
    put({ESC, '@'});
    selectLanguage(0);
}

bool EposCommands::element(const QString &name,
                           const QXmlStreamAttributes &attributes,
                           const QString &content,
                           bool inPage)
{
    for (const Element &element : Elements) {
        if (name != QLatin1StringView(element.name))
            continue;
        if (element.pageOnly && !inPage)
            return fail(u"<%1> belongs in <page>"_s.arg(name));
        m_attributes = attributes;
        return (this->*element.read)(content) && m_error.isEmpty();
    }
    return fail(u"<%1> is not an element of the schema"_s.arg(name));
}

void EposCommands::beginPage()
{
    put({ESC, 'L'});
}

void EposCommands::endPage()
{
    put({0x0c}); // FF: prints the page and returns to standard mode
}

bool EposCommands::fail(const QString &reason)
{
    if (m_error.isEmpty())
        m_error = reason;
    return false;
}

void EposCommands::put(std::initializer_list<int> bytes)
{
    for (const int byte : bytes)
        m_bytes.append(char(byte));
}

void EposCommands::put16(int value)
{
    put({value & 0xff, (value >> 8) & 0xff});
}

std::optional<int> EposCommands::number(const char *name, int min, int max)
{
    const QLatin1StringView key(name);
    if (!m_attributes.hasAttribute(key))
        return {};
    bool ok = false;
    const int value = m_attributes.value(key).toInt(&ok);
    if (ok && value >= min && value <= max)
        return value;
    fail(u"%1=\"%2\" is not a number from %3 to %4"_s.arg(key, m_attributes.value(key))
                 .arg(min)
                 .arg(max));
    return {};
}

std::optional<int> EposCommands::choice(const char *name,
                                        std::initializer_list<const char *> values)
{
    const QLatin1StringView key(name);
    if (!m_attributes.hasAttribute(key))
        return {};
    const QStringView value = m_attributes.value(key);
    int index = 0;
    for (const char *allowed : values) {
        if (value == QLatin1StringView(allowed))
            return index;
        ++index;
    }
    fail(u"%1=\"%2\" is not a value of the schema"_s.arg(key, value));
    return {};
}

void EposCommands::selectLanguage(int language)
{
    const Language &chosen = Languages[language];
    m_encoder = QStringEncoder(chosen.encoding);
    // In double-byte mode bytes 80-FF begin characters whatever the table: table 0 is chosen so
    // that none is meant.
    if (chosen.table < 0)
        put({ESC, 't', 0, FS, '&'});
    else
        put({FS, '.', ESC, 't', chosen.table});
}

bool EposCommands::text(const QString &content)
{
    if (const auto lang = choice(
                "lang", {"en", "ja", "zh-cn", "zh-tw", "ko", "th", "vi", "multi", "ja-jp"}))
        selectLanguage(*lang == 8 ? 1 : *lang);
    if (const auto font = choice(
                "font",
                {"font_a", "font_b", "font_c", "font_d", "font_e", "special_a", "special_b"}))
        put({ESC, 'M', *font < 5 ? *font : 97 + *font - 5});
    if (const auto smooth = flag("smooth"))
        put({GS, 'b', *smooth});
    const auto dw = flag("dw");
    const auto dh = flag("dh");
    const auto width = number("width", 1, 8);
    const auto height = number("height", 1, 8);
    if (dw || dh || width || height) {
        m_width = width.value_or(dw ? *dw + 1 : m_width);
        m_height = height.value_or(dh ? *dh + 1 : m_height);
        put({GS, '!', (m_width - 1) << 4 | (m_height - 1)});
    }
    if (const auto reverse = flag("reverse"))
        put({GS, 'B', *reverse});
    if (const auto underline = flag("ul"))
        put({ESC, '-', *underline});
    if (const auto emphasis = flag("em"))
        put({ESC, 'E', *emphasis});
    // Two-colour paper: the first colour is black, the second red.
    if (const auto color = choice("color", {"none", "color_1", "color_2", "color_3", "color_4"});
        color && *color > 0)
        put({ESC, 'r', (*color - 1) % 2});
    if (const auto align = choice("align", {"left", "center", "right"}))
        put({ESC, 'a', *align});
    if (const auto spacing = number("linespc", 0, 255))
        put({ESC, '3', *spacing});
    if (const auto rotate = flag("rotate"))
        put({ESC, 'V', *rotate});
    if (const auto x = number("x", 0, 65535)) {
        put({ESC, '$'});
        put16(*x);
    }
    // A character the language's table lacks prints as "?", as the printer's own conversion
    // prints it.
    for (qsizetype i = 0; i < content.size();) {
        const qsizetype length = content.at(i).isHighSurrogate() && i + 1 < content.size()
                                                 && content.at(i + 1).isLowSurrogate()
                                         ? 2
                                         : 1;
        const QByteArray encoded = m_encoder.encode(QStringView(content).sliced(i, length));
        // Qt's converters (ICU's) write SUB for a character the table lacks.
        const bool lacking = encoded.isEmpty() || m_encoder.hasError()
                             || (encoded == "\x1a" && content.at(i) != u'\x1a');
        m_bytes.append(lacking ? QByteArray("?") : encoded);
        m_encoder.resetState();
        i += length;
    }
    return true;
}

bool EposCommands::feed(const QString &)
{
    const auto unit = number("unit", 0, 255);
    const auto line = number("line", 0, 255);
    const auto spacing = number("linespc", 0, 255);
    // pos names a place on label or black-mark paper; on receipt paper there is none to feed to.
    choice("pos", {"peeling", "cutting", "current_tof", "next_tof"});
    if (spacing)
        put({ESC, '3', *spacing});
    if (unit)
        put({ESC, 'J', *unit});
    if (line)
        put({ESC, 'd', *line});
    if (!unit && !line && !spacing)
        put({'\n'});
    return true;
}

bool EposCommands::image(const QString &content)
{
    const auto width = number("width", 1, 65535);
    const auto height = number("height", 1, 65535);
    const bool gray = choice("mode", {"mono", "gray16"}).value_or(0) == 1;
    choice("color", {"none", "color_1", "color_2", "color_3", "color_4"});
    if (!m_error.isEmpty())
        return false;
    if (!width || !height)
        return fail(u"<image> needs its width and height"_s);
    if (*width > m_paperDots)
        return fail(u"the image is %1 dots wide; the paper has %2"_s.arg(*width).arg(m_paperDots));
    QString base64 = content;
    base64.remove(QRegularExpression(u"\\s"_s));
    const auto decoded = QByteArray::fromBase64Encoding(base64.toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || base64.size() % 4 != 0)
        return fail(u"the image's data is not base64"_s);
    const QByteArray &data = *decoded;
    const int rowBytes = (*width + 7) / 8;
    const qsizetype needed = qsizetype(gray ? (*width + 1) / 2 : rowBytes) * *height;
    if (data.size() < needed)
        return fail(u"the image's data has %1 bytes; %2 x %3 dots need %4"_s.arg(data.size())
                            .arg(*width)
                            .arg(*height)
                            .arg(needed));
    m_bytes.append(gray ? EposPicture::raster(
                           EposPicture::fromGray16(data, *width, *height), rowBytes, *height)
                        : EposPicture::raster(data.first(needed), rowBytes, *height));
    return true;
}

bool EposCommands::logo(const QString &)
{
    const auto key1 = number("key1", 0, 255);
    const auto key2 = number("key2", 0, 255);
    if (!key1 || !key2)
        return fail(u"<logo> needs key1 and key2"_s);
    // GS ( L fn 69: print the NV graphic kc1 kc2 at its own size.
    put({GS, '(', 'L', 6, 0, 48, 69, *key1, *key2, 1, 1});
    return true;
}

bool EposCommands::barcode(const QString &content)
{
    std::optional<int> type;
    const QStringView name = m_attributes.value("type"_L1);
    for (int i = 0; i < int(std::size(BarcodeTypes)); ++i) {
        if (name == QLatin1StringView(BarcodeTypes[i]))
            type = i;
    }
    // The Japanese names of EAN.
    if (name == "jan13"_L1 || name == "jan8"_L1)
        type = name == "jan13"_L1 ? 2 : 3;
    if (!type)
        return fail(u"<barcode> type=\"%1\" is not a barcode of the schema"_s.arg(name));
    if (const auto hri = choice("hri", {"none", "above", "below", "both"}))
        put({GS, 'H', *hri});
    if (const auto font = choice("font", {"font_a", "font_b", "font_c", "font_d", "font_e"}))
        put({GS, 'f', *font});
    if (const auto width = number("width", 2, 6))
        put({GS, 'w', *width});
    if (const auto height = number("height", 1, 255))
        put({GS, 'h', *height});
    const QByteArray data = content.toLatin1();
    if (data.isEmpty() || data.size() > 255)
        return fail(u"<barcode> holds %1 characters; it takes 1 to 255"_s.arg(data.size()));
    put({GS, 'k', 65 + *type, int(data.size())});
    m_bytes.append(data);
    return true;
}

bool EposCommands::symbol(const QString &content)
{
    // clang-format off
    const auto level = choice("level", {"level_0", "level_1", "level_2", "level_3", "level_4",
                                        "level_5", "level_6", "level_7", "level_8", "level_l",
                                        "level_m", "level_q", "level_h", "default"});
    // clang-format on
    const auto width = number("width", 0, 255);
    const auto height = number("height", 0, 255);
    const auto size = number("size", 0, 65535);
    if (!m_error.isEmpty())
        return false;
    QString error;
    const QByteArray bytes = EposSymbol::commands(
            m_attributes.value("type"_L1),
            {level.value_or(-1), width.value_or(-1), height.value_or(-1), size.value_or(-1)},
            content.toUtf8(),
            &error);
    if (bytes.isEmpty())
        return fail(error);
    m_bytes.append(bytes);
    return true;
}

bool EposCommands::rule(const QString &)
{
    const auto x1 = number("x1", 0, 65535);
    const auto x2 = number("x2", 0, 65535);
    const int style
            = choice("style",
                     {"thin", "medium", "wide", "double_thin", "double_medium", "double_wide"})
                      .value_or(0);
    if (!m_error.isEmpty())
        return false;
    if (!x1 || !x2)
        return fail(u"<hline> needs x1 and x2"_s);
    m_bytes.append(EposPicture::rule(m_paperDots, *x1, *x2, style));
    return true;
}

bool EposCommands::cut(const QString &)
{
    // GS V: 1 partial cut where the paper is, 66 after feeding to the cutter, 104 at the
    // cutting position once the next receipt's start has been printed; full cuts 0, 65, 103.
    constexpr int Modes[] = {1, 66, 104, 0, 65, 103};
    const int type = choice("type",
                            {"no_feed",
                             "feed",
                             "reserve",
                             "full_cut_no_feed",
                             "full_cut_feed",
                             "full_cut_reserve"})
                             .value_or(1);
    const int mode = Modes[type];
    if (mode <= 1)
        put({GS, 'V', mode});
    else
        put({GS, 'V', mode, 0});
    return true;
}

bool EposCommands::pulse(const QString &)
{
    const int drawer = choice("drawer", {"drawer_1", "drawer_2"}).value_or(0);
    const int time = choice("time",
                            {"pulse_100", "pulse_200", "pulse_300", "pulse_400", "pulse_500"})
                             .value_or(0);
    // ESC p m t1 t2: on and off for t x 2 ms on pin 2 (m 0) or pin 5 (m 1).
    const int units = (time + 1) * 50;
    put({ESC, 'p', drawer, units, units});
    return true;
}

bool EposCommands::command(const QString &content)
{
    QString hex = content;
    hex.remove(QRegularExpression(u"\\s"_s));
    static const QRegularExpression digits(u"^([0-9A-Fa-f]{2})*$"_s);
    if (!digits.match(hex).hasMatch())
        return fail(u"<command> holds \"%1\", not pairs of hex digits"_s.arg(hex.left(40)));
    m_bytes.append(QByteArray::fromHex(hex.toLatin1()));
    return true;
}

bool EposCommands::area(const QString &)
{
    const auto x = number("x", 0, 65535);
    const auto y = number("y", 0, 65535);
    const auto width = number("width", 1, 65535);
    const auto height = number("height", 1, 65535);
    if (!m_error.isEmpty())
        return false;
    if (!x || !y || !width || !height)
        return fail(u"<area> needs x, y, width and height"_s);
    put({ESC, 'W'});
    for (const int value : {*x, *y, *width, *height})
        put16(value);
    return true;
}

bool EposCommands::direction(const QString &)
{
    if (const auto dir = choice(
                "dir", {"left_to_right", "bottom_to_top", "right_to_left", "top_to_bottom"}))
        put({ESC, 'T', *dir});
    return m_error.isEmpty();
}

bool EposCommands::position(const QString &)
{
    if (const auto x = number("x", 0, 65535)) {
        put({ESC, '$'});
        put16(*x);
    }
    if (const auto y = number("y", 0, 65535)) {
        put({GS, '$'});
        put16(*y);
    }
    return m_error.isEmpty();
}

bool EposCommands::accepted(const QString &)
{
    return true;
}

} // namespace vprinter
