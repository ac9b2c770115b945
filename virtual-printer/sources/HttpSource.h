#pragma once

#include "PrintSource.h"

#include <QByteArray>
#include <QList>

namespace vprinter {

// A job given whole, as the body of an HTTP print request: bytes that are all there, printed in one
// turn, and the receipts and answers that turn produced; answers past MaxAnswers are counted, not
// kept.
class HttpSource : public PrintSource
{
    Q_OBJECT

public:
    // As many answers as a network client may leave unread.
    static constexpr qsizetype MaxAnswers = qsizetype(256) * 1024;

    // Named for receipts as the way it came ("http", "webprnt", "cloudprnt"); with a command
    // set, its bytes are read in it.
    explicit HttpSource(const QByteArray &bytes,
                        const QString &name = QStringLiteral("http"),
                        std::optional<emulator::CommandSetKind> set = std::nullopt,
                        QObject *parent = nullptr);

    QByteArray read(qsizetype max) override;
    bool atEnd() const override { return m_offset >= m_bytes.size(); }
    bool write(const QByteArray &bytes, QString *error) override;
    int idleLimitMs() const override { return 0; }
    void setPrinting(bool printing) override;
    void receiptKept(int number) override { m_receipts.append(number); }
    std::optional<emulator::CommandSetKind> commandSet() const override { return m_set; }

Q_SIGNALS:
    // Its turn is over: every byte is printed and answered.
    void printed(const QList<int> &receipts, const QByteArray &answers, qint64 answersLeftOut);

private:
    QByteArray m_bytes;
    std::optional<emulator::CommandSetKind> m_set;
    qsizetype m_offset = 0;
    QByteArray m_answers;
    qint64 m_answersLeftOut = 0;
    QList<int> m_receipts;
    bool m_started = false;
};

} // namespace vprinter
