// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// A throwaway home holding a prefix with Reader 9.0 in it, for prefixes that
// come from elsewhere: an attack is planted in the prefix (or beside it), an
// operation runs, and afterwards nothing outside the places a change may
// land has changed (a listing with hashes of the whole home, before and
// after), and every plug-in is still there, byte for byte, in plug_ins or
// its safety copy.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/operations.h"
#include "platform/fileoperation.h"
#include "platform/test_processes_fake.h"
#include "platform/windowless.h"
#include "platform/wine/wineprefix.h"
#include "support/fakehome.h"
#include "support/testprefix.h"
#include "support/treelisting.h"

class HostileHome
{
public:
    static inline const QString kFolder = QStringLiteral("C:\\Program Files\\Adobe\\Reader 9.0\\Reader");
    static inline const QString kDesktop = QStringLiteral("C:\\users\\ann\\Desktop");

    // prefixParent: the folder below home the prefix is made in (a name of
    // its own, say); made when missing.
    explicit HostileHome(const QString &prefixParent = QStringLiteral(".local/share/bottles/bottles"))
    {
        QDir().mkpath(home.file(prefixParent));
        prefix = std::make_unique<TestPrefix>(TestPrefix::Win32, home.file(prefixParent));
        qv::FileOperationUi::setInstance(&fileWindows);
        processes.seePrefixes = true;
        for (const auto &[name, bytes] : kPlugIns)
            prefix->writeFile(kFolder + "\\plug_ins\\" + name, bytes);
        prefix->writeFile(kFolder + "\\AcroRd32.exe", "MZ");
        prefix->writeHive("user.reg", HiveText()
                                          .key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                                          .str("Desktop", kDesktop));
        prefix->mkdir(kDesktop);
        reader.version = "9.0";
        reader.folder = kFolder;
        // What a prefix may aim at: the user's own files.
        home.write(".bashrc", "# the user's shell\n");
        home.write(".ssh/authorized_keys", "ssh-ed25519 AAAA user@host\n");
        home.write(".config/autostart/keep.desktop", "[Desktop Entry]\nType=Application\nExec=true\n");
        home.write("work/notes.txt", "notes");
        home.write("outside/big/file", "big");
    }
    ~HostileHome() { qv::FileOperationUi::setInstance(nullptr); }

    QString readerHost(const QString &below = QString()) const
    {
        return prefix->host(below.isEmpty() ? kFolder : kFolder + '\\' + below);
    }

    // A symbolic link at the host path of a Windows path of the prefix,
    // in place of whatever was there.
    void plantLink(const QString &windowsPath, const QString &target) const
    {
        const QString at = prefix->host(windowsPath);
        QDir(at).removeRecursively();
        QFile::remove(at);
        QDir().mkpath(QFileInfo(at).absolutePath());
        QFile::link(target, at);
    }

    // The whole home now; a check later tells what changed outside the
    // prefix and the places a change may land (its icons, the trash,
    // Quorvane's own log).
    void takeListing() { m_before = TreeListing::of(home.path(), TreeListing::Detail::Content); }
    QStringList changesOutside() const
    {
        const QString prefixRel = QDir(home.path()).relativeFilePath(prefix->root());
        QStringList out;
        for (const QString &line : m_before.changesTo(TreeListing::of(home.path(), TreeListing::Detail::Content))) {
            const QString path = line.mid(2).section(QStringLiteral(": "), 0, 0);
            const bool allowed = path == prefixRel || path.startsWith(prefixRel + '/')
                || path.startsWith(".local/share/icons") || path.startsWith(".local/share/Trash")
                || path.startsWith(".local/state/quorvane");
            if (!allowed)
                out << line;
        }
        return out;
    }

    // Every plug-in file by name (as bytes) and content, from plug_ins and
    // the safety copy together; links are no plug-ins.
    std::map<QByteArray, QByteArray> plugIns() const
    {
        std::map<QByteArray, QByteArray> out;
        // plug_ins through a link planted in its place; never a safety copy
        // that is a link (it shows the folder of the user's it leads to).
        list(QFile::encodeName(readerHost("plug_ins")), QByteArray(), out);
        if (!QFileInfo(readerHost("Optional")).isSymLink())
            list(QFile::encodeName(readerHost("Optional")), QByteArray(), out);
        return out;
    }
    static std::map<QByteArray, QByteArray> originalPlugIns()
    {
        std::map<QByteArray, QByteArray> out;
        for (const auto &[name, bytes] : kPlugIns)
            out[name.toUtf8()] = bytes;
        return out;
    }

