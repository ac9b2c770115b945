#pragma once

#include "protocol/PrinterId.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <optional>

namespace serial {
class Port;
class PrinterLink;
} // namespace serial

namespace status {

// Asks the printer who it is: every printer ID in turn, the next request only once the last
// has its answer or has waited answerTimeoutMs for it. Driven by received bytes and a timer,
// so the window goes on while it waits.
class PrinterInformation : public QObject
{
    Q_OBJECT

public:
    static constexpr int answerTimeoutMs = 500;

    struct Answer
    {
        protocol::PrinterId id;
        std::optional<QByteArray> value; // nothing: no complete answer came in time
    };

    explicit PrinterInformation(serial::PrinterLink &link, QObject *parent = nullptr);

    // Sends the first request; false, sending nothing, while the questions are being asked.
    bool start(serial::Port &port);
    // Ends the questions at once with no outcome: the link is being closed or has gone.
    void cancel();
    bool isAsking() const { return m_port != nullptr; }

Q_SIGNALS:
    // One answer per printer ID, in the order asked.
    void finished(const QList<status::PrinterInformation::Answer> &answers);

private:
    void ask();
    void evaluate();
    void giveUp();
    void next(std::optional<QByteArray> value);

    serial::PrinterLink &m_link;
    serial::Port *m_port = nullptr;
    bool m_waiting = false; // a request is out and its answer not yet taken
    QTimer m_answerTimer;
    QList<Answer> m_answers;
};

} // namespace status
