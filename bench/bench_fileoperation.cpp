// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Copies a tree of 600 files / 60 MB and deletes it through TKELFileOperator,
// next to `cp -r --preserve=mode,timestamps,xattr` (the copy keeps what the
// batch copy keeps: mode, times and Wine's attributes) and `rm -rf` on the
// same tree in the same run, each in alternating order, and prints the
// ratios round by round (goals: copy 1.05x, delete 1.2x). The old floor of
// the copy, plain `cp -r`, is printed beside it for the record.
//
//   bench_fileoperation [rounds]

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/xattr.h>
#include <vector>

#include "benchsupport.h"
#include "keltfileoperator.h"
#include "platform/fileoperation.h"
#include "platform/wine/wineprefix.h"

namespace {

// No windows: the measure is the work, not the painting.
struct NoWindows : qv::FileOperationUi
{
    void progressBegin(const QString &) override {}
    bool progressUpdate(const Progress &) override { return true; }
    void progressEnd() override {}
    void error(const QString &caption, const QString &file, const QString &reason) override
    {
        std::fprintf(stderr, "%s: %s: %s\n", qPrintable(caption), qPrintable(file), qPrintable(reason));
    }
    Answer confirmReplace(const QString &, const QString &) override { return YesToAll; }
    Answer confirmMakeFolder(const QString &) override { return YesToAll; }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = bench::rounds(argc, argv, 5);

    QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/quorvane-bench-XXXXXX"));
    const QString root = QDir(tmp.path()).canonicalPath() + QStringLiteral("/prefix");
    QDir().mkpath(root + QStringLiteral("/dosdevices"));
    QDir().mkpath(root + QStringLiteral("/drive_c"));
    QFile::link(QStringLiteral("../drive_c"), root + QStringLiteral("/dosdevices/c:"));
    qv::WinePrefix::setCurrent(root);
    NoWindows windows;
    qv::FileOperationUi::setInstance(&windows);

    // 600 files of 100 KiB in 30 folders: 60 MB (60 files when quick).
    const QString src = root + QStringLiteral("/drive_c/src");
    const int folders = bench::quick() ? 3 : 30;
    qint64 bytes = 0;
    for (int d = 0; d < folders; ++d) {
        const QString dir = src + QStringLiteral("/folder%1").arg(d);
        QDir().mkpath(dir);
        for (int f = 0; f < 20; ++f) {
            QFile file(dir + QStringLiteral("/file%1.dat").arg(f));
            file.open(QIODevice::WriteOnly);
            bytes += file.write(bench::payload(100 * 1024, uint32_t(d * 100 + f)));
            file.close();
            // Some carry Wine's attributes, as a prefix's files do.
            if (f % 4 == 0)
                ::setxattr(QFile::encodeName(file.fileName()).constData(), "user.DOSATTRIB", "0x20", 4, 0);
        }
    }
    std::printf("tree: %d files, %.1f MB, %d rounds\n", folders * 20, double(bytes) / 1e6, rounds);

    TKELFileOperator fo1, fo2;
    fo1.setFlags({opNoConfirmation, opNoConfirmMkDir});
    fo2.setFlags({opNoConfirmation, opNoConfirmMkDir});
    fo2.setOperation(opDeleteFile);

    const QString cpTarget = root + QStringLiteral("/drive_c/cp-copy");
    std::vector<double> cp, cpPreserving, rm, copy, del;
    bool broken = false;
    for (int r = 0; r < rounds; ++r) {
        // Alternate which goes first so neither always meets a warmer cache.
        auto shell = [&] {
            cp.push_back(bench::runCommand(QStringLiteral("cp"), {QStringLiteral("-r"), src, cpTarget}));
            ::sync();
            bench::runCommand(QStringLiteral("rm"), {QStringLiteral("-rf"), cpTarget});
            ::sync();
            cpPreserving.push_back(bench::runCommand(
                QStringLiteral("cp"), QStringList{QStringLiteral("-r")} + bench::cpPreserving() + QStringList{src, cpTarget}));
            ::sync();
            rm.push_back(bench::runCommand(QStringLiteral("rm"), {QStringLiteral("-rf"), cpTarget}));
            ::sync();
        };
        auto ours = [&] {
            fo1.FilesFrom() = QStringList{QStringLiteral("C:\\src")};
            fo1.setDirTo(QStringLiteral("C:\\fo-copy"));
            QElapsedTimer t;
            t.start();
            if (!fo1.Execute() || !QFileInfo::exists(root + QStringLiteral("/drive_c/fo-copy/folder0"))) {
                std::fprintf(stderr, "copy failed\n");
                broken = true;
            }
            copy.push_back(double(t.nsecsElapsed()) / 1e6);
            ::sync();
            fo2.FilesFrom() = QStringList{QStringLiteral("C:\\fo-copy")};
            t.restart();
            if (!fo2.Execute() || QFileInfo::exists(root + QStringLiteral("/drive_c/fo-copy"))) {
                std::fprintf(stderr, "delete failed\n");
                broken = true;
            }
            del.push_back(double(t.nsecsElapsed()) / 1e6);
            ::sync();
        };
        if (r % 2 == 0) {
            shell();
            ours();
        } else {
            ours();
            shell();
        }
    }

    // The tools' times include starting a process; take that out to be fair to them.
    const double start = bench::processStart();
    for (auto *series : {&cp, &cpPreserving, &rm})
        for (double &v : *series)
            v -= start;
    std::printf("process start: %.1f ms (taken out of the cp and rm times)\n", start);
    std::printf("                         fastest /   median /  slowest\n");
    bench::printTimes("copy (component)", copy, 24);
    bench::printTimes("cp -r --preserve=...", cpPreserving, 24);
    bench::printTimes("cp -r (old floor)", cp, 24);
    bench::printTimes("delete (component)", del, 24);
    bench::printTimes("rm -rf", rm, 24);
    bench::printRatio("copy to cp -r --preserve", bench::ratios(copy, cpPreserving), 1.05);
    bench::printRatio("copy to cp -r (old floor)", bench::ratios(copy, cp), 1.10);
    bench::printRatio("delete to rm -rf", bench::ratios(del, rm), 1.20);
    qv::FileOperationUi::setInstance(nullptr);
    return broken ? 1 : 0;
}
