// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Optimize and Restore on a Reader with 80 MB of plug-ins, next to the
// physical work they stand for, measured round by round in the same run:
//
//   Optimize: `cp -r plug_ins Optional` (the safety copy), `rm -f` of the
//             plug-ins that leave, and one write (temporary file, fsync,
//             rename) of each hive the operation changed;
//   Restore:  those plug-ins copied back (copy_file_range, as cp does), and
//             one write of each hive.
//
// Goal: 1.2x. Both run on a fresh copy of the same sample prefix each round,
// with its system.reg grown to a used prefix's size. The closing question is
// left out on both sides (a stock dialog costs the same to either), so the
// ratio is stricter than the goal's floor.
//
//   bench_operations [rounds]    (default 5)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <set>
#include <unistd.h>
#include <vector>

#include "benchsupport.h"
#include "core/discovery.h"

namespace {

const QString kPlugIns = QStringLiteral("drive_c/Program Files/Adobe/Reader 9.0/Reader/plug_ins");
const QString kOptional = QStringLiteral("drive_c/Program Files/Adobe/Reader 9.0/Reader/Optional");


qint64 treeBytes(const QString &dir)
{
    qint64 total = 0;
    for (const QFileInfo &fi : QDir(dir).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        total += fi.isDir() ? treeBytes(fi.filePath()) : fi.size();
    return total;
}

double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

void fresh(const QString &pristine, const QString &work)
{
    QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), work});
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), pristine, work});
    ::sync();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = bench::rounds(argc, argv, 5);

    QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/quorvane-bench-XXXXXX"));
    const QString root = QDir(tmp.path()).canonicalPath();
    const QString pristine = root + QStringLiteral("/pristine");
    const QString work = root + QStringLiteral("/prefix");
    if (!bench::makeDemoPrefix(pristine) || bench::growSystemHive(pristine) < 0)
        return 1;
    // Plug-ins of a full installation: 80 MB (8 when quick), some in folders of their own.
    const QString plugIns = pristine + QLatin1Char('/') + kPlugIns;
    const qint64 size = bench::quick() ? 8'000'000 : 80'000'000;
    for (uint32_t n = 0; treeBytes(plugIns) < size; ++n) {
        const QString dir = n % 4 == 0 ? plugIns + QStringLiteral("/Extras%1").arg(n / 4) : plugIns;
        QDir().mkpath(dir);
        QFile f(dir + QStringLiteral("/Extra%1.api").arg(n));
        f.open(QIODevice::WriteOnly);
        f.write(bench::payload(1'500'000 + qsizetype(n % 7) * 100'000, n));
    }
    const int files = int(QDir(plugIns).entryList(QDir::Files).size());
    std::printf("plug_ins: %.1f MB (%d files at its top), %d rounds\n", double(treeBytes(plugIns)) / 1e6, files, rounds);

    const double start = bench::processStart();
    std::vector<double> opt, optFloor, res, resFloor;
    for (int r = 0; r < rounds; ++r) {
        // Ours.
        fresh(pristine, work);
        qv::WinePrefix::setCurrent(work);
        const qv::Discovery found = qv::discoverReader();
        if (!found.complete()) {
            std::fprintf(stderr, "discovery did not complete: %s\n", qPrintable(found.error));
            return 1;
        }
        QElapsedTimer t;
        t.start();
        const qv::OperationReport optimized = qv::optimize(found.reader, {});
        opt.push_back(ms(t));
        if (!optimized.succeeded()) {
            std::fprintf(stderr, "Optimize failed: %s\n", qPrintable(optimized.error));
            return 1;
        }
        ::sync();
        t.restart();
        const qv::OperationReport restored = qv::restore(found.reader, {});
        res.push_back(ms(t));
        if (!restored.succeeded()) {
            std::fprintf(stderr, "Restore failed: %s\n", qPrintable(restored.error));
            return 1;
        }
        ::sync();

        // The physical work of the same changes, on a fresh copy again.
        const QString plugInsNow = work + QLatin1Char('/') + kPlugIns;
        const QString optionalNow = work + QLatin1Char('/') + kOptional;
        const bench::PhysicalWork physical = bench::physicalWorkOf(optimized, work, plugInsNow, optionalNow);
        const QStringList &removed = physical.removed;
        std::set<QString> resHives;
        for (const qv::Change &c : restored.changes)
            if (c.kind == qv::Change::WriteValue || c.kind == qv::Change::DeleteKey)
                resHives.insert(bench::hiveOf(c.root, work));
        fresh(pristine, work);
        optFloor.push_back(bench::doPhysicalOptimize(physical, start));
        ::sync();
        // Restore brings the same plug-ins back from the safety copy, copied
        // as cp does but in this process (a process start per folder would
        // weigh more than the work).
        t.restart();
        for (const QString &p : removed)
            if (p.startsWith(plugInsNow + QLatin1Char('/'))
                && !bench::copyTree(optionalNow + p.mid(plugInsNow.size()), p))
                std::fprintf(stderr, "could not copy %s back\n", qPrintable(p));
        for (const QString &h : resHives)
            bench::rewriteHive(h);
        resFloor.push_back(ms(t));
        ::sync();
    }

    std::printf("process start %.1f ms, taken out of each tool's time\n", start);
    std::printf("                                       fastest /   median /  slowest\n");
    bench::printTimes("Optimize", opt);
    bench::printTimes("  its physical work", optFloor);
    bench::printTimes("Restore", res);
    bench::printTimes("  its physical work", resFloor);
    bench::printRatio("Optimize to its physical work", bench::ratios(opt, optFloor), 1.2);
    bench::printRatio("Restore to its physical work", bench::ratios(res, resFloor), 1.2);
    return 0;
}
