#pragma once

#include "jobs/BarcodeJob.h"
#include "link/LinkFailure.h"

#include <QByteArray>
#include <QString>

// The tool's own sentences to the operator, beside the window's captions, notes and status lines:
// why the link or a job was refused or ended, and what the status label's tooltip adds. They are
// written in English; the Chinese window shows their translation.
namespace app {

// settingsText: the line settings as typed, "baud,,data bits,stop bits"; openCaption: the
// caption of the button that opens the link, as the window shows it now.
QString linkFailureText(serial::LinkFailure failure,
                        const QString &portName,
                        const QString &settingsText,
                        const QString &openCaption);
QString barcodeRefusalText(jobs::BarcodeRefusal refusal, const QString &typeName);
// The data box still holds a barcode type's hint.
QString hintLeftText();
// The status label's tooltip: the reply's bytes, or what came before the wait gave up.
QString replyToolTip(const QByteArray &reply);
QString partialReplyToolTip(const QByteArray &partial);

} // namespace app
