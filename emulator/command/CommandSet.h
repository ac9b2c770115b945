#pragma once

#include "CommandSetKind.h"
#include "CommandTable.h"
#include "StatusConditions.h"

#include <QByteArray>

#include <span>
#include <string_view>

namespace emulator {

class Printer;

// Command bytes only one set's printers know, by which a job in that set is recognised.
struct Signature
{
    std::string_view bytes;
    CommandSetKind set;
};

// A printer command language: its commands, how it answers, and how its jobs are recognised.
struct CommandSet
{
    CommandSetKind kind;
    const CommandTable &table;
    const CommandTable *rasterTable; // what the printer reads in raster mode, if it has one
    std::span<const Signature> signatures;
    std::string_view realTimePrefix; // commands with it are answered as they arrive
    // The bytes of automatic status in this set's layout.
    QByteArray (*automaticStatus)(const Printer &printer);
    // The printer switches to the set: settings it lacks return to what it assumes.
    void (*enter)(Printer &printer);
};

// The sets, each defined in its folder.
const CommandSet &escPosCommandSet();
const CommandSet &starCommandSet(CommandSetKind kind);

} // namespace emulator
