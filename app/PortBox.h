#pragma once

#include "link/PortList.h"

#include <QComboBox>

namespace app {

// The "Port：" box: its fixed names first, then the ports the system has, read again each time
// the list drops down. Choosing a listed port puts its path in the box.
class PortBox : public QComboBox
{
    Q_OBJECT

public:
    explicit PortBox(QWidget *parent = nullptr);

    // Where the listed ports are looked for.
    void setPortList(const serial::PortList &ports) { m_ports = ports; }
    void showPopup() override;

private:
    void refresh();

    serial::PortList m_ports;
};

} // namespace app
