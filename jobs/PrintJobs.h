#pragma once

#include <QString>
#include <QStringList>

namespace serial {
class Port;
}

// The print demonstrations: each sends its pieces through the port, one Output per piece.
namespace jobs {

void feedPaper(serial::Port &port);
void initializePrinter(serial::Port &port);

// The attribute names offered for the attribute test, in list order.
QStringList attributeNames();
inline const QString defaultAttribute = QStringLiteral("normal");

// Nine sample lines in the attribute named exactly (case and blanks count); an unknown name
// prints them with no attribute switched on or off.
void printAttributeTest(serial::Port &port, bool blackMark, const QString &attribute);
void printTestPage(serial::Port &port, bool blackMark);
void printUpDown(serial::Port &port, bool blackMark);
void printChineseText(serial::Port &port, bool blackMark);
void printSamplePage(serial::Port &port, bool blackMark);

// The tail of every printing job: the feed to the black mark on black-mark paper, then the cut.
void endOfJob(serial::Port &port, bool blackMark);

} // namespace jobs
