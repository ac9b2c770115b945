#include "HeadlessPrinter.h"

#include <QFile>
#include <QTcpSocket>

#include <unistd.h>

using namespace Qt::StringLiterals;

HeadlessPrinter::HeadlessPrinter(const QString &program)
    : m_program(program)
{}

HeadlessPrinter::~HeadlessPrinter()
{
    m_process.terminate();
    if (!m_process.waitForFinished(Patience))
        m_process.kill();
    m_process.waitForFinished(Patience);
}

bool HeadlessPrinter::start(const QStringList &arguments, const QStringList &wrapper)
{
    const QStringList command = wrapper + QStringList{m_program, u"--headless"_s} + arguments;
    m_process.start(command.first(), command.mid(1));
    // With --http, a third line names the web page's address; with --ipp, the next the IPP
    // printer's.
    const bool http = arguments.contains(u"--http"_s);
    const qsizetype expected = 2 + (http ? 1 : 0) + (arguments.contains(u"--ipp"_s) ? 1 : 0);
    QStringList lines;
    while (lines.size() < expected && m_process.waitForReadyRead(Patience)) {
        while (m_process.canReadLine())
            lines << QString::fromLatin1(m_process.readLine().trimmed());
    }
    if (lines.size() < expected || !lines[1].startsWith(u"tcp "_s)
        || (http && !lines[2].startsWith(u"http "_s))
        || (expected > (http ? 3 : 2) && !lines.last().startsWith(u"ipp "_s)))
        return false;
    m_pty = lines[0];
    m_address = lines[1].mid(4);
    m_httpAddress = http ? lines[2].mid(5) : QString();
    m_ippUri = expected > (http ? 3 : 2) ? lines.last().mid(4) : QString();
    return true;
}

quint16 HeadlessPrinter::port() const
{
    return quint16(m_address.section(u':', -1).toUInt());
}

quint16 HeadlessPrinter::httpPort() const
{
    return quint16(m_httpAddress.section(u':', -1).toUInt());
}

const QByteArray &HeadlessPrinter::readErrors()
{
    m_errors += m_process.readAllStandardError();
    return m_errors;
}

double HeadlessPrinter::cpuSeconds() const
{
    QFile stat(u"/proc/%1/stat"_s.arg(m_process.processId()));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // The fields after the command name, which is in parentheses: utime and stime are the 12th
    // and 13th.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble())
           / double(::sysconf(_SC_CLK_TCK));
}

double HeadlessPrinter::residentMegabytes() const
{
    QFile status(u"/proc/%1/status"_s.arg(m_process.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

bool HeadlessPrinter::serves() const
{
    QTcpSocket client;
    if (!reach(client, port()))
        return false;
    client.write("\020\004\001"); // DLE EOT 1: answered 12 when all is well
    return client.waitForReadyRead(Patience) && client.readAll() == "\022";
}

bool HeadlessPrinter::reach(QTcpSocket &client, quint16 port)
{
    client.connectToHost(QHostAddress::LocalHost, port);
    return client.waitForConnected(Patience);
}
