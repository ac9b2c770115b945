// What the printer says back: real-time status, paper and drawer status, printer ID,
// automatic status back, maintenance counters and user settings; and the real-time commands.
#include "CommandSpec.h"
#include "Printer.h"

using namespace Qt::StringLiterals;
using namespace std::literals;

namespace emulator {

namespace {

void reply(Printer &p, char byte)
{
    p.reply(QByteArray(1, byte));
}

void realTimeStatus(Printer &p, const Command &c)
{
    p.reply(p.status().reply(c[0]));
}

// Ink, peeler and interface status: this printer has none of them to report.
void nothingToReport(Printer &p, const Command &)
{
    reply(p, 0x12);
}

void drawerPulseNow(Printer &p, const Command &c)
{
    p.pulseDrawer(c[1] == 1 ? 5 : 2, c[2] * 100, c[2] * 100); // t times 100 ms
}

void buzzerNow(Printer &p, const Command &c)
{
    p.beep(c[3]);
}

// DLE DC4 7 m: m 1 sends the four bytes of automatic status back.
void statusNow(Printer &p, const Command &c)
{
    if (c[1] == 1)
        return p.reply(p.status().automatic());
    p.warn(u"real-time status of kind %1 not answered"_s.arg(c[1]));
}

void clearBuffers(Printer &p, const Command &)
{
    p.buffer().cancel();
}

void nothing(Printer &, const Command &) {}

void namedId(Printer &p, const QByteArray &text)
{
    p.reply('_' + text + '\0'); // "_", the text and NUL
}

// GS g 0 m nL nH: resets the maintenance counter nL + nH * 256.
void resetCounter(Printer &p, const Command &c)
{
    if (!p.counters.reset(c.pair(2)))
        p.warn(u"maintenance counter %1 cannot be reset"_s.arg(c.pair(2)));
}

// GS g 2 m nL nH: the counter's value goes back as "_", its decimal digits and NUL.
void sendCounter(Printer &p, const Command &c)
{
    const qint64 value = p.counters.value(c.pair(2));
    if (value < 0)
        return p.warn(u"maintenance counter %1 unknown"_s.arg(c.pair(2)));
    p.reply('_' + QByteArray::number(value) + '\0');
}

// GS ( E fn: the user setting mode; answers start 37H and end NUL.
void memorySwitchOut(Printer &p, const Command &c)
{
    if (c[1] < 1 || c[1] > 8)
        return p.warn(u"memory switch %1 unknown"_s.arg(c[1]));
    p.reply("\x37\x21" + p.memorySwitches[c[1] - 1] + '\0');
}

void memorySwitchesIn(Printer &p, const Command &c)
{
    // a b1...b8 for each switch, bit 8 first: '0' off, '1' on, '2' unchanged.
    const QByteArrayView data = c.from(1);
    for (qsizetype at = 0; at + 9 <= data.size(); at += 9) {
        const int a = uchar(data[at]);
        if (a < 1 || a > 8) {
            p.warn(u"memory switch %1 unknown"_s.arg(a));
            continue;
        }
        for (int bit = 0; bit < 8; ++bit) {
            const char value = data[at + 1 + bit];
            if (value == '0' || value == '1')
                p.memorySwitches[a - 1][bit] = value;
        }
    }
}

// GS ( H 48 m d1 d2 d3 d4: the process ID response 37H 22H d1 d2 d3 d4 NUL.
void processId(Printer &p, const Command &c)
{
    const QByteArrayView id = c.from(2);
    p.reply("\x37\x22" + id.first(qMin<qsizetype>(4, id.size())).toByteArray() + '\0');
}

// FS g 1 m a1 a2 a3 a4 nL nH d1...dk writes NV user memory from address a.
void writeUserMemory(Printer &p, const Command &c)
{
    const qsizetype address = c.pair(2) | qsizetype(c.pair(4)) << 16;
    const QByteArrayView data = c.from(8);
    if (address + data.size() > p.nvUserMemory.size())
        return p.warn(u"NV user memory write beyond its 1 KiB, ignored"_s);
    p.nvUserMemory.replace(address, data.size(), data.toByteArray());
}

// clang-format off
// DLE EOT n: 1-4 one byte, 20 six bytes; 7, 8 and 18 take a second parameter.
constexpr Function RealTimeStatus[] = {
    {1, -1, "transmit real-time status: printer", realTimeStatus, fixed(1)},
    {2, -1, "transmit real-time status: off-line cause", realTimeStatus, fixed(1)},
    {3, -1, "transmit real-time status: error cause", realTimeStatus, fixed(1)},
    {4, -1, "transmit real-time status: roll paper sensor", realTimeStatus, fixed(1)},
    {20, -1, "transmit real-time status: all", realTimeStatus, fixed(1)},
    {7, -1, "transmit real-time status: ink", nothingToReport, fixed(2)},
    {8, -1, "transmit real-time status: peeler", nothingToReport, fixed(2)},
    {18, -1, "transmit real-time status: interface", nothingToReport, fixed(2)},
};

// DLE DC4 fn: the pulse (1) and power-off (2) take two parameters, the buzzer (3) five, the
// status transmission (7) one and buffer clearing (8) seven.
constexpr Function RealTimeCommands[] = {
    {1, -1, "generate pulse in real-time", drawerPulseNow, fixed(3)},
    {2, -1, "execute power-off sequence", nothing, fixed(3)},
    {3, -1, "sound buzzer in real-time", buzzerNow, fixed(6)},
    {7, -1, "transmit specified status in real time", statusNow, fixed(2)},
    {8, -1, "clear buffer(s)", clearBuffers, fixed(8)},
};

// GS r n: 1 paper sensors, 2 the drawer, 4 ink (none here).
constexpr Function TransmitStatus[] = {
    {1, 49, "transmit status: paper sensor",
     [](Printer &p, const Command &) { reply(p, p.status().paperSensors()); }},
    {2, 50, "transmit status: drawer kick-out connector",
     [](Printer &p, const Command &) { reply(p, p.status().drawer()); }},
    {4, 52, "transmit status: ink", [](Printer &p, const Command &) { reply(p, 0); }},
};

// GS I n: one byte for the numbered IDs, a block for the named ones.
constexpr Function PrinterIds[] = {
    {1, 49, "transmit printer ID: model", [](Printer &p, const Command &) { reply(p, 0x20); }},
    {2, 50, "transmit printer ID: type (multi-byte characters, cutter fitted)",
     [](Printer &p, const Command &) { reply(p, 0x03); }},
    {3, 51, "transmit printer ID: version", [](Printer &p, const Command &) { reply(p, 0x10); }},
    {65, -1, "transmit printer ID: firmware version",
     [](Printer &p, const Command &) { namedId(p, "1.00"); }},
    {66, -1, "transmit printer ID: maker name",
     [](Printer &p, const Command &) { namedId(p, "Thermal Printer Demo"); }},
    {67, -1, "transmit printer ID: model name",
     [](Printer &p, const Command &) {
         namedId(p, p.profile().paperDots == PaperDots58 ? "Virtual Printer 58" : "Virtual Printer 80");
     }},
    {68, -1, "transmit printer ID: serial number",
     [](Printer &p, const Command &) { namedId(p, "VP00000001"); }},
    {69, -1, "transmit printer ID: font of language",
     [](Printer &p, const Command &) {
         namedId(p, p.profile().chineseAtPowerUp ? "CHINA GB18030" : "ANK");
     }},
};

constexpr Function MaintenanceCounters[] = {
    {0, 48, "initialize maintenance counter", resetCounter},
    {2, 50, "transmit maintenance counter", sendCounter},
};

constexpr Function UserSetup[] = {
    {1, -1, "change into the user setting mode",
     [](Printer &p, const Command &) { p.reply(QByteArray("\x37\x20\x00", 3)); }},
    {2, -1, "end the user setting mode session", [](Printer &p, const Command &) { p.initialise(); }},
    {3, -1, "change the memory switch", memorySwitchesIn},
    {4, -1, "transmit the settings of the memory switch", memorySwitchOut},
    {5, -1, "set the customized setting values", nothing},
    {6, -1, "transmit the customized setting values",
     [](Printer &p, const Command &) { p.warn(u"customized setting values not answered"_s); }},
};

constexpr Function Responses[] = {
    {48, -1, "request transmission of response: process ID", processId},
};

constexpr Function UserMemory[] = {
    {'1', -1, "write to NV user memory", writeUserMemory, nLnH(6)},
    {'2', -1, "read from NV user memory",
     [](Printer &p, const Command &) { p.warn(u"NV user memory read not answered"_s); }},
};
// clang-format on

// clang-format off
constexpr CommandSpec Commands[] = {
    {"\x10\x04"sv, fixed(1), "transmit real-time status",
     [](Printer &p, const Command &) { p.warn(u"real-time status request of an unknown kind"_s); },
     RealTimeStatus},
    {"\x10\x05"sv, fixed(1), "send real-time request to printer",
     [](Printer &p, const Command &c) {
         if (c[0] == 2)
             p.buffer().cancel(); // recover after clearing the buffers
     }},
    {"\x10\x14"sv, fixed(3), "real-time command", nullptr, RealTimeCommands},
    {"\x1d" "r"sv, fixed(1), "transmit status",
     [](Printer &p, const Command &) { p.warn(u"status transmission of an unknown kind"_s); },
     TransmitStatus},
    {"\x1b" "v"sv, fixed(0), "transmit paper sensor status",
     [](Printer &p, const Command &) { reply(p, p.status().paperSensors()); }},
    {"\x1b" "u"sv, fixed(1), "transmit peripheral device status",
     [](Printer &p, const Command &) { reply(p, p.status().drawer()); }},
    {"\x1d" "a"sv, fixed(1), "enable/disable automatic status back",
     [](Printer &p, const Command &c) {
         p.automaticStatusMask = c[0];
         if (c[0] != 0)
             p.reply(p.status().automatic());
     }},
    {"\x1d" "j"sv, fixed(1), "enable/disable automatic status back for ink",
     [](Printer &p, const Command &c) {
         if (c[0] != 0)
             p.warn(u"ink status back not sent: this printer has no ink"_s);
     }},
    {"\x1d" "I"sv, fixed(1), "transmit printer ID",
     [](Printer &p, const Command &) { p.warn(u"printer ID of an unknown kind"_s); }, PrinterIds},
    {"\x1d" "g"sv, fixed(4), "maintenance counter", nullptr, MaintenanceCounters},
    {"\x1d(E"sv, pLpH(), "user setup", nullptr, UserSetup},
    {"\x1d(H"sv, pLpH(), "request transmission of response or status", nullptr, Responses},
    {"\x1d(A"sv, pLpH(), "execute test print",
     [](Printer &p, const Command &) { p.addNote(u"test print"_s); }},
    {"\x1c" "g"sv, fixed(8), "NV user memory", nullptr, UserMemory},
};
// clang-format on

} // namespace

std::span<const CommandSpec> statusCommands()
{
    return Commands;
}

} // namespace emulator
