// Blocks that print no dots of their own: paper fed, a black mark sought, and what is noted
// beside the paper (settings, drawer pulses, the buzzer).
#include "BlockKinds.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace emulator {

namespace {

// A black mark on the back of the paper, drawn beside the print area where it ends.
constexpr int MarkSize = 24;
constexpr int MarkEnd = 4; // rows from the mark's end to the end of its block

} // namespace

void BlockKind<PaperFeed>::lay(const PaperFeed &feed, BlockLayout *layout, QStringList *)
{
    // A reverse feed (ESC e) takes the paper back, never above the receipt's first row.
    layout->height = std::clamp(feed.dots, -layout->top, ReceiptLayout::MaxFeed);
}

void BlockKind<BlackMark>::lay(const BlackMark &, BlockLayout *layout, QStringList *)
{
    layout->height = ReceiptLayout::BlackMarkHeight;
}

void BlockKind<BlackMark>::draw(const BlackMark &, const BlockLayout &layout, Sheet &sheet)
{
    const int markTop = layout.top + layout.height - MarkEnd - MarkSize;
    sheet.blackMarks.append(markTop);
    sheet.notes.append({markTop, u"black mark"_s});
}

void BlockKind<SettingNote>::draw(const SettingNote &note, const BlockLayout &layout, Sheet &sheet)
{
    sheet.notes.append({layout.top, note.text});
}

void BlockKind<DrawerPulse>::draw(const DrawerPulse &pulse, const BlockLayout &layout, Sheet &sheet)
{
    sheet.notes.append({layout.top, u"drawer pulse, pin %1"_s.arg(pulse.pin)});
}

void BlockKind<Beep>::draw(const Beep &beep, const BlockLayout &layout, Sheet &sheet)
{
    sheet.notes.append({layout.top, u"buzzer %1 time(s)"_s.arg(beep.times)});
}

} // namespace emulator
