// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "wineloop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/registry.h"
#include "platform/wine/wineprefix.h"

namespace {

// What a sound prefix of ours holds: the marker is written only once
// wineboot has finished, its server has written the hives and the user's
// folders are the prefix's own. It names the Wine version and the layout.
const char kReadyMarker[] = ".quorvane-ready";
const char kLayout[] = "\nuser folders of its own";

// wineboot links the user's Desktop, Documents and the like to the host's
// folders of the HOME it ran with (a test's throwaway one): each becomes a
// folder of the prefix, so nothing Wine or a test writes there leaves it.
void ownUserFolders(const QString &prefix)
{
    const QDir users(prefix + QStringLiteral("/drive_c/users"));
    for (const QString &user : users.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir folder(users.filePath(user));
        for (const QFileInfo &entry : folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
            if (entry.isSymLink() && QFile::remove(entry.filePath()))
                folder.mkdir(entry.fileName());
    }
}

QString wineVersion()
{
    QProcess p;
    p.start(QStringLiteral("wine"), {QStringLiteral("--version")});
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

WineLoop *WineLoop::get(QString *whyNot)
{
    static std::unique_ptr<WineLoop> loop;
    static QString why;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const QString helpers = QString::fromUtf8(QV_WINE_HELPERS);
        for (const char *tool : {"wine", "wineboot", "wineserver"})
            if (why.isEmpty() && QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                why = QStringLiteral("Wine is not installed (no %1 on the PATH); install wine and wine64 to run "
                                     "these checks").arg(QLatin1String(tool));
        if (why.isEmpty() && (helpers.isEmpty() || !QFileInfo::exists(helpers + QStringLiteral("/qvreg.exe"))))
            why = QStringLiteral("The mingw-w64 cross compiler was missing when the build was configured, so "
                                 "there are no Windows helpers; install gcc-mingw-w64-x86-64 and configure again");
        if (why.isEmpty()) {
            loop.reset(new WineLoop(QString::fromUtf8(QV_WINE_PREFIX), helpers));
            QString failure;
            if (!loop->ensurePrefix(&failure)) {
                loop.reset();
                why = QStringLiteral("Wine could not set up the loop's prefix: ") + failure;
            }
        }
    }
    if (whyNot)
        *whyNot = why;
    return loop.get();
}

QString WineLoop::helper(const QString &name) const
{
    return m_helpers + QLatin1Char('/') + name + QStringLiteral(".exe");
}

QString WineLoop::windowsPath(const QString &hostPath)
{
    return QStringLiteral("Z:") + QString(hostPath).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QProcessEnvironment WineLoop::environment(const QString &prefix) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix.isEmpty() ? m_prefix : prefix);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // No Mono or Gecko installers, and no menu entries, icons or file types
    // for the prefix's programs on the host.
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml=;winemenubuilder.exe=d"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

QByteArray WineLoop::run(const QStringList &arguments, const QByteArray &input, int timeoutMs, const QString &prefix)
{
    QProcess p;
    p.setProcessEnvironment(environment(prefix));
    p.setProgram(arguments.value(0));
    p.setArguments(arguments.mid(1));
    p.start();
    if (!p.waitForStarted(30000)) {
        failed("could not start " + arguments.join(' '));
        return QByteArray();
    }
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        failed(QStringLiteral("%1 did not end within %2 ms").arg(arguments.join(' ')).arg(timeoutMs));
    }
    return p.readAllStandardOutput();
}

void WineLoop::failed(const QString &what)
{
    if (m_settingUp)
        m_setUpFailures << what; // said in the reason of the skip
    else
        ADD_FAILURE() << what.toStdString();
}

QStringList WineLoop::ask(const QString &helperName, const QStringList &requests)
{
    const QByteArray out = run({QStringLiteral("wine"), helper(helperName)},
                               requests.join(QLatin1Char('\n')).toUtf8() + '\n');
    QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'));
    for (QString &l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    EXPECT_EQ(lines.size(), requests.size()) << helperName.toStdString() << " answered " << lines.size()
                                             << " of " << requests.size() << " requests";
    while (lines.size() < requests.size())
        lines << QStringLiteral("missing");
    return lines;
}

void WineLoop::stopServer(const QString &prefix)
{
    run({QStringLiteral("wineserver"), QStringLiteral("-k")}, QByteArray(), 30000, prefix);
    run({QStringLiteral("wineserver"), QStringLiteral("-w")}, QByteArray(), 60000, prefix);
}

bool WineLoop::ensurePrefix(QString *why)
{
    struct stat st;
    if (::stat(QFile::encodeName(m_prefix).constData(), &st) == 0 && st.st_uid != ::geteuid()) {
        *why = QStringLiteral("%1 belongs to another user, and Wine runs a prefix for its owner alone; build in a "
                              "folder of your own").arg(m_prefix);
        return false;
    }
    const QByteArray ready = wineVersion().toUtf8() + kLayout;
    QFile marker(m_prefix + QLatin1Char('/') + QLatin1String(kReadyMarker));
    if (marker.open(QIODevice::ReadOnly) && marker.readAll() == ready
        && QFileInfo::exists(m_prefix + QStringLiteral("/system.reg")))
        return true; // made by an earlier run with this Wine
    marker.close();
    m_settingUp = true;
    stopServer();
    m_settingUp = false;
    QDir(m_prefix).removeRecursively();
    if (!QDir().mkpath(m_prefix)) {
        *why = QStringLiteral("cannot make the folder %1").arg(m_prefix);
        return false;
    }
    m_settingUp = true;
    const QByteArray out = run({QStringLiteral("wineboot"), QStringLiteral("-i")}, QByteArray(), 240000);
    stopServer();
    m_settingUp = false;
    QFile system(m_prefix + QStringLiteral("/system.reg"));
    if (!system.open(QIODevice::ReadOnly) || !system.read(4096).contains("#arch=win64")) {
        *why = QStringLiteral("wineboot did not make a 64-bit prefix in %1: %2")
                   .arg(m_prefix, (m_setUpFailures + QStringList{QString::fromUtf8(out).left(2000)}).join(' '));
        return false;
    }
    ownUserFolders(m_prefix);
    if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *why = QStringLiteral("cannot write %1").arg(marker.fileName());
        return false;
    }
    marker.write(ready);
    return true;
}

QString WineLoop::otherPrefix()
{
    const QString other = m_prefix + QStringLiteral("-other");
    if (!QFileInfo::exists(other + QStringLiteral("/system.reg"))) {
        QDir().mkpath(other + QStringLiteral("/dosdevices"));
        for (const char *f : {"system.reg", "user.reg", "userdef.reg", ".update-timestamp"})
            QFile::copy(m_prefix + QLatin1Char('/') + QLatin1String(f), other + QLatin1Char('/') + QLatin1String(f));
        QFile::link(m_prefix + QStringLiteral("/drive_c"), other + QStringLiteral("/dosdevices/c:"));
        QFile::link(QStringLiteral("/"), other + QStringLiteral("/dosdevices/z:"));
    }
    return other;
}

QString hexText(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(text.toUtf8().toHex());
}

QString textFromHex(const QString &hex)
{
    return hex == QLatin1String("-") ? QString() : QString::fromUtf8(QByteArray::fromHex(hex.toLatin1()));
}

QString hexBytes(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(bytes.toHex());
}

void WineTest::SetUp()
{
    QString why;
    wine = WineLoop::get(&why);
    if (!wine)
        GTEST_SKIP() << why.toStdString();
    wine->stopServer();
    qv::WinePrefix::setCurrent(wine->prefix());
    qv::resetRegistryCache();
}

void WineTest::TearDown()
{
    if (wine)
        wine->stopServer();
    qv::resetRegistryCache();
}
