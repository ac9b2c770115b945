#include <QTest>
class TestFixtures : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(TestFixtures)
#include "tst_fixtures.moc"
