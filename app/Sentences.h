#pragma once

#include "jobs/BarcodeJob.h"
#include "jobs/FileSender.h"
#include "link/LinkFailure.h"
#include "status/PrinterInformation.h"

#include <QByteArray>
#include <QString>

#include <optional>

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

// The printer's identity, one line per answer in the order asked, "no answer" where none came.
QString printerInformationText(const QList<status::PrinterInformation::Answer> &answers);

// Why a file was not sent at all.
QString fileRefusalText(jobs::FileSender::Refusal refusal, const QString &fileName);
// How far a file got; empty when it went out whole.
QString fileOutcomeText(jobs::FileSender::Outcome outcome,
                        const QString &fileName,
                        qint64 sent,
                        qint64 total);
// The progress of a file going out, with the time left when it can be told.
QString sendingText(const QString &fileName,
                    qint64 sent,
                    qint64 total,
                    std::optional<qint64> secondsLeft);
QString cancelCaption();

} // namespace app
