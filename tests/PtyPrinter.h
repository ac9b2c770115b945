#pragma once

#include <QByteArray>
#include <QString>

#include <termios.h>

// The far end of a pseudo-terminal standing in for the printer: the tool opens path(), the test
// reads what arrives and answers, or closes the far end as a pulled cable would.
class PtyPrinter
{
public:
    PtyPrinter();
    ~PtyPrinter();
    PtyPrinter(const PtyPrinter &) = delete;
    PtyPrinter &operator=(const PtyPrinter &) = delete;

    QString path() const { return m_path; }
    int farEnd() const { return m_master; }

    // Waits (running the event loop) until `count` bytes have arrived, then takes whatever else
    // arrives within a short quiet spell, so a test also sees bytes that should not be there.
    QByteArray read(qsizetype count, int timeoutMs = 5000);
    // Up to `count` bytes, by default without running the event loop: only what the tool has
    // already handed to the operating system can arrive.
    QByteArray readWithoutEvents(qsizetype count, int timeoutMs = 1000, bool events = false);
    // Everything that arrives until the line has been quiet for quietMs.
    QByteArray readQuiet(int quietMs = 100);
    void write(const QByteArray &bytes);
    void closeFarEnd();
    // Makes every read of the device fail, as on a printer that cannot answer, or lets reads
    // work again; false if the system does not allow it.
    bool refuseReads(bool refuse);

    // The line settings as the tool left them on the device.
    termios lineSettings() const;

private:
    // What arrives within 5 ms, after running the tool's events when asked.
    qsizetype poll(QByteArray &into, bool events);

    int m_master = -1;
    int m_slave = -1; // held open so the pty lives on when the tool closes its end
    QString m_path;
};
