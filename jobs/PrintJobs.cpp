#include "jobs/PrintJobs.h"

#include "link/Port.h"
#include "link/SerialControl.h"

#include <array>

namespace jobs {

namespace {

// One entry of the attribute test: the switch-on and switch-off commands of an attribute.
struct Attribute
{
    QString name;
    int number; // 0: nothing to switch off afterwards
    QString on;
    QString off;
};

const std::array<Attribute, 10> &attributes()
{
    static const std::array<Attribute, 10> table = {{
            {QStringLiteral("Emphasize"), 1, command({ESC, u'E', 1}), command({ESC, u'E', 0})},
            {QStringLiteral("Double"), 2, command({ESC, u'G', 1}), command({ESC, u'G', 0})},
            {QStringLiteral("90degree"), 3, command({ESC, u'V', 1}), command({ESC, u'V', 0})},
            {QStringLiteral("italic"), 4, command({ESC, u'4', 1}), command({ESC, u'4', 0})},
            {QStringLiteral("underline 1"), 5, command({ESC, u'-', 1}), command({ESC, u'-', 0})},
            {QStringLiteral("underline 2"), 6, command({ESC, u'-', 2}), command({ESC, u'-', 0})},
            {QStringLiteral("upside down"), 7, command({ESC, u'{', 1}), command({ESC, u'{', 0})},
            {QStringLiteral("amplify 1"), 8, command({GS, u'!', 0x11}), command({GS, u'!', 0})},
            {QStringLiteral("amplify 2"), 9, command({GS, u'!', 0x22}), command({GS, u'!', 0})},
            {QStringLiteral("normal"),
             0,
             command({ESC, u'@'}),
             command({})}, // "normal" resets the printer before the lines
    }};
    return table;
}

} // namespace

const QString chineseParagraph = QStringLiteral(
        "热敏打印机的原理是在淡色材料上(通常是纸)覆上一层透明膜，将膜加热一段时间后变成深色("
        "一般是黑色，也有蓝色)"
        "。图象是通过加热，在膜中产生化学反应而生成的。这种化学反应是在一定的温度下进行的。高温会加"
        "速这种化学反应。当温度低于60℃时，膜需要经过相当长，甚至长达几年的时间才能变成深色；而当温"
        "度为200℃时，这种反映会在几微秒内完成。");

void endOfJob(const JobTarget &target)
{
    if (target.blackMark)
        target.comm.writeRaw(QByteArrayLiteral("\x1D\xF6"));
    target.port.Output(command({ESC, u'i'}));
}

void feedPaper(serial::Port &port)
{
    port.Output(command({ESC, u'd', 5}));
}

void initializePrinter(serial::Port &port)
{
    port.Output(command({ESC, u'@'}));
}

QStringList attributeNames()
{
    QStringList names;
    for (const Attribute &attribute : attributes())
        names.append(attribute.name);
    return names;
}

void printAttributeTest(const JobTarget &target, const QString &attribute)
{
    serial::Port &port = target.port;
    const Attribute *chosen = nullptr;
    for (const Attribute &entry : attributes()) {
        if (attribute == entry.name) {
            chosen = &entry;
            break;
        }
    }
    if (chosen)
        port.Output(chosen->on);

    const std::array<QString, 3> lines = {QString(22, u'A'), QString(22, u'B'), QString(22, u'C')};
    for (int round = 0; round < 3; ++round) {
        for (const QString &line : lines)
            port.Output(line + LF);
    }
    port.Output(command({LF}));
    if (chosen && chosen->number != 0)
        port.Output(chosen->off);
    port.Output(command({ESC, u'@'}));
    endOfJob(target);
}

void printTestPage(const JobTarget &target)
{
    serial::Port &port = target.port;
    const QString rule(25, u'*');
    port.Output(QStringLiteral("** testing **") + LF + LF);
    port.Output(rule + LF);
    for (int i = 0; i < 8; ++i)
        port.Output(QStringLiteral("* Printing a test *") + LF);
    port.Output(rule + LF);
    port.Output(command({LF}));
    endOfJob(target);
}

void printUpDown(const JobTarget &target)
{
    serial::Port &port = target.port;
    const QString enlarged = command({GS, u'!', 1});
    const QString normalSize = command({GS, u'!', 0});
    port.Output(command({ESC, u'@'}));

    // GS ~ 0 selects subscript, GS ~ 1 superscript; each run of letters is printed enlarged,
    // then again in the mode, on the same line.
    const std::array<std::pair<QString, char16_t>, 2> sections = {
            std::pair{QStringLiteral("Sets subscripts"), char16_t(0)},
            std::pair{QStringLiteral("Sets superscripts"), char16_t(1)},
    };
    for (const auto &[heading, mode] : sections) {
        port.Output(enlarged);
        port.Output(heading + LF);
        bool first = true;
        for (const QString &letters : {QStringLiteral("ABCDEF"), QStringLiteral("abcdef")}) {
            if (!first)
                port.Output(enlarged);
            first = false;
            port.Output(letters);
            port.Output(normalSize);
            port.Output(command({GS, u'~', mode}));
            port.Output(letters + LF);
        }
    }
    port.Output(command({LF}));
    endOfJob(target);
}

void printChineseText(const JobTarget &target)
{
    target.port.Output(chineseParagraph + LF);
    target.port.Output(command({LF}));
    endOfJob(target);
}

void printSamplePage(const JobTarget &target)
{
    serial::Port &port = target.port;
    port.Output(command({ESC, u'G', 1}));
    port.Output(command({ESC, u'!', 0x2F}));
    port.Output(QStringLiteral("ORVEX72") + LF);
    port.Output(command({ESC, u'!', 0}));
    port.Output(QStringLiteral("www.example.com") + LF); // maker
    port.Output(QStringLiteral("www.example.net") + LF); // distributor
    port.Output(command({LF}));
    port.Output(command({ESC, u'G', 0}));
    port.Output(command({ESC, u'V', 0}));
    port.Output(QStringLiteral("CodeBar Print:"));
    port.Output(command({LF}));
    port.Output(QStringLiteral("CodeBar Name: CODE39"));
    port.Output(command({GS, u'h', 0x50}));    // bar height 80 dots
    port.Output(command({GS, u'w', 2}));       // module width 2
    port.Output(command({GS, u'H', 0}));       // no human-readable text
    port.Output(command({GS, u'f', 0}));       // human-readable font 0
    port.Output(command({GS, u'k', 0x45, 9})); // CODE39, 9 data bytes follow
    port.Output(QStringLiteral("123456789"));
    port.Output(command({LF}));
    port.Output(QStringLiteral("NO. 123456789"));
    port.Output(command({LF}));
    endOfJob(target);
}

} // namespace jobs
