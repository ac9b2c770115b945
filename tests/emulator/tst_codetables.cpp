#include "CodeTables.h"
#include "Interpreter.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QTest>

#include <iconv.h>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace emulator;

// What a byte prints in each character code table and under each international set. The
// expected code points are those of public mapping files: the Unicode consortium's
// MAPPINGS/VENDORS/MICSFT (PC/CP*.TXT, WINDOWS/CP*.TXT), MAPPINGS/ISO8859 and MISC/KZ1048.TXT;
// JIS X 0201 for katakana; ICU's ibm-720, ibm-851, ibm-1098 and ibm-1125 tables; glibc's CP774
// and CP772 charmaps for PC1118 and PC1119; Wikipedia's "Code page 853". The international
// sets are the ESC R tables of printer manuals, KS C 5636, JUS I.B1.002 and GB 1988-80.
class TestCodeTables : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void upper_data();
    void upper();
    void writtenTables_data();
    void writtenTables();
    void fixture();
    void unknownTables();
    void international_data();
    void international();
    void unknownInternationalSets();
};

void TestCodeTables::upper_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("expected"); // code point; U+FFFD where the table has no character

    // The fixture test reads every byte of every table; these are the bytes a table's
    // reference leaves empty or gets wrong.
    QTest::newRow("Katakana no-break space") << 1 << 0xFF << 0x00A0;
    QTest::newRow("PC853 H stroke") << 12 << 0xE7 << 0x0126;
    QTest::newRow("PC853 AA empty") << 12 << 0xAA << 0xFFFD;
    QTest::newRow("PC857 euro") << 13 << 0xD5 << 0x20AC;
    QTest::newRow("ISO8859-7 80 control") << 15 << 0x80 << 0xFFFD;
    QTest::newRow("PC852 not sign") << 18 << 0xAA << 0x00AC;
}

void TestCodeTables::upper()
{
    QFETCH(int, table);
    QFETCH(int, byte);
    QFETCH(int, expected);

    QVERIFY(CodeTables::isKnown(table));
    QVERIFY(CodeTables::tables().contains(table));
    QCOMPARE(CodeTables::upper(table, uchar(byte)).unicode(), expected);
}

namespace {

// The references a table is checked against: the platform's ICU converter or glibc's iconv,
// with the bytes where the printer differs from it (byte << 16 | code point).
struct Reference
{
    int table;
    const char *icu;
    const char *iconv;
    QList<int> differences;
};

const QList<Reference> &references()
{
    static const QList<Reference> list = {{0, "IBM437", nullptr, {}},
                                          {2, "IBM850", nullptr, {}},
                                          {3, "IBM860", nullptr, {}},
                                          {4, "IBM863", nullptr, {}},
                                          {5, "IBM865", nullptr, {}},
                                          {11, "IBM851", nullptr, {}},
                                          // The euro sign of later firmware.
                                          {13, "IBM857", nullptr, {0xD5 << 16 | 0x20AC}},
                                          {14, "IBM737", nullptr, {}},
                                          {15, "ISO-8859-7", nullptr, {}},
                                          {16, "windows-1252", nullptr, {}},
                                          {17, "IBM866", nullptr, {}},
                                          // The not sign ICU leaves out.
                                          {18, "IBM852", nullptr, {0xAA << 16 | 0x00AC}},
                                          {19, "IBM858", nullptr, {}},
                                          {21, "windows-874", nullptr, {}},
                                          {32, "ibm-720", nullptr, {}},
                                          {33, "IBM775", nullptr, {}},
                                          {34, "IBM855", nullptr, {}},
                                          {35, "IBM861", nullptr, {}},
                                          {36, "IBM862", nullptr, {}},
                                          {37, "IBM864", nullptr, {}},
                                          {38, "IBM869", nullptr, {}},
                                          {39, "ISO-8859-2", nullptr, {}},
                                          {40, "ISO-8859-15", nullptr, {}},
                                          {41, "ibm-1098", nullptr, {}},
                                          {42, nullptr, "CP774", {}},
                                          {43, nullptr, "CP772", {}},
                                          {44, "ibm-1125", nullptr, {}},
                                          {45, "windows-1250", nullptr, {}},
                                          {46, "windows-1251", nullptr, {}},
                                          {47, "windows-1253", nullptr, {}},
                                          {48, "windows-1254", nullptr, {}},
                                          {49, "windows-1255", nullptr, {}},
                                          {50, "windows-1256", nullptr, {}},
                                          {51, "windows-1257", nullptr, {}},
                                          {52, "windows-1258", nullptr, {}},
                                          {53, nullptr, "RK1048", {}}};
    return list;
}

// Control codes and private-use characters print nothing: U+FFFD.
char16_t printable(char16_t c)
{
    const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
    return control || (c >= 0xE000 && c <= 0xF8FF) ? char16_t(0xFFFD) : c;
}

char16_t icuCharacter(const char *name, int byte)
{
    QStringDecoder decoder(name);
    const char in = char(byte);
    const QString out = decoder.decode(QByteArrayView(&in, 1));
    return !decoder.hasError() && out.size() == 1 ? printable(out.at(0).unicode()) : 0xFFFD;
}

char16_t iconvCharacter(const char *name, int byte)
{
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == iconv_t(-1)) // NOLINT(performance-no-int-to-ptr): iconv's value for failure
        return 0;
    char in = char(byte);
    char16_t out = 0xFFFD;
    char *inPtr = &in;
    size_t inLeft = 1;
    auto *outPtr = reinterpret_cast<char *>(&out);
    size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1))
        out = 0xFFFD;
    iconv_close(cd);
    return printable(out);
}

