#include "WebPrntElements.h"

#include <QStringEncoder>

#include <initializer_list>
#include <optional>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

constexpr char ESC = 0x1B;
constexpr char GS = 0x1D;
constexpr char RS = 0x1E;

// One print element and its text.
struct Element
{
    const QXmlStreamAttributes &attributes;
    const QString &text;
};

using Job = WebPrntElements::Job;

// "attribute takes …": thrown as text, caught once per element with the element's line.
struct Refusal
{
    QString reason;
};

QByteArray cmd(std::initializer_list<char> bytes)
{
    return {bytes.begin(), qsizetype(bytes.size())};
}

// A 16-bit number, low byte first.
QByteArray pair(int n)
{
    return cmd({char(n & 0xFF), char((n >> 8) & 0xFF)});
}

// A numeric attribute within the range the web interface documents; none when absent.
std::optional<int> number(const Element &e, QLatin1StringView name, int min, int max)
{
    if (!e.attributes.hasAttribute(name))
        return std::nullopt;
    bool ok = false;
    const int value = e.attributes.value(name).toInt(&ok);
    if (!ok || value < min || value > max)
        throw Refusal{u"%1 takes %2 to %3"_s.arg(name).arg(min).arg(max)};
    return value;
}

// An attribute that names one of the choices: its index; none when absent.
std::optional<int> choice(const Element &e, QLatin1StringView name, const QStringList &choices)
{
    if (!e.attributes.hasAttribute(name))
        return std::nullopt;
    const qsizetype index = choices.indexOf(e.attributes.value(name).toString());
    if (index < 0)
        throw Refusal{u"%1 takes %2"_s.arg(name, choices.join(u", "_s))};
    return int(index);
}

std::optional<bool> flag(const Element &e, QLatin1StringView name)
{
    const std::optional<int> value = choice(e, name, {u"false"_s, u"true"_s});
    return value ? std::optional<bool>(*value == 1) : std::nullopt;
}

// Element text with the web builder's escapes: "\\" is a backslash, "\xNN" the byte NN; the
// other characters are encoded for the printer (as bytes when the text is binary data).
QByteArray unescape(const QString &text, const QByteArray &encoding)
{
    QByteArray bytes;
    QString run;
    QStringEncoder encoder(encoding.constData());
    auto flushRun = [&] {
        if (run.isEmpty())
            return;
        bytes += encoder.isValid() ? QByteArray(encoder.encode(run)) : run.toLatin1();
        run.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            run += text[i];
            continue;
        }
        flushRun();
        if (i + 1 < text.size() && text[i + 1] == u'\\') {
            bytes += '\\';
            ++i;
            continue;
        }
        bool ok = false;
        const int byte = text.mid(i + 2, 2).toInt(&ok, 16);
        if (i + 3 >= text.size() || text[i + 1] != u'x' || !ok)
            throw Refusal{u"a backslash begins \\\\ or \\xNN"_s};
        bytes += char(byte);
        i += 3;
    }
    flushRun();
    return bytes;
}

