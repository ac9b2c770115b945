#pragma once

#include "jobs/JobTarget.h"

#include <QString>
#include <QStringList>

namespace jobs {

// 1B 64 05: print and feed five lines.
void feedPaper(serial::Port &port);
// 1B 40: initialise the printer.
void initializePrinter(serial::Port &port);

// The attribute names offered for the attribute test, in list order.
QStringList attributeNames();
inline const QString defaultAttribute = QStringLiteral("normal");

// Nine sample lines in the attribute named exactly (case and blanks count); an unknown name
// prints them with no attribute switched on or off.
void printAttributeTest(const JobTarget &target, const QString &attribute);
void printTestPage(const JobTarget &target);
void printUpDown(const JobTarget &target);
void printChineseText(const JobTarget &target);
void printSamplePage(const JobTarget &target);

// The Chinese paragraph as printed, one text without a line feed of its own.
extern const QString chineseParagraph;

} // namespace jobs
