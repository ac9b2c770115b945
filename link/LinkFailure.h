#pragma once

#include <QMetaType>

namespace serial {

// Why the link could not be opened, or why it closed by itself.
enum class LinkFailure {
    NotFound,         // no device by that name
    PermissionDenied, // the user may not use the device
    InUse,            // another program holds the device
    NotSerialPort,    // the device is no serial port
    SettingsRefused,  // the line settings cannot be applied
    Lost,             // the device stopped working while open; the link has been closed
};

} // namespace serial

Q_DECLARE_METATYPE(serial::LinkFailure)
