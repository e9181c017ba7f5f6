// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The real home around a run of the suite (CTest's set-up and clean-up
// fixtures): "record FILE" lists $HOME (path, kind, mode, size, modification
// time: cheap, no hashing) before any test, "compare FILE" lists it again
// after the last and fails naming every change. Each test program points
// HOME into a folder of its own (testhome.h); this program is the one that
// sees the real one. On a machine where other programs write into the home
// while the suite runs, QUORVANE_HOME_GUARD_SKIP names the folders to leave
// out (paths relative to the home, separated by ':').

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "treelisting.h"

int main(int argc, char **argv)
{
    const QByteArray mode = argc == 3 ? QByteArray(argv[1]) : QByteArray();
    if (mode != "record" && mode != "compare") {
        std::fprintf(stderr, "usage: %s record|compare LISTING_FILE\n", argv[0]);
        return 2;
    }
    const QString listingFile = QFile::decodeName(argv[2]);
    const QString home = QDir::cleanPath(QFile::decodeName(qgetenv("HOME")));
    if (home.isEmpty() || home == QLatin1String("/") || !QDir(home).exists()) {
        std::printf("no home folder to guard (HOME is \"%s\")\n", qPrintable(home));
        return 77; // skipped
    }
    QList<QByteArray> skip;
    for (const QByteArray &s : qgetenv("QUORVANE_HOME_GUARD_SKIP").split(':'))
        if (!s.isEmpty())
            skip << s;
    const TreeListing now = TreeListing::of(home, TreeListing::Detail::Stat, skip);
    if (mode == "record") {
        if (!now.save(listingFile)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(listingFile));
            return 1;
        }
        std::printf("%s: %lld entries listed\n", qPrintable(home), qlonglong(now.size()));
        return 0;
    }
    TreeListing before;
    if (!before.load(listingFile)) {
        std::fprintf(stderr, "no listing of the home in %s: the set-up did not run\n", qPrintable(listingFile));
        return 1;
    }
    QFile::remove(listingFile);
    const QStringList changes = before.changesTo(now);
    if (changes.isEmpty()) {
        std::printf("%s is as it was before the tests (%lld entries)\n", qPrintable(home), qlonglong(now.size()));
        return 0;
    }
    std::printf("the tests changed the real home %s (%lld changes):\n", qPrintable(home), qlonglong(changes.size()));
    for (const QString &line : changes.mid(0, 200))
        std::printf("  %s\n", qPrintable(line));
    return 1;
}
