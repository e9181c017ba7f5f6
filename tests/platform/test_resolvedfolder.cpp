// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// A folder found once: names below it are looked up in that folder, as
// bytes and without regard to case, and a link or another folder put in its
// place is told apart before anything is changed there.

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/filesystem.h"
#include "support/testprefix.h"

using namespace qv;

namespace {

const QString kReader = "C:\\Program Files\\Adobe\\Reader 9.0\\Reader";
const QString kPlugIns = kReader + "\\plug_ins";

struct Resolved : ::testing::Test
{
    TestPrefix prefix;
    QString plugInsHost, readerHost;
    void SetUp() override
    {
        readerHost = prefix.mkdir(kReader);
        plugInsHost = prefix.writeFile(kPlugIns + "\\EWH32.api", "x");
        plugInsHost.chop(QStringLiteral("/EWH32.api").size());
        prefix.writeFile(kPlugIns + "\\Sub\\b.api", "b");
    }
};

} // namespace

TEST_F(Resolved, NamesAreLookedUpBelowTheFolderFoundAsTheirBytes)
{
    // A name that is no UTF-8: carried as the bytes it is.
    const QByteArray odd = "Caf\xe9.api";
    ::close(::creat(QFile::encodeName(plugInsHost) + '/' + odd, 0644));
    const ResolvedFolder plugIns("c:\\PROGRAM FILES\\adobe\\reader 9.0\\Reader\\Plug_Ins");
    EXPECT_EQ(filesBelow(plugIns), QList<QByteArray>({odd, "EWH32.api", "Sub/b.api"}));
    EXPECT_TRUE(fileExists(plugIns, "ewh32.API"));
    EXPECT_TRUE(fileExists(plugIns, "SUB/B.api"));
    EXPECT_TRUE(fileExists(plugIns, odd));
    EXPECT_FALSE(fileExists(plugIns, "Sub"));
    EXPECT_TRUE(directoryExists(plugIns, "sub"));

    // Moved away whole: the folder found is still the one worked in, and
    // its Windows path no longer leads there.
    ASSERT_EQ(::rename(QFile::encodeName(readerHost).constData(), QFile::encodeName(readerHost + ".moved").constData()),
              0);
    EXPECT_TRUE(fileExists(plugIns, "EWH32.api"));
    EXPECT_TRUE(deleteFile(plugIns, "ewh32.api"));
    EXPECT_FALSE(QFile::exists(readerHost + ".moved/plug_ins/EWH32.api"));
    EXPECT_FALSE(fileExists(kPlugIns + "\\Sub\\b.api"));
    EXPECT_FALSE(plugIns.unchanged());
    // Qt could not name it to remove it with the prefix.
    ::unlink(QFile::encodeName(readerHost + ".moved/plug_ins") + '/' + odd);
}

