#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace vprinter {

// Master side of a pseudo-terminal whose slave side programs open as the printer's serial port.
class PseudoTerminal : public QObject
{
    Q_OBJECT

public:
    explicit PseudoTerminal(QObject *parent = nullptr);
    ~PseudoTerminal() override;

    bool open();
    QString slavePath() const { return m_slavePath; }
    QString errorString() const { return m_error; }
    bool write(QByteArrayView bytes);

Q_SIGNALS:
    void received(const QByteArray &bytes);

private:
    void readAvailable();
    bool fail(const QString &what);

    int m_master = -1;
    int m_slave = -1; // held open so that the master never reads end-of-file between clients
    QString m_slavePath;
    QString m_error;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vprinter
