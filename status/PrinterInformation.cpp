#include "status/PrinterInformation.h"

#include "link/Port.h"
#include "link/PrinterLink.h"

namespace status {

PrinterInformation::PrinterInformation(serial::PrinterLink &link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
    m_answerTimer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early, and a printer answering at 480 ms would be taken
    // for one that does not answer.
    m_answerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_answerTimer, &QTimer::timeout, this, &PrinterInformation::giveUp);
    connect(&m_link, &serial::PrinterLink::readyRead, this, &PrinterInformation::evaluate);
    connect(&m_link, &serial::PrinterLink::failed, this, &PrinterInformation::cancel);
}

bool PrinterInformation::start(serial::Port &port)
{
    if (isAsking())
        return false;
    m_port = &port;
    m_answers.clear();
    ask();
    return true;
}

void PrinterInformation::cancel()
{
    m_answerTimer.stop();
    m_waiting = false;
    m_port = nullptr;
}

void PrinterInformation::ask()
{
    const protocol::PrinterId id = protocol::printerIds[size_t(m_answers.size())];
    // A late answer to the last request, or anything else received before, is no answer to
    // this one.
    m_link.discardInput();
    m_port->Output(protocol::printerIdRequest(id));
    m_waiting = true;
    m_answerTimer.start(answerTimeoutMs);
    evaluate();
}

void PrinterInformation::evaluate()
{
    if (!m_waiting)
        return;
    const protocol::PrinterId id = protocol::printerIds[size_t(m_answers.size())];
    const std::optional<protocol::PrinterIdAnswer> answer = protocol::printerIdAnswer(
            id, m_link.peekAvailable());
    if (!answer)
        return;
    m_link.read(answer->length);
    next(answer->value);
}

void PrinterInformation::giveUp()
{
    if (!m_waiting)
        return;
    // An answer that has reached the device but not yet this program still counts; taking it
    // in may already have moved on to the next request.
    const qsizetype asked = m_answers.size();
    m_link.receivePending();
    if (m_waiting && m_answers.size() == asked)
        next(std::nullopt);
}

void PrinterInformation::next(std::optional<QByteArray> value)
{
    m_waiting = false;
    m_answerTimer.stop();
    m_answers.append({protocol::printerIds[size_t(m_answers.size())], std::move(value)});
    if (m_answers.size() < qsizetype(protocol::printerIds.size())) {
        ask();
        return;
    }
    m_port = nullptr;
    Q_EMIT finished(m_answers);
}

} // namespace status
