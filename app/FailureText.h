#pragma once

#include "jobs/BarcodeJob.h"
#include "link/LinkFailure.h"

#include <QString>

// The operator's sentences for what the link and the jobs refuse.
namespace app {

// settingsText: the line settings as typed, "baud,,data bits,stop bits".
QString linkFailureText(serial::LinkFailure failure,
                        const QString &portName,
                        const QString &settingsText);
QString barcodeRefusalText(jobs::BarcodeRefusal refusal, const QString &typeName);

} // namespace app