TEST_F(Resolved, AFolderPutInItsPlaceIsToldApartBeforeAnythingChanges)
{
    const QString other = prefix.mkdir("C:\\Other");
    auto moveAway = [&] { QDir().rename(plugInsHost, plugInsHost + ".old"); };
    auto clear = [&] {
        if (!QFile::remove(plugInsHost)) // a link goes alone
            QDir(plugInsHost).removeRecursively();
        QDir(plugInsHost + ".old").removeRecursively();
    };
    const struct
    {
        const char *what;
        std::function<void()> change;
        bool unchanged;
    } cases[] = {
        {"left as it is", [] {}, true},
        {"a file added in it", [&] { prefix.writeFile(kPlugIns + "\\new.api", "n"); }, true},
        {"replaced by a link", [&] { moveAway(); QFile::link(other, plugInsHost); }, false},
        {"replaced by another folder", [&] { moveAway(); QDir().mkdir(plugInsHost); }, false},
        {"removed", [&] { moveAway(); }, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        clear();
        prefix.mkdir(kPlugIns);
        const ResolvedFolder plugIns(kPlugIns);
        ASSERT_TRUE(plugIns.found());
        c.change();
        EXPECT_EQ(plugIns.unchanged(), c.unchanged);
        if (c.unchanged)
            EXPECT_NO_THROW(plugIns.ensureUnchanged());
        else
            EXPECT_THROW(plugIns.ensureUnchanged(), Error);
    }

    // Found through a link that was there from the start: still that folder.
    clear();
    QFile::link(other, plugInsHost);
    EXPECT_TRUE(ResolvedFolder(kPlugIns).unchanged());
    // Never found: nothing to tell apart, until it is there.
    const ResolvedFolder later(kReader + "\\Optional");
    EXPECT_FALSE(later.found());
    EXPECT_TRUE(later.unchanged());
    prefix.mkdir(kReader + "\\Optional");
    EXPECT_TRUE(later.found());
    EXPECT_TRUE(makeFolder(later, "A/B"));
    EXPECT_TRUE(directoryExists(kReader + "\\Optional\\a\\b"));
}

// The proof of a copy: each file below one folder against its namesake below
// the other, judged as fileExists() and sameFileContent() judge a pair.
TEST_F(Resolved, EachFileIsComparedWithItsNamesakeByItsBytes)
{
    const QString a = prefix.mkdir("C:\\A"), b = prefix.mkdir("C:\\B");
    auto both = [&](const char *name, const QByteArray &inA, const QByteArray &inB) {
        prefix.writeFile(QStringLiteral("C:\\A\\") + name, inA);
        prefix.writeFile(QStringLiteral("C:\\B\\") + name, inB);
    };
    auto link = [](const QString &folder, const char *name, const char *to) {
        QFile::link(QString::fromLatin1(to), folder + '/' + name);
    };
    const struct
    {
        const char *name;
        std::function<void()> make;
        Comparison expected;
    } cases[] = {
        {"same.api", [&] { both("same.api", "plug-in", "plug-in"); }, Comparison::Same},
        {"empty.api", [&] { both("empty.api", "", ""); }, Comparison::Same},
        {"Sub/deep.api", [&] { both("Sub\\deep.api", "deep", "deep"); }, Comparison::Same},
        {"bytes.api", [&] { both("bytes.api", "plug-in", "plug-iN"); }, Comparison::Differing},
        {"size.api", [&] { both("size.api", "plug-in", "plug-in and more"); }, Comparison::Differing},
        {"shorter.api", [&] { both("shorter.api", "plug-in", "plug"); }, Comparison::Differing},
        {"gone.api", [&] { prefix.writeFile("C:\\A\\gone.api", "x"); }, Comparison::Missing},
        {"folder.api",
         [&] {
             prefix.writeFile("C:\\A\\folder.api", "x");
             prefix.mkdir("C:\\B\\folder.api");
         },
         Comparison::Missing},
        // The copy spells the name otherwise: found as Wine finds it.
        {"Case.api",
         [&] {
             prefix.writeFile("C:\\A\\Case.api", "c");
             prefix.writeFile("C:\\B\\CASE.API", "c");
         },
         Comparison::Same},
        // A link in the copy's place is no copy of a file, even one that leads to the same bytes.
        {"linked.api",
         [&] {
             both("target.dat", "t", "t");
             prefix.writeFile("C:\\A\\linked.api", "t");
             link(b, "linked.api", "target.dat");
         },
         Comparison::Differing},
        // Two links are alike when their texts are.
        {"links.api",
         [&] {
             link(a, "links.api", "target.dat");
             link(b, "links.api", "target.dat");
         },
         Comparison::Same},
        {"fifo.api",
         [&] {
             prefix.writeFile("C:\\A\\fifo.api", "");
             ::mkfifo(QFile::encodeName(b + "/fifo.api").constData(), 0600);
         },
         Comparison::Differing},
    };
    QList<QByteArray> names;
    for (const auto &c : cases) {
        c.make();
        names << c.name;
    }
    const std::vector<Comparison> found = compareFiles(ResolvedFolder("C:\\A"), ResolvedFolder("C:\\B"), names);
    ASSERT_EQ(found.size(), std::size(cases));
    for (size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(int(found[i]), int(cases[i].expected)) << cases[i].name;
    // A folder that is not there holds nothing to compare with.
    EXPECT_EQ(int(compareFiles(ResolvedFolder("C:\\A"), ResolvedFolder("C:\\Nowhere"), {"same.api"}).front()),
              int(Comparison::Missing));
}
