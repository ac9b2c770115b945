#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

// Byte sequences of the demonstration jobs, as the demo program sends them to the printer.
namespace DemoJobs {

inline const QByteArray cut = QByteArrayLiteral("\x1b\x69");

inline QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

inline QString chineseParagraph()
{
    return QStringLiteral("热敏打印机的原理是在淡色材料上(通常是纸)"
                          "覆上一层透明膜，将膜加热一段时间后变成深色(一般"
                          "是黑色，也有蓝色)"
                          "。图象是通过加热，在膜中产生化学反应而生成的。这种化学反应是在一定的温度"
                          "下进行的。高温会加速这种化学反应。当温度低于60℃时，膜需要经过相当长，甚"
                          "至长达几年的时间才"
                          "能变成深色；而当温度为200℃时，这种反映会在几微秒内完成。");
}

inline QByteArray chinese()
{
    return gbk(chineseParagraph()) + "\n\n" + cut;
}

// The nine sample lines with one attribute switched on before and off after.
inline QByteArray textAttribute(const QByteArray &on, const QByteArray &off)
{
    QByteArray job = on;
    for (int i = 0; i < 3; ++i) {
        for (const char letter : {'A', 'B', 'C'})
            job += QByteArray(22, letter) + '\n';
    }
    return job + '\n' + off + QByteArrayLiteral("\x1b\x40") + cut;
}

inline QByteArray testPage()
{
    QByteArray job = "** testing **\n\n";
    const QByteArray rule(25, '*');
    job += rule + '\n';
    for (int i = 0; i < 8; ++i)
        job += "* Printing a test *\n";
    return job + rule + "\n\n" + cut;
}

inline QByteArray subSuperscript()
{
    QByteArray job = QByteArrayLiteral("\x1b\x40");
    const QByteArray big = QByteArrayLiteral("\x1d\x21\x01");
    const QByteArray normal = QByteArrayLiteral("\x1d\x21\x00");
    for (const char mode : {'\0', '\1'}) {
        const QByteArray select = QByteArrayLiteral("\x1d\x7e") + mode;
        job += big + (mode == 0 ? "Sets subscripts\n" : "Sets superscripts\n");
        job += "ABCDEF" + normal + select + "ABCDEF\n";
        job += big + "abcdef" + normal + select + "abcdef\n";
    }
    return job + '\n' + cut;
}

// The barcode job: settings, captions, GS k with the symbology code and a length byte.
inline QByteArray barcode(const QByteArray &name, char code, const QByteArray &data)
{
    QByteArray job = QByteArrayLiteral("\x1b\x40\x1d\x68\x3c\x1d\x77\x02\x1d\x48\x03\x1d\x66\x00");
    job += "CodeBar Print:\n\n\nCodeBar Name: " + name + "\n\n";
    const bool code128 = code == 0x49;
    job += QByteArrayLiteral("\x1d\x6b") + code + char(data.size() + (code128 ? 2 : 0));
    if (code128)
        job += "{B";
    return job + data + "NO. " + data + '\n' + cut;
}

inline QByteArray samplePage()
{
    QByteArray job = QByteArrayLiteral("\x1b\x47\x01\x1b\x21\x2f") + "ORVEX72\n";
    job += QByteArrayLiteral("\x1b\x21\x00") + "www.maker.example\nwww.distributor.example\n\n";
    job += QByteArrayLiteral("\x1b\x47\x00\x1b\x56\x00") + "CodeBar Print:\nCodeBar Name: CODE39";
    job += QByteArrayLiteral("\x1d\x68\x50\x1d\x77\x02\x1d\x48\x00\x1d\x66\x00\x1d\x6b\x45\x09");
    return job + "123456789\nNO. 123456789\n" + cut;
}

} // namespace DemoJobs
