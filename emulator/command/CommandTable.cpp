#include "CommandTable.h"

#include "CommandRecord.h"
#include "Printer.h"

#include <algorithm>
#include <array>
#include <vector>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

qsizetype countAt(const uchar *p, qsizetype at, int bytes)
{
    qsizetype count = 0;
    for (int i = bytes - 1; i >= 0; --i)
        count = count << 8 | p[at + i];
    return count;
}

// Up to `limit` bytes from `start` ended by NUL, the NUL included; unended, the limit is taken.
qsizetype nulEnded(const uchar *p, qsizetype available, qsizetype start, qsizetype limit)
{
    for (qsizetype i = start; i < available && i < start + limit; ++i) {
        if (p[i] == 0)
            return i + 1;
    }
    return available < start + limit ? available + 1 : start + limit;
}

const Function *findFunction(const CommandSpec &spec, int key)
{
    const auto found = std::find_if(
            spec.functions.begin(), spec.functions.end(), [key](const Function &f) {
                return f.key == key || f.alias == key;
            });
    return found == spec.functions.end() ? nullptr : &*found;
}

} // namespace

qsizetype Shape::length(const uchar *p, qsizetype available, qsizetype prefix) const
{
    switch (kind) {
    case Kind::Fixed:
    case Kind::Inherit:
        return prefix + parameters;
    case Kind::Counted: {
        const qsizetype at = prefix + parameters;
        if (available < at + countBytes)
            return at + countBytes;
        return at + countBytes + countAt(p, at, countBytes) * unit;
    }
    case Kind::NulEnded:
        return nulEnded(p, available, prefix + parameters, limit);
    case Kind::Custom:
        return rule(p, available);
    }
    return prefix;
}

CommandTable::CommandTable(std::span<const Introducer> introducers,
                           std::initializer_list<std::span<const CommandSpec>> families,
                           bool text)
    : m_introducers(introducers.begin(), introducers.end())
    , m_text(text)
    , m_byPrefix(256 * (introducers.size() + 1))
{
    for (const std::span<const CommandSpec> family : families) {
        for (const CommandSpec &spec : family) {
            const auto first = static_cast<uchar>(spec.prefix[0]);
            const auto second = spec.prefix.size() > 1 ? static_cast<uchar>(spec.prefix[1])
                                                       : uchar(0);
            m_byPrefix[slot(first, second)].push_back(&spec);
        }
    }
    for (auto &list : m_byPrefix) {
        std::stable_sort(list.begin(), list.end(), [](auto *a, auto *b) {
            return a->prefix.size() > b->prefix.size();
        });
    }
}

const Introducer *CommandTable::introducer(uchar byte) const
{
    const auto found = std::find_if(m_introducers.cbegin(), m_introducers.cend(), [byte](auto &i) {
        return i.byte == byte;
    });
    return found == m_introducers.cend() ? nullptr : &*found;
}

size_t CommandTable::slot(uchar first, uchar second) const
{
    for (size_t i = 0; i < m_introducers.size(); ++i) {
        if (m_introducers[i].byte == first)
            return (i + 1) * 256 + second;
    }
    return first;
}

CommandTable::Match CommandTable::unknown(const uchar *p, qsizetype available) const
{
    Match match;
    match.kind = Match::Kind::Unknown;
    const Introducer *intro = introducer(p[0]);
    if (intro && intro->unknownLength > 1 && p[1] >= 0x20) {
        match.length = intro->unknownLength;
        if (available >= match.length) {
            match.warning = u"unknown command %1 %2 skipped"_s.arg(CommandLog::byteName(p[0]),
                                                                   CommandLog::byteName(p[1]));
        }
    } else if (intro) {
        match.warning = u"%1 not followed by a command, dropped"_s.arg(CommandLog::byteName(p[0]));
    } else {
        match.warning = u"%1 ignored"_s.arg(CommandLog::byteName(p[0]));
    }
    return match;
}

CommandTable::Match CommandTable::match(const uchar *p, qsizetype available) const
{
    Match match;
    if (m_text && p[0] >= 0x20 && p[0] != 0x7F)
        return match;
    const bool introduced = isIntroducer(p[0]);
    if (introduced && available < 2) {
        match.kind = Match::Kind::Command;
        match.length = 2;
        return match;
    }
    const uchar second = introduced ? p[1] : 0;
    for (const CommandSpec *spec : m_byPrefix[slot(p[0], second)]) {
        const auto size = qsizetype(spec->prefix.size());
        const qsizetype compared = qMin(size, available);
        if (std::string_view(reinterpret_cast<const char *>(p), size_t(compared))
            != spec->prefix.substr(0, size_t(compared)))
            continue;
        match.kind = Match::Kind::Command;
        if (compared < size) {
            match.length = size; // the command's own bytes are still arriving
            return match;
        }
        match.spec = spec;
        match.length = spec->shape.length(p, available, size);
        match.parametersAt = spec->shape.parametersAt(size);
        if (spec->functions.empty() || match.length > available)
            return match;
        // The selecting parameters decide which function it is, and for some its length.
        const qsizetype key = match.parametersAt + spec->selector;
        if (key + spec->selectorBytes > match.length)
            return match; // too short to select a function
        const int selected = spec->selectorBytes == 2 ? p[key] << 8 | p[key + 1] : p[key];
        match.function = findFunction(*spec, selected);
        if (match.function && match.function->shape.kind != Shape::Kind::Inherit)
            match.length = match.function->shape.length(p, available, size);
        return match;
    }
    return unknown(p, available);
}

QString CommandTable::Match::name() const
{
    if (!spec)
        return warning;
    if (function)
        return QString::fromLatin1(function->name);
    return QString::fromLatin1(spec->name);
}

void CommandTable::run(const Match &match, Printer &printer, QByteArrayView bytes)
{
    if (match.kind == Match::Kind::Unknown) {
        printer.warn(match.warning);
        return;
    }
    const Command command{bytes, match.parametersAt};
    if (match.function) {
        match.function->effect(printer, command);
    } else if (match.spec->effect) {
        match.spec->effect(printer, command);
    } else {
        const qsizetype at = match.parametersAt + match.spec->selector;
        const int fn = at < bytes.size() ? uchar(bytes[at + match.spec->selectorBytes - 1]) : 0;
        printer.warn(
                u"%1: function %2 unknown"_s.arg(QString::fromLatin1(match.spec->name)).arg(fn));
    }
}

} // namespace emulator
