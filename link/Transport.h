#pragma once

#include "link/LineSettings.h"
#include "link/LinkFailure.h"
#include "link/PortName.h"

#include <QByteArray>
#include <QObject>

#include <optional>

namespace serial {

// Flow control of a serial line. 0: none; 3: RTS/CTS together with XON/XOFF.
enum class Handshaking { None = 0, RtsXonXoff = 3 };

// One way of reaching the printer: opened from a port name, it carries bytes both ways until it
// is closed or the far end goes.
class Transport : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Closes whatever was open and starts opening. opened() or failed() follows: before the
    // call returns where nothing needs waiting for, from the event loop otherwise.
    void open(const PortName &name, const std::optional<LineSettings> &settings);
    // Gives output already handed over up to drainTimeoutMs to leave, then closes. An open
    // still under way is abandoned without a report.
    void close();
    bool isOpen() const { return m_state == State::Open; }
    bool isOpening() const { return m_state == State::Opening; }

    // The bytes reach the operating system before the call returns unless the far end holds
    // them back; then they follow in order as it lets them, and close() waits for them. Nothing
    // is written while closed or after the far end has gone.
    virtual void write(const QByteArray &bytes) = 0;
    // Bytes written that the far end holds back; drained() follows when they have all gone.
    virtual qint64 bytesToWrite() const = 0;
    virtual void discardInput() = 0;
    virtual void discardOutput() = 0;
    virtual qint64 bytesAvailable() const = 0;
    // Takes in bytes the operating system holds but the event loop has not yet delivered;
    // readyRead follows if there were any.
    virtual void receivePending() = 0;
    virtual QByteArray read(qint64 count) = 0;
    virtual QByteArray peekAvailable() = 0;
    // Only a serial line has flow control; elsewhere the choice has no effect.
    virtual void setHandshaking(Handshaking) {}

    // How long close() and the destructors wait for output the far end holds back.
    static constexpr int drainTimeoutMs = 2000;

Q_SIGNALS:
    void opened();
    void failed(serial::LinkFailure failure);
    void readyRead();
    // Everything held back has now gone to the operating system.
    void drained();
    // The far end stopped working while open (adapter pulled, printer switched off, connection
    // dropped or given up), and why. Emitted once, from the event loop, after the transport has
    // been closed.
    void lost(serial::LinkFailure failure);

protected:
    // Starts the open step proper; ends in reportOpened() or reportFailure().
    virtual void startOpen(const PortName &name, const std::optional<LineSettings> &settings) = 0;
    // Waits at most timeoutMs for output held back by the far end.
    virtual void drain(int timeoutMs) = 0;
    // Lets go of the device or connection at once; what waits to be written is dropped.
    virtual void closeNow() = 0;

    void reportOpened();
    void reportFailure(LinkFailure failure);
    // The far end has gone: the transport closes from the event loop, never from inside the
    // notification that told of it, and emits lost() once, with the first failure marked.
    void markLost(LinkFailure failure = LinkFailure::Lost);
    bool canWrite() const { return m_state == State::Open && !m_lost; }
    // Counts opens and closes, so that a report queued for an earlier open is dropped.
    quint64 generation() const { return m_generation; }

private:
    enum class State { Closed, Opening, Open };

    State m_state = State::Closed;
    bool m_lost = false;
    quint64 m_generation = 0;
};

} // namespace serial
