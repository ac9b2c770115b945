#include "EposSymbol.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

// 2D codes: the GS ( k kind (cn), and the function 65/66 byte that selects the variant.
struct SymbolType
{
    const char *name;
    int cn;
    int variant; // -1: none
};
constexpr SymbolType SymbolTypes[] = {
        {"pdf417_standard", 48, 0},
        {"pdf417_truncated", 48, 1},
        {"qrcode_model_1", 49, 49},
        {"qrcode_model_2", 49, 50},
        {"qrcode_micro", 49, 51},
        {"maxicode_mode_2", 50, 50},
        {"maxicode_mode_3", 50, 51},
        {"maxicode_mode_4", 50, 52},
        {"maxicode_mode_5", 50, 53},
        {"maxicode_mode_6", 50, 54},
        {"gs1_databar_stacked", 51, 72},
        {"gs1_databar_stacked_omnidirectional", 51, 73},
        {"gs1_databar_expanded_stacked", 51, 76},
        {"aztec_fullrange", 53, 0},
        {"aztec_compact", 53, 1},
        {"datamatrix_square", 54, 0},
        {"datamatrix_rectangle_8", 54, 8},
        {"datamatrix_rectangle_12", 54, 12},
        {"datamatrix_rectangle_16", 54, 16},
};

} // namespace

QByteArray EposSymbol::commands(QStringView type,
                                const Settings &settings,
                                QByteArray data,
                                QString *error)
{
    const auto row = std::find_if(
            std::begin(SymbolTypes), std::end(SymbolTypes), [type](const SymbolType &symbol) {
                return type == QLatin1StringView(symbol.name);
            });
    if (row == std::end(SymbolTypes)) {
        *error = u"<symbol> type=\"%1\" is not a symbol of the schema"_s.arg(type);
        return {};
    }
    // GS1 DataBar takes its type with the data: m, then the digits.
    const int cn = row->cn;
    if (cn == 51)
        data.prepend(char(row->variant));
    if (data.isEmpty() || data.size() > 65535 - 3) {
        *error = u"<symbol> holds %1 bytes; it takes 1 to 65532"_s.arg(data.size());
        return {};
    }
    QByteArray bytes;
    // GS ( k pL pH cn fn parameters: the length counts cn, fn and the parameters.
    const auto function = [&bytes, cn](int fn, std::initializer_list<int> parameters) {
        const int length = int(parameters.size()) + 2;
        const char head[] = {
                0x1d, '(', 'k', char(length & 0xff), char(length >> 8), char(cn), char(fn)};
        bytes.append(head, sizeof head);
        for (const int parameter : parameters)
            bytes.append(char(parameter));
    };
    const auto [level, width, height, size] = settings;
    if (cn == 48) { // PDF417: standard or truncated, module width, row height, level 0-8
        function(70, {row->variant});
        if (width >= 0)
            function(67, {width});
        if (height >= 0)
            function(68, {height});
        if (level >= 0 && level <= 8)
            function(69, {48, 48 + level});
    } else if (cn == 49) { // QR code: model, module size, level L, M, Q or H
        function(65, {row->variant, 0});
        if (width >= 0)
            function(67, {width});
        if (level >= 9 && level <= 12)
            function(69, {48 + level - 9});
    } else if (cn == 50) { // MaxiCode: mode
        function(65, {row->variant});
    } else if (cn == 51) { // GS1 DataBar: module width, widest expanded stacked symbol
        if (width >= 0)
            function(67, {width});
        if (size >= 0)
            function(71, {size & 0xff, size >> 8});
    } else if (cn == 53) { // Aztec code: full range or compact, module size
        function(66, {row->variant, 0});
        if (width >= 0)
            function(67, {width});
    } else { // Data Matrix: square or rectangle of so many rows, module size
        function(66, {row->variant == 0 ? 48 : 49, row->variant, 0});
        if (width >= 0)
            function(67, {width});
    }
    const int length = int(data.size()) + 3;
    const char store[] = {0x1d, '(', 'k', char(length & 0xff), char(length >> 8), char(cn), 80, 48};
    bytes.append(store, sizeof store);
    bytes.append(data);
    function(81, {48});
    return bytes;
}

} // namespace vprinter
