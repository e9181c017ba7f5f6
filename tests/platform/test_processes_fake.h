// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// A stand-in for a running Reader: a child process whose argv[0] is a Windows
// path, run by a copy of sleep named as Wine's loader, as Wine shows its
// processes. Also a process control that only sees this test program's
// children, so tests never touch the machine's processes.

#include <csignal>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <string>
#include <vector>

#include <QFile>
#include <QTemporaryDir>

#include "platform/processes.h"
#include "platform/wine/wineprefix.h"

// A copy of sleep named as Wine's loader, made once for the test program.
inline const char *fakeWineLoader()
{
    static QTemporaryDir folder;
    static const QByteArray loader = [] {
        const QString path = folder.filePath("wine64-preloader");
        QFile::copy("/bin/sleep", path);
        return QFile::encodeName(path);
    }();
    return loader.constData();
}

class FakeProcess
{
public:
    // winePrefix, when given, becomes the child's WINEPREFIX.
    // program, when given, is run instead of the loader's stand-in ("/bin/sleep": no Wine process).
    explicit FakeProcess(const std::string &argv0, const std::optional<std::string> &winePrefix = std::nullopt,
                         const char *program = nullptr)
    {
        if (!program)
            program = fakeWineLoader();
        char *argv[] = {const_cast<char *>(argv0.c_str()), const_cast<char *>("600"), nullptr};
        std::vector<std::string> env;
        for (char **e = environ; *e; ++e)
            if (!winePrefix || std::string(*e).rfind("WINEPREFIX=", 0) != 0)
                env.emplace_back(*e);
        if (winePrefix)
            env.push_back("WINEPREFIX=" + *winePrefix);
        std::vector<char *> envp;
        for (std::string &e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawn(&m_pid, program, nullptr, nullptr, argv, envp.data()) != 0) {
            m_pid = -1;
            return;
        }
        // The spawn returns while the kernel may still be laying out the new
        // program's arguments: wait until the process list can see them.
        const std::string cmdline = "/proc/" + std::to_string(m_pid) + "/cmdline";
        for (int i = 0; i < 2000; ++i) {
            std::ifstream in(cmdline, std::ios::binary);
            std::string first;
            std::getline(in, first, '\0');
            if (first == argv0)
                break;
            ::usleep(1000);
        }
    }
    ~FakeProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            reap();
        }
    }
    FakeProcess(const FakeProcess &) = delete;
    FakeProcess &operator=(const FakeProcess &) = delete;

    pid_t pid() const { return m_pid; }
    // True when the process has ended (and reaps it).
    bool ended()
    {
        if (m_pid <= 0)
            return true;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = 0;
            return true;
        }
        return false;
    }
    void reap()
    {
        if (m_pid > 0) {
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = 0;
        }
    }

private:
    pid_t m_pid = -1;
};

// The real process list and terminate, narrowed to this program's children.
class ChildrenOnlyProcessControl : public qv::SystemProcessControl
{
public:
    ChildrenOnlyProcessControl() { qv::ProcessControl::setInstance(this); }
    ~ChildrenOnlyProcessControl() override { qv::ProcessControl::setInstance(nullptr); }

    std::vector<qv::ProcessEntry> snapshot() override
    {
        std::vector<qv::ProcessEntry> mine;
        for (const qv::ProcessEntry &e : SystemProcessControl::snapshot())
            if (e.parentPid == ::getpid()) {
                mine.push_back(e);
                // The children stand for Readers of whatever prefix a test uses.
                if (!seePrefixes)
                    mine.back().prefix = qv::WinePrefix::current().root();
            }
        for (qv::ProcessEntry e : extra) {
            if (!seePrefixes && e.prefix.isEmpty())
                e.prefix = qv::WinePrefix::current().root();
            if (e.uid == -1)
                e.uid = ::getuid();
            mine.push_back(e);
        }
        return mine;
    }
    // The records added stand for processes found: they count as held, and
    // ending one fails as ending a vanished process does, unless forced.
    bool hold(qv::ProcessEntry &entry) override
    {
        for (const qv::ProcessEntry &e : extra)
            if (e.pid == entry.pid)
                return true;
        return SystemProcessControl::hold(entry);
    }
    qv::WaitOutcome terminateAndWait(const qv::ProcessEntry &process, int timeoutMs, int &windowsError) override
    {
        terminated.push_back(process.pid);
        if (forced) {
            windowsError = forcedError;
            return *forced;
        }
        return SystemProcessControl::terminateAndWait(process, timeoutMs, windowsError);
    }

    std::vector<qv::ProcessEntry> extra;  // records added to the list (e.g. a vanished id)
    std::vector<int64_t> terminated;      // ids asked to end, in order
    std::optional<qv::WaitOutcome> forced; // outcome to report instead of ending
    int forcedError = 0;
    bool seePrefixes = false; // keep the children's own prefixes in the list
};
