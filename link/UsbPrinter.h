#pragma once

#include "link/DeviceWriter.h"
#include "link/Transport.h"

class QSocketNotifier;

namespace serial {

// A printer-class device (/dev/usb/lp0): it has no line settings; jobs are written to it and a
// bidirectional printer's answers are read back from it. A printer that never answers leaves
// the status check to time out.
class UsbPrinter : public Transport
{
    Q_OBJECT

public:
    explicit UsbPrinter(QObject *parent = nullptr);
    ~UsbPrinter() override;

    void write(const QByteArray &bytes) override;
    qint64 bytesToWrite() const override;
    void discardInput() override;
    void discardOutput() override;
    qint64 bytesAvailable() const override { return m_input.size(); }
    void receivePending() override;
    QByteArray read(qint64 count) override;
    QByteArray peekAvailable() override { return m_input; }

protected:
    void startOpen(const PortName &name, const std::optional<LineSettings> &settings) override;
    void drain(int timeoutMs) override;
    void closeNow() override;

private:
    // Takes in whatever the device holds; true if anything came.
    bool takeInput();

    int m_fd = -1;
    DeviceWriter m_writer;
    QSocketNotifier *m_reader = nullptr;
    QByteArray m_input;
};

} // namespace serial
