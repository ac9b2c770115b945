#pragma once

#include "protocol/StatusReply.h"

#include <QColor>
#include <QCoreApplication>
#include <QString>

namespace app {

// What the status label shows for an outcome of the status check: caption, colour, point size.
struct StatusView
{
    Q_DECLARE_TR_FUNCTIONS(app::StatusView)

public:
    QString caption;
    QColor colour = Qt::black;
    int pointSize = 10;

    // Red lines at 10 points, each ending in a line feed; or "printer OK" in black at 14 points.
    static StatusView forReply(const protocol::StatusReply &reply);
    // The time-out advice, red at 14 points.
    static StatusView timedOut();
};

} // namespace app
