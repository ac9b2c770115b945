#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

class QTcpSocket;

// The virtual printer program without a window, for tests and benchmarks: its first lines of
// output name its pseudo-terminal, its network address and, with --http and --ipp, its web page's
// and its IPP printer's; its
// CPU time and memory are read from the system's view of the process.
class HeadlessPrinter
{
public:
    static constexpr int Patience = 30000; // ms to wait for the program before giving up

    explicit HeadlessPrinter(const QString &program);
    ~HeadlessPrinter();
    HeadlessPrinter(const HeadlessPrinter &) = delete;
    HeadlessPrinter &operator=(const HeadlessPrinter &) = delete;

    // Starts it with --headless and the arguments; wrapper runs it, as in `prlimit --nofile=64`.
    // False when it does not name its pty and a network address.
    bool start(const QStringList &arguments, const QStringList &wrapper = {});
    QProcess &process() { return m_process; }
    const QString &pty() const { return m_pty; }
    quint16 port() const;
    // The web page's port, with --http.
    quint16 httpPort() const;
    // "ipp://127.0.0.1:8000/ipp/print", with --ipp.
    const QString &ippUri() const { return m_ippUri; }
    // Standard error so far.
    const QByteArray &readErrors();
    // User and system time so far, in seconds.
    double cpuSeconds() const;
    double residentMegabytes() const;
    // A new client's real-time status request is answered: the printer serves on.
    bool serves() const;
    // Connects a client on loopback to one of its ports.
    static bool reach(QTcpSocket &client, quint16 port);

private:
    QString m_program;
    QProcess m_process;
    QString m_pty;
    QString m_address;
    QString m_httpAddress;
    QString m_ippUri;
    QByteArray m_errors;
};
