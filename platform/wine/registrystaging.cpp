// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Saving the registry's changes (registrystaging.h): one hive when a key is
// closed, or every changed hive together at a RegistryStaging's commit, each
// under the registry lock and with the prefix's wineserver gone.
//
// Two locks keep two Quorvanes apart, each for its own reason. The operation
// lock (operationlock.h) is taken once, when an operation starts, and refuses
// at once: a second operation on the prefix must not begin at all. The
// registry lock here is taken around every save, the ones outside an
// operation too (a section reader creating its key at start-up), and waits
// a moment, since another Quorvane's save is over in milliseconds. One lock
// could not do both: flock() locks per open file, so an operation's saves
// would wait on the lock the operation holds, and a start-up save would
// wait for another process's whole operation instead of its commit.
#include "platform/wine/registrystaging.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/registry.h"
#include "platform/winerror.h"
#include "platform/wine/atomicfile.h"
#include "platform/wine/wineprefix.h"
#include "platform/wine/wineserver.h"
#include "platform/namebytes.h"

namespace qv {

using hivecache::HiveEntry;

namespace {

int g_lockTimeoutMs = 10000;
int g_staging = 0; // RegistryStaging objects alive: changes wait for their commit

// The advisory lock that keeps two Quorvane processes from saving at once.
class PrefixLock
{
public:
    // With tryOnly, never waits and never throws: held() says how it went.
    explicit PrefixLock(const QString &prefixRoot, bool tryOnly = false)
    {
        const QByteArray name = namebytes::encode(prefixRoot + QStringLiteral("/.quorvane-registry.lock"));
        // A link planted in its place is not followed out of the prefix.
        m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (m_fd < 0)
            return; // a read-only prefix (or such a link): the save itself will say so
        QElapsedTimer t;
        t.start();
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (tryOnly) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            if (t.elapsed() > g_lockTimeoutMs) {
                ::close(m_fd);
                m_fd = -1;
                throw Error(QStringLiteral("Another Quorvane is changing the registry of the prefix \"%1\" and did "
                                           "not finish in time, so nothing was written. Close the other Quorvane "
                                           "window, then try again")
                                .arg(prefixRoot));
            }
            QThread::msleep(50);
        }
    }
    ~PrefixLock()
    {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace

namespace registrystaging {

// The first pending change is the moment to ask.
void beforeChange(HiveEntry &e)
{
    if (e.pending.empty())
        wineserver::ensureStopped(WinePrefix::current().root());
}

// One hive saved on its own, as closing a key saves it.
void flush(const QString &file)
{
    if (g_staging)
        return; // the staging's commit writes it
    auto &hives = hivecache::hives();
    auto it = hives.find(file);
    if (it == hives.end() || it->second.pending.empty())
        return;
    HiveEntry &e = it->second;
    const QString root = WinePrefix::current().root();
    try {
        PrefixLock lock(root);
        wineserver::ensureStopped(root);
        hivecache::ensureReplaceable(file);
        hivecache::catchUp(e, file);
        e.hive->save();
        e.identity = hivecache::identityOf(file);
        e.pending.clear();
    } catch (...) {
        // what is in memory no longer matches the file: read it again next time
        hives.erase(it);
        throw;
    }
}

} // namespace registrystaging

void setRegistryLockTimeout(int ms)
{
    g_lockTimeoutMs = ms;
}

RegistryStaging::RegistryStaging()
{
    if (g_staging++)
        return;
    // What an interrupted save left beside the hives; only while no other
    // Quorvane is saving, since its file may be one of them.
    const QString root = WinePrefix::current().root();
    PrefixLock lock(root, true);
    if (lock.held())
        removeTemporaries(root, false);
}

RegistryStaging::~RegistryStaging()
{
    --g_staging;
    if (m_done || g_staging)
        return;
    // Dropped: what is in memory is read again from the files.
    auto &hives = hivecache::hives();
    for (auto it = hives.begin(); it != hives.end();)
        it = it->second.pending.empty() ? std::next(it) : hives.erase(it);
}

void RegistryStaging::commit()
{
    m_done = true;
    auto &hives = hivecache::hives();
    std::vector<std::pair<QString, HiveEntry *>> changed;
    for (auto &[file, e] : hives)
        if (!e.pending.empty())
            changed.push_back({file, &e});
    if (changed.empty())
        return;
    const QString root = WinePrefix::current().root();
    QStringList replaced;
    try {
        PrefixLock lock(root);
        wineserver::ensureStopped(root);
        removeTemporaries(root, false);
        std::vector<std::unique_ptr<AtomicFile>> files;
        for (auto &[file, e] : changed) {
            hivecache::ensureReplaceable(file);
            hivecache::catchUp(*e, file);
            files.push_back(e->hive->writeTemporary());
        }
        // Every hive on the disk before any is replaced: a full disk stops
        // the commit here, with every hive as it was.
        for (size_t i = 0; i < files.size(); ++i)
            if (!files[i]->flush())
                throw changed[i].second->hive->saveError(*files[i]);
        Hive::saveStage("synced");
        for (size_t i = 0; i < files.size(); ++i) {
            HiveEntry &e = *changed[i].second;
            if (!files[i]->commit(AtomicFile::Sync::No)) {
                throw Error(QStringLiteral("Could not replace the registry file \"%1\" (%2: %3). %4")
                                .arg(changed[i].first, files[i]->failedStep(),
                                     winerror::reasonForErrno(files[i]->error()),
                                     replaced.isEmpty()
                                         ? QStringLiteral("No registry file was changed.")
                                         : QStringLiteral("These were replaced already: %1.").arg(replaced.join(QStringLiteral(", ")))));
            }
            e.hive->saved();
            e.identity = hivecache::identityOf(changed[i].first);
            e.pending.clear();
            replaced << changed[i].first;
            Hive::saveStage("replaced");
        }
    } catch (...) {
        // what is in memory no longer matches the files: read them again next time
        for (auto &[file, e] : changed)
            if (!e->pending.empty())
                hives.erase(file);
        throw;
    }
}

} // namespace qv
