#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace vprinter {

// The GS ( k commands that store and print a 2D code of a web print document: PDF417, QR code,
// MaxiCode, GS1 DataBar stacked, Aztec code and Data Matrix.
class EposSymbol
{
public:
    // The attributes as numbers, -1 where absent; level is the index of level_0 … level_8,
    // level_l … level_h, default.
    struct Settings
    {
        int level = -1;
        int width = -1;
        int height = -1;
        int size = -1;
    };

    // The commands for the type ("qrcode_model_2") and data; empty with the reason when the type
    // is not one of the schema or the data does not fit a command.
    static QByteArray commands(QStringView type,
                               const Settings &settings,
                               QByteArray data,
                               QString *error);
};

} // namespace vprinter