    // A stand-in for a program that must never run: it leaves ~/ran.
    QString marker(const QString &relative) const
    {
        return home.script(relative, "echo \"$0 $*\" >> \"$HOME/ran\"\n");
    }

    FakeHome home;
    std::unique_ptr<TestPrefix> prefix;
    qv::WindowlessFileOperationUi fileWindows{qv::Echo::No};
    ChildrenOnlyProcessControl processes;
    qv::ReaderInstallation reader;

private:
    static inline const std::pair<QString, QByteArray> kPlugIns[] = {
        {"EWH32.api", "ewh"}, {"search.api", "search"}, {"Annots.api", "annots"}, {"S\\mm.api", "mm"}};

    static void list(const QByteArray &folder, const QByteArray &relative, std::map<QByteArray, QByteArray> &out)
    {
        DIR *dir = ::opendir(folder.constData());
        if (!dir)
            return;
        while (const dirent *e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name == "." || name == ".." || name.startsWith('.'))
                continue;
            const QByteArray path = folder + '/' + name;
            const QByteArray rel = relative.isEmpty() ? name : relative + '\\' + name;
            struct stat st;
            if (::lstat(path.constData(), &st) != 0)
                continue;
            if (S_ISDIR(st.st_mode)) {
                list(path, rel, out);
            } else if (S_ISREG(st.st_mode)) {
                QByteArray bytes(int(st.st_size), '\0');
                const int fd = ::open(path.constData(), O_RDONLY);
                const bool read = fd >= 0 && ::read(fd, bytes.data(), size_t(bytes.size())) == bytes.size();
                if (fd >= 0)
                    ::close(fd);
                out[rel] = read ? bytes : QByteArray("(unreadable)");
            }
        }
        ::closedir(dir);
    }

    TreeListing m_before;
};

// A process of another user: Wine's loader (a copy of sleep of that name)
// running a program named argv0 in the prefix, as uid. Ended with the object.
class ForeignProcess
{
public:
    ForeignProcess(const QString &argv0, const QString &winePrefix, uid_t uid)
    {
        // A folder the other user can reach, holding the loader's stand-in.
        m_folder = QDir::tempPath() + QStringLiteral("/quorvane-foreign-%1").arg(::getpid());
        QDir().mkpath(m_folder);
        ::chmod(QFile::encodeName(m_folder).constData(), 0755);
        const QString loader = m_folder + "/wine64-preloader";
        QFile::copy("/bin/sleep", loader);
        const QByteArray uidText = QByteArray::number(uid);
        const QByteArray prefixVar = "WINEPREFIX=" + QFile::encodeName(winePrefix);
        const QByteArray a0 = argv0.toUtf8(), ld = QFile::encodeName(loader);
        const char *argv[] = {"setpriv", "--reuid", uidText.constData(), "--regid", uidText.constData(),
                              "--clear-groups", "/bin/bash", "-c", "exec -a \"$0\" \"$1\" 600", a0.constData(),
                              ld.constData(), nullptr};
        const char *envp[] = {prefixVar.constData(), "PATH=/usr/bin:/bin", nullptr};
        if (::posix_spawnp(&m_pid, "setpriv", nullptr, nullptr, const_cast<char **>(argv),
                           const_cast<char **>(envp)) != 0)
            m_pid = -1;
        // Until the process list shows the program's own name.
        for (int i = 0; m_pid > 0 && i < 2000; ++i) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(m_pid));
            if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().startsWith(a0 + '\0'))
                break;
            ::usleep(1000);
        }
    }
    ~ForeignProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        QDir(m_folder).removeRecursively();
    }
    pid_t pid() const { return m_pid; }
    // Whether it still runs; one that ended is reaped, and its id forgotten.
    bool running()
    {
        if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
            m_pid = -1;
        return m_pid > 0;
    }

private:
    pid_t m_pid = -1;
    QString m_folder;
};
