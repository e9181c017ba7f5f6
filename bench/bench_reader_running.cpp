// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Optimize while Reader runs, from the call to the closing question, next to
// its floor measured in the same run, the two in alternating order: Wine's
// own wind-down after Reader is ended, until the last of the prefix's
// Windows processes has left, plus the work of the same changes by the
// plainest means that still does what it must (bench_operations' fair
// floor, on plug-ins padded the same way). Goal: 1.02x. The server's linger
// after its last program (it saves the hives, then leaves) is paid by both
// alike: it is measured in the floor's half of each round and taken out of
// both. The old floor (the server's lock watched until it goes, plus plain
// `cp -r`, no proof, no flush) is printed beside it for the record.
//
//   bench_reader_running [rounds]    (default 5)
//
// Needs Wine and the mingw-w64 compiler (the stand-in Reader is a Windows
// program that only sleeps); without them it says so and skips. The prefix
// is made with wineboot in a temporary folder, or reused from
// $QV_BENCH_WINEPREFIX when that names one; the sample Reader of
// scripts/make-demo-prefix is laid into it, as a 32-bit program sees it.
// The closing question is left out on both sides, as in bench_operations.

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <optional>

#include "benchsupport.h"
#include "core/discovery.h"
#include "platform/processes.h"
#include "platform/wine/wineserver.h"

namespace {

const QString kReader = QStringLiteral("drive_c/Program Files/Adobe/Reader 9.0/Reader");

QProcessEnvironment wineEnvironment(const QString &prefix)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // No menu entries or desktop files for the prefix's shortcuts in the user's home.
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml=;winemenubuilder.exe=d"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

bool runWine(const QString &prefix, const QStringList &args, int timeoutMs = 300000)
{
    QProcess p;
    p.setProcessEnvironment(wineEnvironment(prefix));
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(args.first(), args.mid(1));
    return p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The sections of a sample hive whose key starts with one of the given
// texts, renamed by replacing `from` with `to` at the start of the key.
QByteArray sectionsOf(const QString &hive, const QList<QByteArray> &starts, const QByteArray &from,
                      const QByteArray &to)
{
    QFile f(hive);
    f.open(QIODevice::ReadOnly);
    const QByteArray text = f.readAll();
    QByteArray out;
    for (qsizetype at = text.indexOf("\n[") + 1; at > 0 && at < text.size();) {
        const qsizetype next = text.indexOf("\n[", at);
        QByteArray section = text.mid(at, next < 0 ? -1 : next + 1 - at);
        at = next < 0 ? -1 : next + 1;
        const bool wanted = std::any_of(starts.begin(), starts.end(),
                                        [&](const QByteArray &s) { return section.startsWith("[" + s); });
        if (!wanted)
            continue;
        if (section.startsWith("[" + from))
            section = "[" + to + section.mid(1 + from.size());
        out += section.endsWith("\n\n") ? section : section + "\n";
    }
    return out;
}

// Whether any Windows program of the prefix still runs (Wine's own services included).
bool anyWindowsProgram()
{
    for (const qv::ProcessEntry &e : qv::ProcessControl::instance().snapshot())
        if (qv::runsOnThisMachine(e))
            return true;
    return false;
}

bool appendTo(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::Append) && f.write("\n" + bytes) == bytes.size() + 1;
}

// The stand-in Reader's process, once the prefix lists it; 0 when it never shows.
int64_t waitForReader()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60000) {
        for (const qv::ProcessEntry &e : qv::ProcessControl::instance().snapshot())
            if (e.exeFile.compare(QLatin1String("AcroRd32.exe"), Qt::CaseInsensitive) == 0 && qv::runsOnThisMachine(e))
                return e.pid;
        QThread::msleep(20);
    }
    return 0;
}

// Starts the stand-in Reader and lets Wine settle (its services start with
// the first program of a prefix).
bool startReader(QProcess &reader, const QString &prefix)
{
    reader.setProcessEnvironment(wineEnvironment(prefix));
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reader.start(QStringLiteral("wine"), {prefix + QLatin1Char('/') + kReader + QStringLiteral("/AcroRd32.exe")});
    if (!reader.waitForStarted() || !waitForReader())
        return false;
    QThread::msleep(1000);
    return true;
}

