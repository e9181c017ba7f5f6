// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/pluginlist.h"
#include "platform/wine/wineprefix.h"
#include "support/tempdir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString kReader = QStringLiteral("C:\\Program Files\\Adobe\\Reader");

// A throwaway prefix with drive C: and an empty Reader folder.
class PlugInSearch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(tmp.file("drive_c/Program Files/Adobe/Reader"));
        QDir().mkpath(tmp.file("dosdevices"));
        QFile::link(QStringLiteral("../drive_c"), tmp.file("dosdevices/c:"));
        qv::WinePrefix::setCurrent(tmp.path());
    }

    // Creates a file below the Reader folder ("plug_ins/S/a.api").
    void put(const QString &relative) { tmp.write(QStringLiteral("drive_c/Program Files/Adobe/Reader/") + relative, "x"); }
    QString host(const QString &relative) const { return tmp.file(QStringLiteral("drive_c/Program Files/Adobe/Reader/") + relative); }

    static QStringList captions(const std::vector<qv::PlugInItem> &items)
    {
        QStringList out;
        for (const auto &i : items)
            out << i.caption;
        return out;
    }

    TempDir tmp;
};

TEST_F(PlugInSearch, DepthFirstAndSameNamesInDifferentFoldersBothListed)
{
    put("plug_ins/A/deep/one.api");
    put("plug_ins/A/two.api");
    put("plug_ins/B/two.api");

    const auto items = qv::plugInsNotLoaded(kReader);
    ASSERT_EQ(items.size(), 3u);
    // A's own file, then A's sub-folder, all before or all after B.
    const auto posA = std::find_if(items.begin(), items.end(), [](auto &i) { return i.path.endsWith("\\A\\two.api"); });
    ASSERT_NE(posA, items.end());
    EXPECT_TRUE((posA + 1) != items.end() && (posA + 1)->path.endsWith("\\A\\deep\\one.api"));
    EXPECT_EQ(captions(items).count("two.api"), 2);
}

TEST_F(PlugInSearch, MissingOrEmptyFoldersGiveNothing)
{
    EXPECT_TRUE(qv::plugInsNotLoaded(kReader).empty());
    put("Wexmor.DAT");
    EXPECT_TRUE(qv::plugInsNotLoaded(kReader).empty());
    EXPECT_TRUE(qv::plugInsNotLoaded(QStringLiteral("Q:\\nowhere")).empty());
}

TEST_F(PlugInSearch, WithMarkerSubFolderItemsAreComparedAtTheSamePlace)
{
    put("Wexmor.DAT");
    put("Optional/S/back.api");      // brought back: plug_ins/S/back.api exists
    put("plug_ins/S/back.api");
    put("Optional/T/moved.api");     // only a namesake at the top of plug_ins
    put("plug_ins/moved.api");
    put("Optional/U/gone.api");      // not loaded at all

    QStringList got = captions(qv::plugInsNotLoaded(kReader));
    got.sort();
    EXPECT_EQ(got, QStringList({"gone.api", "moved.api"}));
}

TEST_F(PlugInSearch, LinkLoopingBackIntoTheTreeIsSearchedOnce)
{
    put("plug_ins/S/a.api");
    ASSERT_TRUE(QFile::link(QStringLiteral(".."), host("plug_ins/S/up")));

    const auto items = qv::findPlugInFiles(kReader + "\\plug_ins\\", "*.api", true);
    EXPECT_EQ(captions(items), QStringList({"a.api"}));
}

TEST_F(PlugInSearch, WithoutRecursionOnlyTheFolderItself)
{
    put("plug_ins/top.api");
    put("plug_ins/S/a.api");
    EXPECT_EQ(captions(qv::findPlugInFiles(kReader + "\\plug_ins\\", "*.api", false)), QStringList({"top.api"}));
}

