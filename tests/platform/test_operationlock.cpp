// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The operation lock under Wine: one lock whichever path leads to the prefix
// folder, kept in the prefix where this user's lock folder is not its own,
// and counted as held where no lock file can be had (the operation's own
// checks then say what is wrong).

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

#include "platform/operationlock.h"
#include "platform/wine/wineprefix.h"
#include "support/faults.h"
#include "support/lockholder.h"
#include "support/tempdir.h"
#include "support/testprefix.h"

namespace {

// Whether an operation on the prefix reached by this path may start.
bool mayStart(const QString &path)
{
    qv::WinePrefix::setCurrent(path);
    const qv::OperationLock lock;
    EXPECT_TRUE(lock.held() || lock.refusal().startsWith("Another Quorvane is working on this prefix"))
        << lock.refusal().toStdString();
    return lock.held();
}

} // namespace

TEST(OperationLock, EveryPathToThePrefixMeetsTheSameLockAndTheLockLeavesThePrefixAlone)
{
    TestPrefix prefix;
    TempDir elsewhere;
    ASSERT_TRUE(QFile::link(prefix.root(), elsewhere.file("alias")));
    const QStringList paths = {prefix.root(), prefix.root() + "/", elsewhere.file("alias"),
                               elsewhere.file("alias") + "/", prefix.root() + "/drive_c/.."};
    const auto before = treeContents(prefix.root());
    for (const QString &path : paths)
        EXPECT_EQ(qv::OperationLock::fileFor(path), qv::OperationLock::fileFor(prefix.root())) << path.toStdString();
    {
        LockHolder other(qv::OperationLock::fileFor(elsewhere.file("alias") + "/"), LockHolder::Flock);
        ASSERT_TRUE(other.ok());
        for (const QString &path : paths)
            EXPECT_FALSE(mayStart(path)) << path.toStdString();
    }
    for (const QString &path : paths)
        EXPECT_TRUE(mayStart(path)) << path.toStdString();
    EXPECT_EQ(treeContents(prefix.root()), before);
    qv::WinePrefix::setCurrent(prefix.root());
}

TEST(OperationLock, WhereTheLockFolderIsNotThisUsersAloneThePrefixHoldsTheLock)
{
    TestPrefix prefix;
    const QString ownFile = qv::OperationLock::fileFor(prefix.root()); // makes the user's lock folder
    const QString ownFolder = QFileInfo(ownFile).path();
    ASSERT_EQ(ownFolder, QString("/tmp/quorvane-%1").arg(::geteuid()));
    // Seen from this program alone: the folder open to others.
    TempDir open;
    QFile::setPermissions(open.path(), QFile::permissions(open.path()) | QFile::ReadOther | QFile::ExeOther);
    faults::BindMount shared(open.path(), ownFolder);
    if (!shared.ok())
        GTEST_SKIP() << shared.why().toStdString();

    const QString inPrefix = prefix.root() + "/.quorvane.lock";
    EXPECT_EQ(qv::OperationLock::fileFor(prefix.root()), inPrefix);
    {
        LockHolder other(inPrefix, LockHolder::Flock);
        ASSERT_TRUE(other.ok());
        EXPECT_FALSE(mayStart(prefix.root() + "/"));
    }
    EXPECT_TRUE(mayStart(prefix.root()));
    EXPECT_TRUE(QFile::exists(inPrefix));
    EXPECT_TRUE(QDir(open.path()).isEmpty());

    // A link planted in the lock's place is never followed: no lock file can
    // be had, so the lock counts as held, and nothing is made at the target.
    QFile::remove(inPrefix);
    TempDir outside;
    ASSERT_TRUE(QFile::link(outside.file("made"), inPrefix));
    EXPECT_TRUE(mayStart(prefix.root()));
    EXPECT_FALSE(QFile::exists(outside.file("made")));
    qv::WinePrefix::setCurrent(prefix.root());
}

TEST(OperationLock, AMissingPrefixCountsAsHeldAndNothingIsMade)
{
    TempDir tmp;
    const QString missing = tmp.file("no prefix");
    EXPECT_EQ(qv::OperationLock::fileFor(missing), QString());
    EXPECT_TRUE(mayStart(missing));
    EXPECT_TRUE(QDir(tmp.path()).isEmpty());
}
