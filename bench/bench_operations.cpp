// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Optimize and Restore on a Reader with 80 MB of plug-ins, next to the
// same work done by the plainest means, measured round by round in the
// same run, the two in alternating order:
//
//   Optimize: `cp -r --preserve=mode,timestamps,xattr plug_ins Optional`
//             (the safety copy keeps what the batch copy keeps), `diff -rq`
//             of both trees (its proof), `sync -f` of Optional's file system
//             once, `rm -r` of the plug-ins that leave, the copy of what
//             comes back, and one write (temporary file, fsync, rename) of
//             each hive the operation changed;
//   Restore:  the plug-ins that come back, copied by cp with the same
//             --preserve, and one write of each hive.
//
// Goal: 1.1x. The old floors (plain `cp -r`, no proof, no flush; Restore's
// copy without times or attributes) are printed beside them for the record.
// Both run on a fresh copy of the same sample prefix each round, with its
// system.reg grown to a used prefix's size. The closing question is left
// out on both sides (a stock dialog costs the same to either).
//
//   bench_operations [rounds]    (default 5)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>
#include <unistd.h>
#include <vector>

#include "benchsupport.h"
#include "core/discovery.h"

namespace {

const QString kPlugIns = QStringLiteral("drive_c/Program Files/Adobe/Reader 9.0/Reader/plug_ins");
const QString kOptional = QStringLiteral("drive_c/Program Files/Adobe/Reader 9.0/Reader/Optional");

double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

void fresh(const QString &pristine, const QString &work)
{
    QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), work});
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), pristine, work});
    ::sync();
}

struct Ours
{
    qv::OperationReport optimized, restored;
    double optimizeMs = 0, restoreMs = 0;
};

// Optimize, then Restore, on a fresh copy of the prefix; empty reports when
// either failed (said on stderr).
std::optional<Ours> runOurs(const QString &pristine, const QString &work)
{
    fresh(pristine, work);
    qv::WinePrefix::setCurrent(work);
    const qv::Discovery found = qv::discoverReader();
    if (!found.complete()) {
        std::fprintf(stderr, "discovery did not complete: %s\n", qPrintable(found.error));
        return std::nullopt;
    }
    Ours o;
    QElapsedTimer t;
    t.start();
    o.optimized = qv::optimize(found.reader, {});
    o.optimizeMs = ms(t);
    if (!o.optimized.succeeded()) {
        std::fprintf(stderr, "Optimize failed: %s\n", qPrintable(o.optimized.error));
        return std::nullopt;
    }
    ::sync();
    t.restart();
    o.restored = qv::restore(found.reader, {});
    o.restoreMs = ms(t);
    if (!o.restored.succeeded()) {
        std::fprintf(stderr, "Restore failed: %s\n", qPrintable(o.restored.error));
        return std::nullopt;
    }
    ::sync();
    return o;
}

} // namespace

int main(int argc, char **argv)
{
    const bench::OwnHome home;
    QCoreApplication app(argc, argv);
    const int rounds = bench::rounds(argc, argv, 5);

    QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/quorvane-bench-XXXXXX"));
    const QString root = QDir(tmp.path()).canonicalPath();
    const QString pristine = root + QStringLiteral("/pristine");
    const QString work = root + QStringLiteral("/prefix");
    if (!bench::makeDemoPrefix(pristine) || bench::growSystemHive(pristine) < 0)
        return 1;
    const QString plugIns = pristine + QLatin1Char('/') + kPlugIns;
    bench::padPlugIns(plugIns);
    const int files = int(QDir(plugIns).entryList(QDir::Files).size());
    std::printf("plug_ins: %.1f MB (%d files at its top), %d rounds\n", double(bench::treeBytes(plugIns)) / 1e6, files,
                rounds);

    // One run first, outside the figures: it tells the floors what work
    // Optimize and Restore do, and warms the caches for all alike.
    const std::optional<Ours> first = runOurs(pristine, work);
    if (!first)
        return 1;
    const QString plugInsNow = work + QLatin1Char('/') + kPlugIns;
    const QString optionalNow = work + QLatin1Char('/') + kOptional;
    const bench::PhysicalWork optWork = bench::physicalWorkOf(first->optimized, work, plugInsNow, optionalNow);
    const bench::PhysicalWork resWork = bench::physicalWorkOf(first->restored, work, plugInsNow, optionalNow);

    const double start = bench::processStart();
    std::vector<double> opt, optFloor, optOld, res, resFloor, resOld;
    for (int r = 0; r < rounds; ++r) {
        auto ours = [&] {
            const std::optional<Ours> o = runOurs(pristine, work);
            if (!o)
                return false;
            opt.push_back(o->optimizeMs);
            res.push_back(o->restoreMs);
            return true;
        };
        auto floors = [&] {
            fresh(pristine, work);
            optFloor.push_back(bench::doFairOptimize(optWork, start));
            ::sync();
            resFloor.push_back(bench::doFairRestore(resWork, start));
            ::sync();
            fresh(pristine, work);
            optOld.push_back(bench::doPhysicalOptimize(optWork, start));
            ::sync();
            resOld.push_back(bench::doPhysicalRestore(resWork));
            ::sync();
        };
        // Alternately first, so that neither always meets the other's cache.
        if (r % 2 == 1)
            floors();
        if (!ours())
            return 1;
        if (r % 2 == 0)
            floors();
    }

    std::printf("process start %.1f ms, taken out of each tool's time\n", start);
    std::printf("                                       fastest /   median /  slowest\n");
    bench::printTimes("Optimize", opt);
    bench::printTimes("  its fair floor", optFloor);
    bench::printTimes("  old floor (no proof, no flush)", optOld);
    bench::printTimes("Restore", res);
    bench::printTimes("  its fair floor", resFloor);
    bench::printTimes("  old floor (nothing kept)", resOld);
    bench::printRatio("Optimize to its fair floor", bench::ratios(opt, optFloor), 1.1);
    bench::printRatio("Restore to its fair floor", bench::ratios(res, resFloor), 1.1);
    bench::printRatio("Optimize to the old floor", bench::ratios(opt, optOld), 1.2);
    bench::printRatio("Restore to the old floor", bench::ratios(res, resOld), 1.2);
    return 0;
}