TEST_F(PlugInSearch, EveryPlugInListedUnloadsAllButEwh32AndSearch)
{
    const QStringList all = {"EWH32.api", "EWH32.ini", "search.api", "search.dat", "A.api", "A.ini", "readme.txt",
                             ".H\\h.api", "S\\c.api", "S\\T\\d.dll"};
    for (const QString &f : all)
        put("plug_ins/" + QString(f).replace('\\', '/'));
    QStringList listed;
    for (const auto &i : qv::plugInsNotLoaded(kReader))
        listed << qv::pathBelowPlugInFolders(kReader, i.path);

    QStringList got = qv::plugInFilesToUnload(kReader, listed);
    got.sort();
    EXPECT_EQ(got, QStringList({".H\\h.api", "A.api", "A.ini", "S\\T\\d.dll", "S\\c.api", "readme.txt"}));
}

TEST_F(PlugInSearch, APlugInLeftOffTheListStaysWithWhatItMayNeed)
{
    for (const char *f : {"EWH32.api", "A.api", "A.ini", "B.api", "B.ini", "readme.txt", "S/c.api", "S/c.dat",
                          "S/e.api", "S/shared.bin", "S/T/d.dll", "U/u.api", "U/u.dat", "U/V/w.dll",
                          ".H/h.api", "Docs/readme.txt"})
        put(QStringLiteral("plug_ins/") + f);

    // B (top) and e (in S) were taken off the list; EWH32 listed but always kept.
    // What the list cannot show (.H, Docs) stays too, as the list is no longer whole.
    QStringList got = qv::plugInFilesToUnload(kReader, {"EWH32.api", "A.api", "S\\c.api", "U\\u.api"});
    got.sort();
    EXPECT_EQ(got, QStringList({"A.api", "A.ini", "S\\c.api", "S\\c.dat", "U\\V\\w.dll", "U\\u.api", "U\\u.dat"}));
    // Listed paths are compared without regard to case; an empty list unloads nothing.
    EXPECT_EQ(qv::plugInFilesToUnload(kReader, {"a.API"}), QStringList({"A.api", "A.ini"}));
    EXPECT_TRUE(qv::plugInFilesToUnload(kReader, {}).isEmpty());
}

TEST(PlugInBringBack, TopLevelPlugInComesBackWithItsCompanions)
{
    const auto plan = qv::planBringBack(kReader, kReader + "\\Optional\\X.api");
    EXPECT_FALSE(plan.alreadyLoaded);
    EXPECT_EQ(plan.source, kReader + "\\Optional\\X.*");
    EXPECT_EQ(plan.target, kReader + "\\plug_ins");

    // Dots in the name keep everything up to the extension.
    EXPECT_EQ(qv::planBringBack(kReader, kReader + "\\Optional\\a.b.API").source, kReader + "\\Optional\\a.b.*");
}

TEST(PlugInBringBack, SubFolderPlugInBringsItsWholeTopSubFolder)
{
    for (const QString &below : {QStringLiteral("S\\a.api"), QStringLiteral("S\\deep\\a.api")}) {
        const auto plan = qv::planBringBack(kReader, kReader + "\\Optional\\" + below);
        EXPECT_FALSE(plan.alreadyLoaded);
        EXPECT_EQ(plan.source, kReader + "\\Optional\\S\\*.*") << below.toStdString();
        EXPECT_EQ(plan.target, kReader + "\\plug_ins\\S") << below.toStdString();
    }
}

TEST(PlugInBringBack, PlugInAlreadyInPlugInsNeedsNoCopy)
{
    EXPECT_TRUE(qv::planBringBack(kReader, kReader + "\\plug_ins\\X.api").alreadyLoaded);
    EXPECT_TRUE(qv::planBringBack(kReader, kReader + "\\PLUG_INS\\S\\X.api").alreadyLoaded);
    // A path outside both folders gives nothing to copy either way.
    const auto plan = qv::planBringBack(kReader, "C:\\elsewhere\\X.api");
    EXPECT_FALSE(plan.alreadyLoaded);
    EXPECT_TRUE(plan.source.isEmpty());
}

} // namespace
