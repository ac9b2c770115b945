#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

namespace serial {

// Writes to a device's file descriptor without blocking: what the device does not take at once
// waits, in order, and goes out as the device becomes writable.
class DeviceWriter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~DeviceWriter() override;

    // Starts writing to a device just opened; detach() before the descriptor is closed.
    void attach(int fd);
    void detach();

    // Bytes written in full before the call returns, unless the device holds them back.
    void write(const QByteArray &bytes);
    void discard();
    // Waits at most timeoutMs for what is waiting to go out.
    void drain(int timeoutMs);
    qsizetype pending() const { return m_pending.size(); }

Q_SIGNALS:
    // The device refused a write: it has gone. What was waiting is dropped.
    void failed();
    // What the device held back has all been written.
    void drained();

private:
    void writePending();

    int m_fd = -1;
    QByteArray m_pending;
    QSocketNotifier *m_notifier = nullptr;
    bool m_holding = false; // the device held bytes back at the last try
};

} // namespace serial
