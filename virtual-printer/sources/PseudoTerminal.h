#pragma once

#include "PrintSource.h"

#include <QByteArray>
#include <QString>

class QSocketNotifier;

namespace vprinter {

// Master side of a pseudo-terminal whose slave side programs open as the printer's serial port.
// Bytes not yet read in its turn stay in the terminal, whose writer waits once it is full.
class PseudoTerminal : public PrintSource
{
    Q_OBJECT

public:
    // A serial line has no end of job: the terminal's turn ends when it has been quiet this long
    // while another source waits. Programs send a job without pausing (the printer answers a
    // status request at once), so a second's quiet means the job is over.
    static constexpr int TurnEndsAfterQuietMs = 1000;

    explicit PseudoTerminal(QObject *parent = nullptr);
    ~PseudoTerminal() override;

    bool open();
    QString slavePath() const { return m_slavePath; }
    QString errorString() const { return m_error; }

    QByteArray read(qsizetype max) override;
    bool atEnd() const override { return false; }
    bool write(const QByteArray &bytes, QString *error) override;
    int idleLimitMs() const override { return TurnEndsAfterQuietMs; }

private:
    bool fail(const QString &what);

    int m_master = -1;
    int m_slave = -1; // held open so that the master never reads end-of-file between clients
    QString m_slavePath;
    QString m_error;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vprinter
