#include "jobs/PrintJobs.h"

#include "link/Port.h"
#include "protocol/CodePage936.h"
#include "protocol/Commands.h"

#include <array>

namespace jobs {

namespace {

using protocol::Attribute;

// An attribute of the attribute test: the commands that switch it on and off.
struct AttributeTest
{
    QString name;
    QByteArray on;
    QByteArray off; // empty: nothing to switch off afterwards
};

const std::array<AttributeTest, 10> &attributeTests()
{
    using protocol::attribute;
    using protocol::characterSize;
    static const std::array<AttributeTest, 10> table = {{
            {QStringLiteral("Emphasize"),
             attribute(Attribute::Emphasized, 1),
             attribute(Attribute::Emphasized, 0)},
            {QStringLiteral("Double"),
             attribute(Attribute::DoubleStrike, 1),
             attribute(Attribute::DoubleStrike, 0)},
            {QStringLiteral("90degree"),
             attribute(Attribute::Rotated90, 1),
             attribute(Attribute::Rotated90, 0)},
            {QStringLiteral("italic"),
             attribute(Attribute::Italic, 1),
             attribute(Attribute::Italic, 0)},
            {QStringLiteral("underline 1"),
             attribute(Attribute::Underline, 1),
             attribute(Attribute::Underline, 0)},
            {QStringLiteral("underline 2"),
             attribute(Attribute::Underline, 2),
             attribute(Attribute::Underline, 0)},
            {QStringLiteral("upside down"),
             attribute(Attribute::UpsideDown, 1),
             attribute(Attribute::UpsideDown, 0)},
            {QStringLiteral("amplify 1"), characterSize(2, 2), characterSize(1, 1)},
            {QStringLiteral("amplify 2"), characterSize(3, 3), characterSize(1, 1)},
            // "normal" resets the printer before the lines.
            {QStringLiteral("normal"), protocol::reset(), QByteArray()},
    }};
    return table;
}

QByteArray line(const QByteArray &text)
{
    return text + protocol::lineFeed();
}

} // namespace

void feedPaper(serial::Port &port)
{
    port.Output(protocol::feedLines(5));
}

void initializePrinter(serial::Port &port)
{
    port.Output(protocol::reset());
}

void endOfJob(serial::Port &port, bool blackMark)
{
    if (blackMark)
        port.Output(protocol::blackMarkFeed());
    port.Output(protocol::cut());
}

QStringList attributeNames()
{
    QStringList names;
    for (const AttributeTest &test : attributeTests())
        names.append(test.name);
    return names;
}

void printAttributeTest(serial::Port &port, bool blackMark, const QString &attribute)
{
    const AttributeTest *chosen = nullptr;
    for (const AttributeTest &test : attributeTests()) {
        if (attribute == test.name) {
            chosen = &test;
            break;
        }
    }
    if (chosen)
        port.Output(chosen->on);
    for (int round = 0; round < 3; ++round) {
        for (const char letter : {'A', 'B', 'C'})
            port.Output(line(QByteArray(22, letter)));
    }
    port.Output(protocol::lineFeed());
    if (chosen && !chosen->off.isEmpty())
        port.Output(chosen->off);
    port.Output(protocol::reset());
    endOfJob(port, blackMark);
}

void printTestPage(serial::Port &port, bool blackMark)
{
    const QByteArray rule(25, '*');
    port.Output(line(line("** testing **")));
    port.Output(line(rule));
    for (int i = 0; i < 8; ++i)
        port.Output(line("* Printing a test *"));
    port.Output(line(rule));
    port.Output(protocol::lineFeed());
    endOfJob(port, blackMark);
}

void printUpDown(serial::Port &port, bool blackMark)
{
    const QByteArray enlarged = protocol::characterSize(1, 2);
    const QByteArray normalSize = protocol::characterSize(1, 1);
    port.Output(protocol::reset());
    for (const auto &[heading, mode] :
         {std::pair{"Sets subscripts", protocol::Script::Subscript},
          std::pair{"Sets superscripts", protocol::Script::Superscript}}) {
        // A run of letters prints enlarged, then again in the mode, on the same line.
        const auto run = [&port, &normalSize, mode = mode](const QByteArray &letters) {
            port.Output(letters);
            port.Output(normalSize);
            port.Output(protocol::script(mode));
            port.Output(line(letters));
        };
        port.Output(enlarged);
        port.Output(line(heading));
        run("ABCDEF");
        port.Output(enlarged);
        run("abcdef");
    }
    port.Output(protocol::lineFeed());
    endOfJob(port, blackMark);
}

void printChineseText(serial::Port &port, bool blackMark)
{
    static const QByteArray paragraph = *protocol::toCodePage936(QStringLiteral(
            "热敏打印机的原理是在淡色材料上(通常是纸)覆上一层透明膜，将膜加热一段时间后变成深色("
            "一般是黑色，也有蓝色)。图象是通过加热，在膜中产生化学反应而生成的。这种化学反应是在一"
            "定的温度下进行的。高温会加速这种化学反应。当温度低于60℃时，膜需要经过相当长，甚至长达"
            "几年的时间才能变成深色；而当温度为200℃时，这种反映会在几微秒内完成。"));
    port.Output(line(paragraph));
    port.Output(protocol::lineFeed());
    endOfJob(port, blackMark);
}

void printSamplePage(serial::Port &port, bool blackMark)
{
    using protocol::Attribute;
    const QByteArray data = "123456789";
    const auto frame = *protocol::barcodeFrame(protocol::Symbology::Code39, data.size());
    port.Output(protocol::attribute(Attribute::DoubleStrike, 1));
    port.Output(protocol::printMode(protocol::bannerPrintMode));
    port.Output(line("ORVEX72"));
    port.Output(protocol::printMode(0));
    port.Output(line("www.example.com")); // maker
    port.Output(line("www.example.net")); // distributor
    port.Output(protocol::lineFeed());
    port.Output(protocol::attribute(Attribute::DoubleStrike, 0));
    port.Output(protocol::attribute(Attribute::Rotated90, 0));
    port.Output("CodeBar Print:");
    port.Output(protocol::lineFeed());
    port.Output("CodeBar Name: CODE39");
    port.Output(protocol::barcodeHeight(80));
    port.Output(protocol::barcodeModuleWidth(2));
    port.Output(protocol::barcodeTextPosition(protocol::BarcodeText::None));
    port.Output(protocol::barcodeTextFont(0));
    port.Output(frame.command + frame.symbology + frame.length);
    port.Output(data);
    port.Output(protocol::lineFeed());
    port.Output("NO. " + data);
    port.Output(protocol::lineFeed());
    endOfJob(port, blackMark);
}

} // namespace jobs
