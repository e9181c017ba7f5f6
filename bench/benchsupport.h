// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// What the benchmarks share: the sample prefix, a realistic machine hive,
// timing of outside commands and the figures printed (min / median / max).
#pragma once

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include "core/operations.h"
#include "platform/registry.h"
#include "platform/wine/wineprefix.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// QUORVANE_BENCH_QUICK=1: one round on a small payload, as scripts/test runs
// every bench to see that it still works (its figures then mean nothing).
inline bool quick()
{
    return qEnvironmentVariableIntValue("QUORVANE_BENCH_QUICK") != 0;
}

// A throwaway home for the run, made first in main(): Optimize sends
// "My eBook" to the trash and Restore writes a launcher, which belong in no
// real home of whoever runs a bench by hand.
struct OwnHome
{
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/quorvane-bench-home-XXXXXX")};
    OwnHome()
    {
        const QByteArray home = QFile::encodeName(dir.path());
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
        qputenv("XDG_STATE_HOME", home + "/.local/state");
    }
};

// The rounds asked for on the command line, else the default; one when quick.
inline int rounds(int argc, char **argv, int normal, int least = 1)
{
    if (quick())
        return 1;
    return argc > 1 ? std::max(least, std::atoi(argv[1])) : normal;
}

struct Figures
{
    double min, median, max;
};

inline Figures figures(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

inline double median(const std::vector<double> &v) { return figures(v).median; }

// Element-wise ratio of two series measured round by round.
inline std::vector<double> ratios(const std::vector<double> &a, const std::vector<double> &b)
{
    std::vector<double> r;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        r.push_back(a[i] / b[i]);
    return r;
}

// "ratio min / median / max, N of M rounds within the goal".
inline void printRatio(const char *what, const std::vector<double> &r, double goal)
{
    const Figures f = figures(r);
    const long within = std::count_if(r.begin(), r.end(), [goal](double x) { return x <= goal; });
    std::printf("  %-34s %.2fx / %.2fx / %.2fx   goal <= %.2fx: %ld of %zu rounds\n", what, f.min, f.median, f.max,
                goal, within, r.size());
}

// One line of times: fastest / median / slowest, the label in a column
// of the given width.
inline void printTimes(const char *what, const std::vector<double> &v, int width = 34)
{
    const Figures f = figures(v);
    std::printf("  %-*s %8.1f / %8.1f / %8.1f ms\n", width, what, f.min, f.median, f.max);
}

// Pseudo-random bytes, so no file system can shortcut zeros.
inline QByteArray payload(qsizetype size, uint32_t seed)
{
    QByteArray b(size, Qt::Uninitialized);
    uint32_t x = seed * 2654435761u + 1;
    for (qsizetype i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[i] = char(x);
    }
    return b;
}

inline double runCommand(const QString &program, const QStringList &args)
{
    QElapsedTimer t;
    t.start();
    const int rc = QProcess::execute(program, args);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (rc != 0)
        std::fprintf(stderr, "%s failed (%d)\n", qPrintable(program), rc);
    return ms;
}

// The time a shell tool pays just to start, taken out of its figures.
inline double processStart()
{
    std::vector<double> starts;
    for (int i = 0; i < 5; ++i)
        starts.push_back(runCommand(QStringLiteral("true"), {}));
    return median(starts);
}

// A fresh sample prefix with Reader installed, by scripts/make-demo-prefix.
inline bool makeDemoPrefix(const QString &prefix)
{
    const QString script = QStringLiteral(QV_SOURCE_PATH "/scripts/make-demo-prefix");
    const std::string cmd = "'" + script.toStdString() + "' '" + prefix.toStdString() + "' >/dev/null";
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "could not make the sample prefix with %s\n", qPrintable(script));
        return false;
    }
    return true;
}

