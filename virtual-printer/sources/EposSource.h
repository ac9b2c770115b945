#pragma once

#include "PrintSource.h"

#include <QByteArray>
#include <QList>

#include <functional>

namespace vprinter {

// A web print document made into printer bytes, printed in one turn as the source "epos"; when
// its turn comes the printer may refuse it whole (a condition that stops printing), and then
// nothing of it prints.
class EposSource : public PrintSource
{
    Q_OBJECT

public:
    // refusal is asked when the turn comes: the reason not to print, or nothing.
    EposSource(const QByteArray &bytes,
               std::function<QByteArray()> refusal,
               QObject *parent = nullptr);

    bool started() const { return m_started; }

    QByteArray read(qsizetype max) override;
    bool atEnd() const override { return m_offset >= m_bytes.size(); }
    // The document's own commands' answers go nowhere: the response reports the status.
    bool write(const QByteArray &, QString *) override { return true; }
    int idleLimitMs() const override { return 0; }
    void setPrinting(bool printing) override;
    void receiptKept(int number) override { m_receipts.append(number); }

Q_SIGNALS:
    // Its turn is over: every byte printed, or none with the reason the printer refused it.
    void printed(const QList<int> &receipts, const QByteArray &refused);

private:
    QByteArray m_bytes;
    qsizetype m_offset = 0;
    std::function<QByteArray()> m_refusal;
    QByteArray m_refused;
    QList<int> m_receipts;
    bool m_started = false;
};

} // namespace vprinter