// Bytes 80-FF of a table as its reference has them.
QString referenceUpper(const Reference &reference)
{
    QString upper;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        char16_t c = reference.icu ? icuCharacter(reference.icu, byte)
                                   : iconvCharacter(reference.iconv, byte);
        for (const int difference : reference.differences) {
            if (difference >> 16 == byte)
                c = char16_t(difference & 0xFFFF);
        }
        upper += QChar(c);
    }
    return upper;
}

QString upperOf(int table)
{
    QString upper;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        upper += CodeTables::upper(table, uchar(byte));
    return upper;
}

// Table 1 as receipt-print-hq/escpos-printer-db's encoding data lists it (KATAKANA).
const QString Katakana = u"▁▂▃▄▅▆▇█▏▎▍▌▋▊▉┼┴┬┤├¯─│▕┌┐└┘╭╮╰╯ ｡｢｣､･ｦｧｨｩｪｫｬｭｮｯ"
                         u"ｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ"
                         u"═╞╪╡◢◣◥◤♠♥♦♣●○╱╲╳円年月日時分秒〒市区町村人▓\u00A0"_s;

// Tables 30 and 31 as escpos-printer-db's encoding data lists them (TCVN-3-1, TCVN-3-2), its
// eth at A7 read as the D with stroke it stands for; a space there is a byte with no character.
QString tcvn3(QStringView listed)
{
    QString upper = listed.toString();
    upper.replace(u' ', QChar::ReplacementCharacter);
    return upper;
}
const QString Tcvn3 = tcvn3(u"                                        ăâêôơưđ      àảãáạ ằẳẵắ "
                            u"      ặầẩẫấậè ẻẽéẹềểễếệìỉ   ĩíịò ỏõóọồổỗốộờởỡớợù ủũúụừửữứựỳỷỹýỵ ");
const QString Tcvn3Capitals = tcvn3(
        u"                                 ĂÂ    Đ  ÊÔƠƯ       ÀẢÃÁẠ ẰẲẴẮ "
        u"      ẶẦẨẪẤẬÈ ẺẼÉẸỀỂỄẾỆÌỈ   ĨÍỊÒ ỎÕÓỌỒỔỖỐỘỜỞỠỚỢÙ ỦŨÚỤỪỬỮỨỰỲỶỸÝỴ ");

} // namespace

// The tables written out in the emulator print no character twice.
void TestCodeTables::writtenTables_data()
{
    QTest::addColumn<int>("table");
    QTest::newRow("Katakana") << 1;
    QTest::newRow("PC853") << 12;
    QTest::newRow("PC1118") << 42;
    QTest::newRow("PC1119") << 43;
    QTest::newRow("KZ-1048") << 53;
}

void TestCodeTables::writtenTables()
{
    QFETCH(int, table);

    QSet<QChar> seen;
    for (const QChar c : upperOf(table)) {
        QVERIFY2(c == QChar::ReplacementCharacter || !seen.contains(c),
                 qPrintable(u"U+%1 twice"_s.arg(c.unicode(), 4, 16)));
        seen.insert(c);
    }
}

