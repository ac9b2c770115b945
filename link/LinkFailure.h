#pragma once

#include <QMetaType>

namespace serial {

// Why the link could not be opened, or why it closed by itself.
enum class LinkFailure {
    NotFound,         // no port by that name, or no device at that path
    PermissionDenied, // the user may not use the device
    InUse,            // another program holds the device
    WrongDevice,      // the path names no device of the kind its name calls for
    SettingsRefused,  // the line settings cannot be applied
    HostNotFound,     // the network printer's name resolves to no address
    Refused,          // the network printer's host takes no connection on that port
    Unreachable,      // no route to the network printer's host
    TimedOut,         // the network printer did not answer within the connect time limit
    Lost,             // the printer went or closed the connection while open; the link is closed
    Stalled,          // the network printer stopped taking data, or an error ended the connection
                      // while open, and the system gave it up; the link is closed
};

} // namespace serial

Q_DECLARE_METATYPE(serial::LinkFailure)
