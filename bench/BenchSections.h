#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One line of the benchmark table.
struct BenchRow
{
    QString measure;
    QString figure;
    QString goal;
};

QList<BenchRow> benchJobs(int clicks);
QList<BenchRow> benchStatus(int replies);
QList<BenchRow> benchStartUp();
QList<BenchRow> benchEmulator();
QList<BenchRow> benchVirtualPrinter();
// The virtual printer's start and its several inputs in one process, alone.
QList<BenchRow> benchFiles();
QList<BenchRow> benchServer();
QList<BenchRow> benchIpp();
// The rows named in only (connections, status, pictures, file, tcp, kept, listing), or all.
QList<BenchRow> benchServerLoad(const QStringList &only = {});