// The fixture that prints every table's bytes 80-FF, four lines of 32 under "table n": every
// byte of every table against its reference.
void TestCodeTables::fixture()
{
    QFile file(QStringLiteral(FIXTURES_DIR "/code-tables.bin"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    Interpreter interpreter;
    interpreter.feed(file.readAll());
    interpreter.finish();
    QStringList lines;
    for (const Receipt &receipt : interpreter.receipts()) {
        for (const ReceiptBlock &block : receipt.blocks) {
            if (const auto *line = std::get_if<TextLine>(&block)) {
                QString text;
                for (const TextRun &run : line->runs)
                    text += run.text;
                lines << text;
            }
        }
    }
    QHash<int, QString> expected;
    for (const Reference &reference : references())
        expected.insert(reference.table, referenceUpper(reference));
    expected.insert(1, Katakana);
    expected.insert(30, Tcvn3);
    expected.insert(31, Tcvn3Capitals);
    QList<int> printed;
    for (qsizetype at = 0; at + 4 < lines.size(); at += 5) {
        QVERIFY2(lines[at].startsWith(u"table "_s), qPrintable(lines[at]));
        const int table = lines[at].mid(6).toInt();
        const QString upper = lines.mid(at + 1, 4).join(QString());
        printed << table;
        if (table == 12) {
            // PC853 has no reference here: its six undefined bytes print nothing.
            QCOMPARE(upper.count(QChar::ReplacementCharacter), 6);
            continue;
        }
        QVERIFY2(expected.contains(table), qPrintable(lines[at]));
        QCOMPARE(upper, expected.value(table));
    }
    QCOMPARE(printed, CodeTables::tables());
}

void TestCodeTables::unknownTables()
{
    QCOMPARE(CodeTables::name(0), u"PC437"_s);
    QCOMPARE(CodeTables::name(16), u"WPC1252"_s);
    const QList<int> tables = CodeTables::tables();
    QVERIFY(std::is_sorted(tables.cbegin(), tables.cend()));
    for (const int table : {-1, 6, 7, 10, 20, 29, 54, 254, 255, 256}) {
        QVERIFY2(!CodeTables::isKnown(table), qPrintable(QString::number(table)));
        QVERIFY(CodeTables::name(table).isEmpty());
        QCOMPARE(CodeTables::upper(table, 0x82), QChar(QChar::ReplacementCharacter));
        QVERIFY(!tables.contains(table));
    }
}

void TestCodeTables::international_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("expected");

    QTest::newRow("USA backslash") << 0 << 0x5C << 0x005C;
    QTest::newRow("France e acute") << 1 << 0x7B << 0x00E9;
    QTest::newRow("Germany section") << 2 << 0x40 << 0x00A7;
    QTest::newRow("Germany sharp s") << 2 << 0x7E << 0x00DF;
    QTest::newRow("Germany letter A") << 2 << 0x41 << 0x0041;
    QTest::newRow("UK pound") << 3 << 0x23 << 0x00A3;
    QTest::newRow("Denmark I AE") << 4 << 0x5B << 0x00C6;
    QTest::newRow("Sweden currency") << 5 << 0x24 << 0x00A4;
    QTest::newRow("Italy u grave") << 6 << 0x60 << 0x00F9;
    QTest::newRow("Spain I peseta") << 7 << 0x23 << 0x20A7;
    QTest::newRow("Japan yen") << 8 << 0x5C << 0x00A5;
    QTest::newRow("Norway o stroke") << 9 << 0x7C << 0x00F8;
    QTest::newRow("Denmark II E acute") << 10 << 0x40 << 0x00C9;
    QTest::newRow("Spain II u acute") << 11 << 0x7E << 0x00FA;
    QTest::newRow("Latin America u diaeresis") << 12 << 0x60 << 0x00FC;
    QTest::newRow("Korea won") << 13 << 0x5C << 0x20A9;
    QTest::newRow("Slovenia/Croatia D stroke") << 14 << 0x5C << 0x0110;
    QTest::newRow("China yuan") << 15 << 0x24 << 0x00A5;
}

void TestCodeTables::international()
{
    QFETCH(int, set);
    QFETCH(int, byte);
    QFETCH(int, expected);

    QVERIFY(CodeTables::isKnownInternational(set));
    QVERIFY(!CodeTables::internationalName(set).isEmpty());
    QCOMPARE(CodeTables::international(set, uchar(byte)).unicode(), expected);
}

void TestCodeTables::unknownInternationalSets()
{
    QCOMPARE(CodeTables::internationalName(2), u"Germany"_s);
    for (const int set : {-1, 16, 18, 64, 255}) {
        QVERIFY(!CodeTables::isKnownInternational(set));
        QVERIFY(CodeTables::internationalName(set).isEmpty());
        QCOMPARE(CodeTables::international(set, 0x23), QChar(u'#'));
    }
}

QTEST_APPLESS_MAIN(TestCodeTables)
#include "tst_codetables.moc"
