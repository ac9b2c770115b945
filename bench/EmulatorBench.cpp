#include "BenchSections.h"

QList<BenchRow> benchEmulator()
{
    return {};
}
