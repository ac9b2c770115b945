#include "CodeTables.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using emulator::CodeTables;

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

    QTest::newRow("PC437 e acute") << 0 << 0x82 << 0x00E9;
    QTest::newRow("PC437 pound") << 0 << 0x9C << 0x00A3;
    QTest::newRow("PC437 light shade") << 0 << 0xB0 << 0x2591;
    QTest::newRow("PC437 sharp s") << 0 << 0xE1 << 0x00DF;
    QTest::newRow("Katakana A") << 1 << 0xB1 << 0xFF71;
    QTest::newRow("Katakana 80 empty") << 1 << 0x80 << 0xFFFD;
    QTest::newRow("PC850 dotless i") << 2 << 0xD5 << 0x0131;
    QTest::newRow("PC860 a tilde") << 3 << 0x84 << 0x00E3;
    QTest::newRow("PC863 A circumflex") << 4 << 0x84 << 0x00C2;
    QTest::newRow("PC865 o stroke") << 5 << 0x9B << 0x00F8;
    QTest::newRow("PC851 Alpha") << 11 << 0xA4 << 0x0391;
    QTest::newRow("PC853 c circumflex") << 12 << 0x86 << 0x0109;
    QTest::newRow("PC853 H stroke") << 12 << 0xE7 << 0x0126;
    QTest::newRow("PC853 AA empty") << 12 << 0xAA << 0xFFFD;
    QTest::newRow("PC857 dotless i") << 13 << 0x8D << 0x0131;
    QTest::newRow("PC737 Alpha") << 14 << 0x80 << 0x0391;
    QTest::newRow("ISO8859-7 Alpha") << 15 << 0xC1 << 0x0391;
    QTest::newRow("ISO8859-7 80 control") << 15 << 0x80 << 0xFFFD;
    QTest::newRow("WPC1252 euro") << 16 << 0x80 << 0x20AC;
    QTest::newRow("WPC1252 81 empty") << 16 << 0x81 << 0xFFFD;
    QTest::newRow("PC866 A") << 17 << 0x80 << 0x0410;
    QTest::newRow("PC852 a ogonek") << 18 << 0xA5 << 0x0105;
    QTest::newRow("PC852 not sign") << 18 << 0xAA << 0x00AC;
    QTest::newRow("PC858 euro") << 19 << 0xD5 << 0x20AC;
    QTest::newRow("Thai ko kai") << 21 << 0xA1 << 0x0E01;
    QTest::newRow("PC720 hamza") << 32 << 0x98 << 0x0621;
    QTest::newRow("WPC775 C acute") << 33 << 0x80 << 0x0106;
    QTest::newRow("PC855 dje") << 34 << 0x80 << 0x0452;
    QTest::newRow("PC861 Eth") << 35 << 0x8B << 0x00D0;
    QTest::newRow("PC862 alef") << 36 << 0x80 << 0x05D0;
    QTest::newRow("PC864 digit zero") << 37 << 0xB0 << 0x0660;
    QTest::newRow("PC869 Alpha") << 38 << 0xA4 << 0x0391;
    QTest::newRow("ISO8859-2 a ogonek") << 39 << 0xB1 << 0x0105;
    QTest::newRow("ISO8859-15 euro") << 40 << 0xA4 << 0x20AC;
    QTest::newRow("PC1098 Arabic comma") << 41 << 0x82 << 0x060C;
    QTest::newRow("PC1118 A ogonek") << 42 << 0xB5 << 0x0104;
    QTest::newRow("PC1119 A") << 43 << 0x80 << 0x0410;
    QTest::newRow("PC1119 u macron") << 43 << 0xD7 << 0x016B;
    QTest::newRow("PC1125 Ghe upturn") << 44 << 0xF2 << 0x0490;
    QTest::newRow("WPC1250 S caron") << 45 << 0x8A << 0x0160;
    QTest::newRow("WPC1251 A") << 46 << 0xC0 << 0x0410;
    QTest::newRow("WPC1253 Alpha") << 47 << 0xC1 << 0x0391;
    QTest::newRow("WPC1254 G breve") << 48 << 0xD0 << 0x011E;
    QTest::newRow("WPC1255 alef") << 49 << 0xE0 << 0x05D0;
    QTest::newRow("WPC1256 alef") << 50 << 0xC7 << 0x0627;
    QTest::newRow("WPC1257 S caron") << 51 << 0xD0 << 0x0160;
    QTest::newRow("WPC1258 A breve") << 52 << 0xC3 << 0x0102;
    QTest::newRow("KZ-1048 Ka descender") << 53 << 0x8D << 0x049A;
    QTest::newRow("KZ-1048 98 empty") << 53 << 0x98 << 0xFFFD;
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

void TestCodeTables::unknownTables()
{
    QCOMPARE(CodeTables::name(0), u"PC437"_s);
    QCOMPARE(CodeTables::name(16), u"WPC1252"_s);
    const QList<int> tables = CodeTables::tables();
    QVERIFY(std::is_sorted(tables.cbegin(), tables.cend()));
    for (const int table : {-1, 6, 7, 10, 20, 30, 54, 254, 255, 256}) {
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