QByteArray base64(const QString &text)
{
    auto decoded = QByteArray::fromBase64Encoding(text.trimmed().toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        throw Refusal{u"the data is not base64"_s};
    return *decoded;
}

// A picture of rows, each (width + 7) / 8 bytes with the leftmost dot in the high bit, printed
// as a raster image.
void raster(Job &job, int width, int height, const QByteArray &rows)
{
    if (width > job.paperDots)
        throw Refusal{
                u"the image is %1 dots wide; the paper takes %2"_s.arg(width).arg(job.paperDots)};
    const int rowBytes = (width + 7) / 8;
    if (rows.size() != qsizetype(rowBytes) * height)
        throw Refusal{u"%1 by %2 dots take %3 bytes, not %4"_s.arg(width)
                              .arg(height)
                              .arg(qsizetype(rowBytes) * height)
                              .arg(rows.size())};
    if (height == 0 || width == 0)
        return;
    job.bytes += cmd({ESC, GS, 'S', 1}) + pair(rowBytes) + pair(height) + '\0' + rows;
}

// Star's code pages by the builder's names, and the multi-byte encodings, which select no page;
// the builder's other pages are taken and their text encoded as the page before.
struct CodePage
{
    const char *name;
    char number;
    const char *encoding;
};
constexpr CodePage CodePages[] = {
        {"cp437", 1, "IBM437"},         {"cp932", 2, "Shift_JIS"},
        {"cp858", 4, "IBM00858"},       {"cp852", 5, "IBM852"},
        {"cp860", 6, "IBM860"},         {"cp861", 7, "IBM861"},
        {"cp863", 8, "IBM863"},         {"cp865", 9, "IBM865"},
        {"cp866", 10, "IBM866"},        {"cp855", 11, "IBM855"},
        {"cp857", 12, "IBM857"},        {"cp862", 13, "IBM862"},
        {"cp864", 14, "IBM864"},        {"cp737", 15, "IBM737"},
        {"cp851", 16, "IBM851"},        {"cp869", 17, "IBM869"},
        {"cp928", 18, "ISO-8859-7"},    {"cp772", 19, "IBM775"},
        {"cp774", 20, "IBM775"},        {"cp874", 21, "windows-874"},
        {"cp1252", 32, "windows-1252"}, {"cp1250", 33, "windows-1250"},
        {"cp1251", 34, "windows-1251"}, {"utf8", -1, "UTF-8"},
        {"shift_jis", -1, "Shift_JIS"}, {"gb18030", -1, "GB18030"},
        {"gb2312", -1, "GBK"},          {"big5", -1, "Big5"},
        {"korea", -1, "EUC-KR"},
};

void text(const Element &e, Job &job)
{
    QByteArray &b = job.bytes;
    if (const auto on = flag(e, "emphasis"_L1))
        b += cmd({ESC, *on ? 'E' : 'F'});
    if (const auto on = flag(e, "invert"_L1))
        b += cmd({ESC, *on ? '4' : '5'});
    if (const auto space = choice(e, "linespace"_L1, {u"24"_s, u"32"_s}))
        b += *space == 0 ? cmd({ESC, '0'}) : cmd({ESC, 'z', 1});
    if (const auto font = choice(e, "font"_L1, {u"font_a"_s, u"font_b"_s}))
        b += cmd({ESC, RS, 'F', char(*font)});
    if (const auto on = flag(e, "underline"_L1))
        b += cmd({ESC, '-', char(*on)});
    if (const auto space = number(e, "characterspace"_L1, 0, 7))
        b += cmd({ESC, ' ', char(*space)});
    const auto width = number(e, "width"_L1, 1, 6);
    const auto height = number(e, "height"_L1, 1, 6);
    if (width || height) {
        job.width = width.value_or(job.width);
        job.height = height.value_or(job.height);
        b += cmd({ESC, 'i', char(job.height - 1), char(job.width - 1)});
    }
    if (e.attributes.hasAttribute("codepage"_L1)) {
        const QStringView name = e.attributes.value("codepage"_L1);
        const auto page = std::find_if(
                std::begin(CodePages), std::end(CodePages), [name](const CodePage &p) {
                    return name == QLatin1StringView(p.name);
                });
        if (page != std::end(CodePages)) {
            if (page->number >= 0)
                b += cmd({ESC, GS, 't', page->number});
            job.encoding = page->encoding;
        } else if (!name.startsWith(u"cp"_s) && name != u"blank"_s) {
            throw Refusal{u"codepage names a code page (cp437 …), an encoding (utf8 …) or blank"_s};
        }
    }
    static const QStringList Countries = {u"usa"_s,
                                          u"france"_s,
                                          u"germany"_s,
                                          u"uk"_s,
                                          u"denmark"_s,
                                          u"sweden"_s,
                                          u"italy"_s,
                                          u"spain"_s,
                                          u"japan"_s,
                                          u"norway"_s,
                                          u"denmark2"_s,
                                          u"spain2"_s,
                                          u"latin_america"_s,
                                          u"korea"_s,
                                          u"ireland"_s,
                                          u"legal"_s};
    if (const auto country = choice(e, "international"_L1, Countries))
        b += cmd({ESC, 'R', char(*country)});
    b += unescape(e.text, job.encoding);
}

void alignment(const Element &e, Job &job)
{
    const int position = choice(e, "position"_L1, {u"left"_s, u"center"_s, u"right"_s}).value_or(0);
    job.bytes += cmd({ESC, GS, 'a', char(position)});
}

void feed(const Element &e, Job &job)
{
    const auto lines = number(e, "line"_L1, 1, 255);
    const auto units = number(e, "unit"_L1, 1, 255);
    if (!lines && !units)
        throw Refusal{u"<feed> takes line or unit"_s};
    if (lines)
        job.bytes += cmd({ESC, 'a', char(*lines)});
    if (units) // quarter millimetres
        job.bytes += cmd({ESC, 'J', char(*units)});
}

// ESC d n: 0 full and 1 partial cut where the paper is, 2 and 3 after feeding it to the cutter.
void cutPaper(const Element &e, Job &job)
{
    const bool feedFirst = flag(e, "feed"_L1).value_or(true);
    const int partial = choice(e, "type"_L1, {u"full"_s, u"partial"_s}).value_or(1);
    job.bytes += cmd({ESC, 'd', char((feedFirst ? 2 : 0) + partial)});
}

void barcode(const Element &e, Job &job)
{
    const auto symbology = choice(e,
                                  "symbology"_L1,
                                  {u"UPCE"_s,
                                   u"UPCA"_s,
                                   u"JAN8"_s,
                                   u"JAN13"_s,
                                   u"Code39"_s,
                                   u"ITF"_s,
                                   u"Code128"_s,
                                   u"Code93"_s,
                                   u"NW7"_s});
    if (!symbology)
        throw Refusal{u"<barcode> has no symbology"_s};
    // width2-4: modules of 2-4 dots (modes 1-3); width_mode1-9: the nine narrow-wide modes.
    const QStringList widths = {u"width2"_s,
                                u"width3"_s,
                                u"width4"_s,
                                u"width_mode1"_s,
                                u"width_mode2"_s,
                                u"width_mode3"_s,
                                u"width_mode4"_s,
                                u"width_mode5"_s,
                                u"width_mode6"_s,
                                u"width_mode7"_s,
                                u"width_mode8"_s,
                                u"width_mode9"_s};
    const int width = choice(e, "width"_L1, widths).value_or(1);
    const int mode = width < 3 ? width + 1 : width - 2;
    const bool hri = flag(e, "hri"_L1).value_or(true);
    const int height = number(e, "height"_L1, 1, 255).value_or(40);
    const QByteArray data = unescape(e.text, "ISO-8859-1");
    if (data.contains(RS) || data.size() > 255)
        throw Refusal{u"barcode data holds at most 255 bytes and no 0x1E"_s};
    job.bytes += cmd({ESC, 'b', char(*symbology), char(hri ? 2 : 1), char(mode), char(height)})
                 + data + RS;
}

void qrCode(const Element &e, Job &job)
{
    const int model = choice(e, "model"_L1, {u"model1"_s, u"model2"_s}).value_or(1);
    const int level = choice(e,
                             "level"_L1,
                             {u"level_l"_s, u"level_m"_s, u"level_q"_s, u"level_h"_s})
                              .value_or(0);
    const int cell = number(e, "cell"_L1, 1, 8).value_or(4);
    const QByteArray data = unescape(e.text, "UTF-8");
    if (data.size() > 7089)
        throw Refusal{u"a QR code holds at most 7089 bytes"_s};
    job.bytes += cmd({ESC, GS, 'y', 'S', '0', char(model + 1)})
                 + cmd({ESC, GS, 'y', 'S', '1', char(level)})
                 + cmd({ESC, GS, 'y', 'S', '2', char(cell)}) + cmd({ESC, GS, 'y', 'D', '1', '\0'})
                 + pair(int(data.size())) + data + cmd({ESC, GS, 'y', 'P'});
}

void pdf417(const Element &e, Job &job)
{
    const int level = choice(e,
                             "level"_L1,
                             {u"level0"_s,
                              u"level1"_s,
                              u"level2"_s,
                              u"level3"_s,
                              u"level4"_s,
                              u"level5"_s,
                              u"level6"_s,
                              u"level7"_s,
                              u"level8"_s})
                              .value_or(1);
    const int rows = number(e, "line"_L1, 0, 90).value_or(0);
    const int columns = number(e, "column"_L1, 0, 30).value_or(0);
    const int module = number(e, "module"_L1, 1, 8).value_or(2);
    const int aspect = number(e, "aspect"_L1, 1, 8).value_or(3);
    const QByteArray data = unescape(e.text, "UTF-8");
    if (data.size() > 1024)
        throw Refusal{u"a PDF417 here holds at most 1024 bytes"_s};
    // ESC GS x S 0 n p1 p2: n 1 rows and columns, 2 rows only, 3 columns only, 0 as needed.
    const char sizeMode = char(rows && columns ? 1 : rows ? 2 : columns ? 3 : 0);
    job.bytes += cmd({ESC, GS, 'x', 'S', '0', sizeMode, char(rows), char(columns)})
                 + cmd({ESC, GS, 'x', 'S', '1', char(level)})
                 + cmd({ESC, GS, 'x', 'S', '2', char(module)})
                 + cmd({ESC, GS, 'x', 'S', '3', char(aspect)}) + cmd({ESC, GS, 'x', 'D'})
                 + pair(int(data.size())) + data + cmd({ESC, GS, 'x', 'P'});
}

void bitImage(const Element &e, Job &job)
{
    const int width = number(e, "width"_L1, 0, 65535).value_or(0);
    const int height = number(e, "height"_L1, 0, 65535).value_or(0);
    raster(job, width, height, base64(e.text));
}

// A line across: thin, medium and thick are 1, 2 and 3 dots; double_ draws two with a gap.
void ruledLine(const Element &e, Job &job)
{
    const int thickness = choice(e,
                                 "thickness"_L1,
                                 {u"thin"_s,
                                  u"medium"_s,
                                  u"thick"_s,
                                  u"double_thin"_s,
                                  u"double_medium"_s,
                                  u"double_thick"_s})
                                  .value_or(0);
    const int width = number(e, "width"_L1, 1, 65535).value_or(job.paperDots);
    const int dots = thickness % 3 + 1;
    const int rowBytes = (width + 7) / 8;
    QByteArray row(rowBytes, char(0xFF));
    if (width % 8)
        row[rowBytes - 1] = char(0xFF << (8 - width % 8));
    QByteArray rows = row.repeated(dots);
    if (thickness >= 3)
        rows += QByteArray(qsizetype(rowBytes) * dots, '\0') + row.repeated(dots);
    raster(job, width, int(rows.size() / rowBytes), rows);
}

// BEL drives the drawer on connector 1, SUB on connector 2; ESC BEL n1 n2 sets the pulse in
// 10 ms steps.
void peripheral(const Element &e, Job &job)
{
    const int channel = number(e, "channel"_L1, 1, 2).value_or(1);
    const auto on = number(e, "on"_L1, 1, 65535);
    const auto off = number(e, "off"_L1, 1, 65535);
    if (on || off) {
        job.bytes += cmd({ESC,
                          0x07,
                          char(qBound(1, on.value_or(200) / 10, 127)),
                          char(qBound(1, off.value_or(200) / 10, 127))});
    }
    job.bytes += channel == 1 ? '\x07' : '\x1A';
}

// RS sounds the buzzer once.
void sound(const Element &e, Job &job)
{
    number(e, "channel"_L1, 1, 2);
    job.bytes += QByteArray(number(e, "repeat"_L1, 1, 20).value_or(1), RS);
}

struct ElementKind
{
    QLatin1StringView name;
    void (*build)(const Element &e, Job &job);
};
const ElementKind Kinds[] = {
        {"initialization"_L1,
         [](const Element &e, Job &job) {
             flag(e, "reset"_L1);
             flag(e, "print"_L1);
             job.bytes += cmd({ESC, '@'});
             job.width = job.height = 1;
             job.encoding = "IBM437";
         }},
        {"text"_L1, text},
        {"alignment"_L1, alignment},
        {"feed"_L1, feed},
        {"cutpaper"_L1, cutPaper},
        {"barcode"_L1, barcode},
        {"qrcode"_L1, qrCode},
        {"pdf417"_L1, pdf417},
        {"bitimage"_L1, bitImage},
        {"ruledline"_L1, ruledLine},
        {"rawdata"_L1,
         [](const Element &e, Job &job) {
             job.bytes += base64(e.text);
         }},
        // This printer holds no stored logos: the element is taken and prints nothing.
        {"logo"_L1,
         [](const Element &e, Job &) {
             choice(e, "width"_L1, {u"single"_s, u"double"_s});
             choice(e, "height"_L1, {u"single"_s, u"double"_s});
             number(e, "number"_L1, 1, 255);
         }},
        // Holding the printed paper until it is taken: nothing a receipt shows.
        {"holdprint"_L1,
         [](const Element &e, Job &) {
             choice(e, "type"_L1, {u"valid"_s, u"invalid"_s, u"default"_s});
         }},
        {"peripheral"_L1, peripheral},
        {"sound"_L1, sound},
};

} // namespace

WebPrntElements::WebPrntElements(int paperDots)
{
    m_job.paperDots = paperDots;
}

bool WebPrntElements::add(QStringView name,
                          const QXmlStreamAttributes &attributes,
                          const QString &text,
                          QString *error)
{
    const auto kind = std::find_if(std::begin(Kinds),
                                   std::end(Kinds),
                                   [name](const ElementKind &k) { return name == k.name; });
    if (kind == std::end(Kinds)) {
        *error = u"<%1> is not a print element"_s.arg(name);
        return false;
    }
    try {
        kind->build(Element{attributes, text}, m_job);
    } catch (const Refusal &refusal) {
        *error = u"<%1>: %2"_s.arg(name, refusal.reason);
        return false;
    }
    return true;
}

} // namespace vprinter