// Back to the state before Optimize, outside the timing: Restore, the
// safety copy gone, so that every Optimize takes it again, and plug_ins as
// it was laid (the floor removes plug-ins and writes no marker, so no
// Restore would bring them back).
bool reset(const qv::ReaderInstallation &reader, const QString &prefix, const QString &pristinePlugIns)
{
    qv::wineserver::ensureStopped(prefix);
    const qv::OperationReport restored = qv::restore(reader, {});
    if (!restored.succeeded() && restored.outcome != qv::OperationReport::NothingToRestore) {
        std::fprintf(stderr, "Restore failed: %s\n", qPrintable(restored.error));
        return false;
    }
    const QString folder = prefix + QLatin1Char('/') + kReader;
    QDir(folder + QStringLiteral("/Optional")).removeRecursively();
    QDir(folder + QStringLiteral("/plug_ins")).removeRecursively();
    if (QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), pristinePlugIns, folder + QStringLiteral("/plug_ins")})
        != 0)
        return false;
    ::sync();
    return true;
}

// wineboot links the user's Desktop, Documents and the like to the home
// folder; Restore writes Reader's desktop shortcut (and its launcher), so
// make them the prefix's own, or the bench would write to the real desktop.
void ownUserFolders(const QString &prefix)
{
    QDirIterator users(prefix + QStringLiteral("/drive_c/users"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (users.hasNext()) {
        const QString user = users.next();
        for (const QFileInfo &entry : QDir(user).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            if (entry.isSymLink() && QFile::remove(entry.filePath()))
                QDir().mkdir(entry.filePath());
    }
}

} // namespace

int main(int argc, char **argv)
{
    const bench::OwnHome home;
    QCoreApplication app(argc, argv);
    const int rounds = bench::rounds(argc, argv, 5);
    for (const char *tool : {"wine", "wineboot", "wineserver", "x86_64-w64-mingw32-gcc"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::printf("skipped: %s is not installed (needs wine and gcc-mingw-w64-x86-64)\n", tool);
            return 0;
        }

    QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/quorvane-bench-XXXXXX"));
    QString prefix = qEnvironmentVariable("QV_BENCH_WINEPREFIX");
    if (prefix.isEmpty()) {
        prefix = tmp.filePath(QStringLiteral("wine"));
        std::printf("making a Wine prefix with wineboot (a minute or two)...\n");
        std::fflush(stdout);
        if (!runWine(prefix, {QStringLiteral("wineboot"), QStringLiteral("-i")})) {
            std::printf("skipped: wineboot could not make a prefix in %s\n", qPrintable(prefix));
            return 0;
        }
    }
    runWine(prefix, {QStringLiteral("wineserver"), QStringLiteral("-w")});
    ownUserFolders(prefix);
    qv::WinePrefix::setCurrent(prefix);

    // The sample Reader, laid into the Wine prefix: its files, its keys
    // where a 32-bit program finds them, and a stand-in AcroRd32.exe.
    const QString demo = tmp.filePath(QStringLiteral("demo"));
    if (!bench::makeDemoPrefix(demo))
        return 1;
    QDir(prefix + QLatin1Char('/') + kReader).removeRecursively();
    QDir().mkpath(prefix + QStringLiteral("/drive_c/Program Files/Adobe"));
    if (QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), demo + QStringLiteral("/drive_c/Program Files/Adobe/."),
                                                 prefix + QStringLiteral("/drive_c/Program Files/Adobe/")})
        != 0)
        return 1;
    bench::padPlugIns(prefix + QLatin1Char('/') + kReader + QStringLiteral("/plug_ins"));
    const QString pristinePlugIns = tmp.filePath(QStringLiteral("plug_ins"));
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), prefix + QLatin1Char('/') + kReader + QStringLiteral("/plug_ins"),
                                             pristinePlugIns});
    const bool win64 = [&] {
        QFile f(prefix + QStringLiteral("/system.reg"));
        return f.open(QIODevice::ReadOnly) && f.read(4096).contains("#arch=win64");
    }();
    // A reused prefix has the keys from the last run.
    const bool laid = [&] {
        QFile f(prefix + QStringLiteral("/system.reg"));
        return f.open(QIODevice::ReadOnly) && f.readAll().contains("Adobe\\\\Acrobat Reader");
    }();
    if (!laid) {
        const QByteArray machine = win64 ? "Software\\\\Wow6432Node\\\\" : "Software\\\\";
        appendTo(prefix + QStringLiteral("/system.reg"),
                 sectionsOf(demo + QStringLiteral("/system.reg"),
                            {"Software\\\\Adobe\\\\", "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\AcroRd32"},
                            "Software\\\\", machine));
        appendTo(prefix + QStringLiteral("/user.reg"),
                 sectionsOf(demo + QStringLiteral("/user.reg"), {"Software\\\\Adobe\\\\"}, "", ""));
    }
    const QString source = tmp.filePath(QStringLiteral("sleeper.c"));
    {
        QFile c(source);
        c.open(QIODevice::WriteOnly);
        c.write("#include <windows.h>\nint main(void) { Sleep(600000); return 0; }\n");
    }
    const QString readerExe = prefix + QLatin1Char('/') + kReader + QStringLiteral("/AcroRd32.exe");
    if (QProcess::execute(QStringLiteral("x86_64-w64-mingw32-gcc"), {QStringLiteral("-O1"), QStringLiteral("-o"), readerExe, source})
        != 0) {
        std::printf("skipped: the stand-in Reader did not build\n");
        return 0;
    }

    const qv::Discovery found = qv::discoverReader();
    if (!found.complete()) {
        std::fprintf(stderr, "discovery did not complete in %s: %s%s\n", qPrintable(prefix), qPrintable(found.error),
                     found.question ? qPrintable(QStringLiteral(" (asks: ") + found.question->prompt + QLatin1Char(')'))
                                    : "");
        return 1;
    }
    const QString plugIns = prefix + QLatin1Char('/') + kReader + QStringLiteral("/plug_ins");
    const QString optional = prefix + QLatin1Char('/') + kReader + QStringLiteral("/Optional");
    const double start = bench::processStart();

    std::vector<double> ours, windDown, linger, fair, floor, oldFloor;
    qv::OptimizeOptions options;
    options.endRunningReader = true;
    std::optional<bench::PhysicalWork> work;
    // Ours: from the call, Reader running, to the report.
    auto runOurs = [&](bool timed) {
        if (!reset(found.reader, prefix, pristinePlugIns))
            return false;
        QProcess reader;
        if (!startReader(reader, prefix)) {
            std::fprintf(stderr, "the stand-in Reader did not start\n");
            return false;
        }
        QElapsedTimer t;
        t.start();
        const qv::OperationReport optimized = qv::optimize(found.reader, options);
        const double took = double(t.nsecsElapsed()) / 1e6;
        reader.waitForFinished(10000);
        if (!optimized.succeeded()) {
            std::fprintf(stderr, "Optimize failed: %s\n", qPrintable(optimized.error));
            return false;
        }
        if (timed)
            ours.push_back(took);
        if (!work)
            work = bench::physicalWorkOf(optimized, prefix, plugIns, optional);
        return true;
    };
    // The floor: end the same Reader, watch Wine leave, then the work; once
    // with the fair work, once with the old.
    auto runFloor = [&](bool old) {
        if (!reset(found.reader, prefix, pristinePlugIns))
            return false;
        QProcess again;
        if (!startReader(again, prefix))
            return false;
        const int64_t pid = waitForReader();
        QElapsedTimer t;
        t.start();
        ::kill(pid_t(pid), SIGKILL);
        while (anyWindowsProgram() && t.elapsed() < 30000)
            QThread::usleep(1000);
        const double programsGone = double(t.nsecsElapsed()) / 1e6;
        while (qv::wineserver::runningPid(prefix) != 0 && t.elapsed() < 30000)
            QThread::usleep(1000);
        const double serverGone = double(t.nsecsElapsed()) / 1e6;
        again.waitForFinished(10000);
        if (old) {
            oldFloor.push_back(serverGone + bench::doPhysicalOptimize(*work, start));
            return true;
        }
        const double done = bench::doFairOptimize(*work, start);
        windDown.push_back(programsGone);
        linger.push_back(serverGone - programsGone);
        fair.push_back(done);
        floor.push_back(programsGone + done);
        return true;
    };
    // One untimed run tells the floor what the work is and warms the caches.
    if (!runOurs(false))
        return 1;
    for (int r = 0; r < rounds; ++r) {
        const bool ok = r % 2 == 0 ? runOurs(true) && runFloor(false) : runFloor(false) && runOurs(true);
        if (!ok || !runFloor(true))
            return 1;
    }
    reset(found.reader, prefix, pristinePlugIns);

    std::vector<double> oursLess;
    for (size_t i = 0; i < ours.size() && i < linger.size(); ++i)
        oursLess.push_back(ours[i] - linger[i]);
    std::printf("Optimize with Reader running, %d rounds (Wine prefix %s, plug_ins %.1f MB)\n", rounds,
                qPrintable(prefix), double(bench::treeBytes(plugIns)) / 1e6);
    std::printf("                                       fastest /   median /  slowest\n");
    bench::printTimes("Optimize, Reader running", ours);
    bench::printTimes("  less the server's linger", oursLess);
    bench::printTimes("  Wine's own wind-down", windDown);
    bench::printTimes("  the server's linger (both pay)", linger);
    bench::printTimes("  the work, fair", fair);
    bench::printTimes("  floor: wind-down + work", floor);
    bench::printTimes("  old floor (linger, plain work)", oldFloor);
    bench::printRatio("Optimize to its floor", bench::ratios(oursLess, floor), 1.02);
    bench::printRatio("Optimize to the old floor", bench::ratios(ours, oldFloor), 1.05);
    return 0;
}