// Grows the prefix's system.reg to what a used Wine prefix holds (about
// 8,700 keys, 1.7 MB: classes, interfaces, file types, services), kept in
// the order Wine saves keys (case-insensitive). Returns the number of keys.
inline int growSystemHive(const QString &prefix)
{
    QFile f(prefix + QStringLiteral("/system.reg"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = f.readAll();
    f.close();
    const qsizetype first = text.indexOf("\n[");
    const QByteArray header = text.left(first + 1);
    std::vector<std::pair<QByteArray, QByteArray>> sections; // lower-cased key, text
    auto add = [&](const QByteArray &section) {
        const QByteArray key = section.mid(1, section.indexOf(']') - 1).toLower();
        sections.emplace_back(key, section);
    };
    for (qsizetype at = first + 1; at >= 0 && at < text.size();) {
        const qsizetype next = text.indexOf("\n[", at);
        add(text.mid(at, next < 0 ? -1 : next + 1 - at));
        at = next < 0 ? -1 : next + 1;
    }
    const QByteArray stamp = " 1231006505\n#time=1d4a1e1f2b3c400\n";
    char guid[64], proxy[64];
    for (unsigned n = 0; n < 2050; ++n) {
        std::snprintf(guid, sizeof guid, "{%08X-%04X-11D0-9ABC-%012X}", n * 2654435761u, n & 0xffff, n * 40503u);
        std::snprintf(proxy, sizeof proxy, "{%08X-0000-0000-C000-000000000046}", 0x320 + n % 7);
        const QByteArray g(guid);
        add("[Software\\\\Classes\\\\CLSID\\\\" + g + "]" + stamp + "@=\"Component object " + QByteArray::number(n)
            + "\"\n\"AppID\"=\"" + g + "\"\n\"LocalizedString\"=\"@C:\\\\windows\\\\system32\\\\component"
            + QByteArray::number(n % 300) + ".dll,-" + QByteArray::number(100 + n % 50) + "\"\n\n");
        add("[Software\\\\Classes\\\\CLSID\\\\" + g + "\\\\InprocServer32]" + stamp
            + "@=\"C:\\\\windows\\\\system32\\\\component" + QByteArray::number(n % 300)
            + ".dll\"\n\"ThreadingModel\"=\"Both\"\n\n");
        add("[Software\\\\Classes\\\\Interface\\\\" + g + "]" + stamp + "@=\"IComponent" + QByteArray::number(n)
            + "\"\n\n");
        add("[Software\\\\Classes\\\\Interface\\\\" + g + "\\\\ProxyStubClsid32]" + stamp + "@=\"" + QByteArray(proxy)
            + "\"\n\n");
    }
    for (unsigned n = 0; n < 400; ++n) {
        const QByteArray ext = "ext" + QByteArray::number(n);
        add("[Software\\\\Classes\\\\." + ext + "]" + stamp + "@=\"" + ext + "file\"\n\"Content Type\"=\"application/x-"
            + ext + "\"\n\n");
        add("[Software\\\\Classes\\\\" + ext + "file\\\\shell\\\\open\\\\command]" + stamp
            + "@=str(2):\"%SystemRoot%\\\\system32\\\\viewer.exe \\\"%1\\\"\"\n\n");
    }
    for (unsigned n = 0; n < 150; ++n)
        add("[System\\\\CurrentControlSet\\\\Services\\\\Service" + QByteArray::number(n) + "]" + stamp
            + "\"DisplayName\"=\"Service " + QByteArray::number(n) + "\"\n\"ErrorControl\"=dword:00000001\n"
            + "\"ImagePath\"=str(2):\"C:\\\\windows\\\\system32\\\\service" + QByteArray::number(n)
            + ".exe\"\n\"Start\"=dword:00000003\n\"Type\"=dword:00000010\n"
            + "\"Security\"=hex:01,00,14,80,90,00,00,00,9c,00,00,00,14,00,00,00,30,00,00,00,02,\\\n"
            + "  00,1c,00,01,00,00,00,02,80,14,00,ff,01,0f,00,01,01,00,00,00,00,00,01,00,00,\\\n"
            + "  00,00,02,00,60,00,04,00,00,00,00,00,14,00,fd,01,02,00,01,01,00,00,00,00,00\n\n");
    std::stable_sort(sections.begin(), sections.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QByteArray out = header;
    for (auto &s : sections)
        out += s.second.endsWith("\n\n") ? s.second : s.second + "\n";
    if (out.endsWith("\n\n"))
        out.chop(1);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(out) != out.size())
        return -1;
    return int(sections.size());
}

// One write of a hive the way a save does it: the same bytes to a temporary
// file beside it, flushed, renamed over it.
inline void rewriteHive(const QString &path)
{
    QFile in(path);
    in.open(QIODevice::ReadOnly);
    const QByteArray bytes = in.readAll();
    in.close();
    const QByteArray tmp = QFile::encodeName(path + QStringLiteral(".tmp"));
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::fsync(fd) != 0)
        std::fprintf(stderr, "could not write %s\n", tmp.constData());
    ::close(fd);
    ::rename(tmp.constData(), QFile::encodeName(path).constData());
}

inline QString hiveOf(uint32_t root, const QString &prefix)
{
    if (root == qv::HKeyLocalMachine)
        return prefix + QStringLiteral("/system.reg");
    return prefix + (root == qv::HKeyUsers ? QStringLiteral("/userdef.reg") : QStringLiteral("/user.reg"));
}

// Copies a file or a tree as cp does (copy_file_range), without starting a
// process; false on any failure.
inline bool copyTree(const QString &from, const QString &to)
{
    const QFileInfo fi(from);
    if (fi.isDir()) {
        if (!QDir().mkpath(to))
            return false;
        for (const QString &name : QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            if (!copyTree(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name))
                return false;
        return true;
    }
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = in >= 0 && out >= 0;
    while (ok) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
        ok = n >= 0;
        if (n <= 0)
            break;
    }
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ::close(out);
    return ok;
}

// The size of a tree's files.
inline qint64 treeBytes(const QString &dir)
{
    qint64 total = 0;
    for (const QFileInfo &fi : QDir(dir).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        total += fi.isDir() ? treeBytes(fi.filePath()) : fi.size();
    return total;
}

// Pads a plug-ins folder to what a full installation holds: 80 MB (8 when
// quick) of made-up plug-ins, some in folders of their own, a third with an
// extended attribute of Wine's that a copy must carry (the archive flag,
// which changes what no one sees).
inline void padPlugIns(const QString &plugIns)
{
    const qint64 size = quick() ? 8'000'000 : 80'000'000;
    for (uint32_t n = 0; treeBytes(plugIns) < size; ++n) {
        const QString dir = n % 4 == 0 ? plugIns + QStringLiteral("/Extras%1").arg(n / 4) : plugIns;
        QDir().mkpath(dir);
        const QString path = dir + QStringLiteral("/Extra%1.api").arg(n);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(payload(1'500'000 + qsizetype(n % 7) * 100'000, n));
        f.close();
        if (n % 3 == 0)
            ::setxattr(QFile::encodeName(path).constData(), "user.DOSATTRIB", "0x20", 4, 0);
    }
}

// cp's options that keep what the batch file operation keeps: mode, times
// and extended attributes (Wine's hidden and system flags among them).
inline QStringList cpPreserving() { return {QStringLiteral("--preserve=mode,timestamps,xattr")}; }

// One copy of an operation: host paths of the sources, and the host folder they went to.
struct HostCopy
{
    QStringList sources;
    QString target;
};

// What an operation did, as plain file and hive work.
struct PhysicalWork
{
    QString plugIns, optional;  // host folders
    QStringList removed;        // host paths of the files that left plug_ins
    std::vector<HostCopy> back; // copies into plug_ins (from the safety copy)
    std::set<QString> hives;    // hive files written
};

inline PhysicalWork physicalWorkOf(const qv::OperationReport &report, const QString &prefixRoot,
                                   const QString &plugIns, const QString &optional)
{
    const qv::WinePrefix &prefix = qv::WinePrefix::current();
    PhysicalWork w{plugIns, optional, {}, {}, {}};
    for (const qv::Change &c : report.changes) {
        if (c.kind == qv::Change::DeleteFiles)
            for (const QString &p : c.paths)
                w.removed << prefix.toHost(p);
        if (c.kind == qv::Change::CopyFiles) {
            HostCopy copy{{}, prefix.toHost(c.target)};
            if (copy.target != plugIns && !copy.target.startsWith(plugIns + QLatin1Char('/')))
                continue; // the safety copy itself: the floor's cp -r of plug_ins
            for (const QString &p : c.paths)
                copy.sources << prefix.toHost(p);
            w.back.push_back(copy);
        }
        if (c.kind == qv::Change::WriteValue || c.kind == qv::Change::DeleteKey)
            w.hives.insert(hiveOf(c.root, prefixRoot));
    }
    return w;
}

// The folders below plug_ins emptied by a removal, deepest first, as
// Optimize takes them away.
inline QStringList emptiedFolders(const PhysicalWork &w)
{
    std::set<QString> folders;
    for (const QString &p : w.removed)
        for (QString f = QFileInfo(p).path(); f.startsWith(w.plugIns + QLatin1Char('/')); f = QFileInfo(f).path())
            folders.insert(f);
    QStringList out(folders.begin(), folders.end());
    std::sort(out.begin(), out.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    return out;
}

// The copies back into plug_ins, one cp per target folder, made first as
// Restore makes them; returns the number of processes started.
inline int copyBack(const PhysicalWork &w)
{
    for (const HostCopy &c : w.back) {
        QDir().mkpath(c.target);
        runCommand(QStringLiteral("cp"), cpPreserving() + c.sources + QStringList{c.target});
    }
    return int(w.back.size());
}

inline void rewriteHives(const PhysicalWork &w)
{
    for (const QString &h : w.hives)
        rewriteHive(h);
}

// The work of an Optimize by the plainest means that still does what it
// must, in milliseconds: the safety copy by `cp -r` keeping mode, times and
// extended attributes, its proof by `diff -rq` of both trees, one `sync -f`
// of its file system before anything leaves, `rm -r` of what leaves, the
// copy of what comes back and one write of each hive; the tools' process
// starts (start each) are taken out.
inline double doFairOptimize(const PhysicalWork &w, double start)
{
    QElapsedTimer t;
    t.start();
    runCommand(QStringLiteral("cp"), QStringList{QStringLiteral("-r")} + cpPreserving() + QStringList{w.plugIns, w.optional});
    runCommand(QStringLiteral("diff"), {QStringLiteral("-rq"), w.plugIns, w.optional});
    runCommand(QStringLiteral("sync"), {QStringLiteral("-f"), w.optional});
    runCommand(QStringLiteral("rm"), QStringList{QStringLiteral("-r")} + w.removed);
    for (const QString &f : emptiedFolders(w))
        ::rmdir(QFile::encodeName(f).constData());
    const int processes = 4 + copyBack(w);
    rewriteHives(w);
    return double(t.nsecsElapsed()) / 1e6 - processes * start;
}

// The same for a Restore: what comes back, copied by cp keeping mode, times
// and extended attributes, and one write of each hive.
inline double doFairRestore(const PhysicalWork &w, double start)
{
    QElapsedTimer t;
    t.start();
    const int processes = copyBack(w);
    rewriteHives(w);
    return double(t.nsecsElapsed()) / 1e6 - processes * start;
}

// The old floor of a Restore, kept for the record: what comes back copied
// as cp copies but in this process, keeping nothing, and the hives.
inline double doPhysicalRestore(const PhysicalWork &w)
{
    QElapsedTimer t;
    t.start();
    for (const HostCopy &c : w.back) {
        QDir().mkpath(c.target);
        for (const QString &s : c.sources)
            if (!copyTree(s, c.target + QLatin1Char('/') + QFileInfo(s).fileName()))
                std::fprintf(stderr, "could not copy %s back\n", qPrintable(s));
    }
    rewriteHives(w);
    return double(t.nsecsElapsed()) / 1e6;
}

// The old floor of an Optimize, kept for the record: the safety copy by
// plain `cp -r` (no times, no attributes), no proof and no flush, `rm -rf`
// of what leaves, one write of each hive.
inline double doPhysicalOptimize(const PhysicalWork &w, double start)
{
    QElapsedTimer t;
    t.start();
    runCommand(QStringLiteral("cp"), {QStringLiteral("-r"), w.plugIns, w.optional});
    runCommand(QStringLiteral("rm"), QStringList{QStringLiteral("-rf")} + w.removed);
    rewriteHives(w);
    return double(t.nsecsElapsed()) / 1e6 - 2 * start;
}

} // namespace bench
