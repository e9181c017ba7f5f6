// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <ctime>
#include <unistd.h>

#include "platform/calendar.h"
#include "platform/filesystem.h"
#include "support/faults.h"
#include "support/tempdir.h"
#include "support/testprefix.h"

using namespace qv;

namespace {

QStringList names(const std::vector<FoundEntry> &entries)
{
    QStringList out;
    for (const FoundEntry &e : entries)
        out << e.name;
    out.sort();
    return out;
}

int ioCode(const std::function<void()> &f)
{
    try {
        f();
    } catch (const InOutError &e) {
        return e.code();
    }
    return 0;
}

struct Files : ::testing::Test
{
    TestPrefix prefix;
    QString pluginsHost;
    void SetUp() override
    {
        pluginsHost = prefix.mkdir("C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\plug_ins");
        prefix.writeFile("C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\plug_ins\\EWH32.api", "x");
        prefix.writeFile("C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\plug_ins\\Search.API", "x");
        prefix.writeFile("C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\plug_ins\\EWH32", "x");
        prefix.writeFile("C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\plug_ins\\.hidden.api", "x");
        prefix.mkdir("C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\plug_ins\\Annotations");
    }
};

const char kPlugins[] = "c:\\program files\\adobe\\reader 9.0\\reader\\PLUG_INS";

} // namespace

TEST_F(Files, ExistenceAndDeletionTellFilesFromFolders)
{
    EXPECT_TRUE(fileExists(QString(kPlugins) + "\\ewh32.API"));
    EXPECT_FALSE(fileExists(kPlugins));
    EXPECT_TRUE(directoryExists(kPlugins));
    EXPECT_FALSE(directoryExists(QString(kPlugins) + "\\EWH32.api"));
    EXPECT_FALSE(fileExists("Q:\\nothing"));
    EXPECT_FALSE(directoryExists("\\\\server\\share"));

    EXPECT_FALSE(deleteFile(QString(kPlugins) + "\\Annotations"));
    EXPECT_TRUE(directoryExists(QString(kPlugins) + "\\Annotations"));
    EXPECT_TRUE(deleteFile(QString(kPlugins) + "\\search.api"));
    EXPECT_FALSE(QFile::exists(pluginsHost + "/Search.API"));
    EXPECT_FALSE(deleteFile(QString(kPlugins) + "\\search.api"));
}

TEST_F(Files, SearchMaskDecidesWhichEntriesCount)
{
    // Everything that is not a folder (hidden files included).
    EXPECT_EQ(names(findFiles(QString(kPlugins) + "\\*.*", faAnyFile & ~faDirectory)),
              QStringList({".hidden.api", "EWH32", "EWH32.api", "Search.API"}));
    // Nothing hidden, system or a volume label: folders, "." and ".." count.
    EXPECT_EQ(names(findFiles(QString(kPlugins) + "\\*.*", faAnyFile & ~(faHidden | faSysFile | faVolumeId))),
              QStringList({".", "..", "Annotations", "EWH32", "EWH32.api", "Search.API"}));
    EXPECT_EQ(names(findFiles(QString(kPlugins) + "\\*.API", 0)), QStringList({"EWH32.api", "Search.API"}));
    EXPECT_EQ(names(findFiles(QString(kPlugins) + "\\ewh32.*", 0)), QStringList({"EWH32", "EWH32.api"}));
    EXPECT_EQ(names(findFiles(QString(kPlugins) + "\\S?arch.*", 0)), QStringList({"Search.API"}));
    // A lone trailing dot asks for names without an extension, as in the batch file operation.
    EXPECT_EQ(names(findFiles(QString(kPlugins) + "\\*.", faAnyFile & ~(faHidden | faSysFile | faVolumeId))),
              QStringList({".", "..", "Annotations", "EWH32"}));
    EXPECT_TRUE(findFiles("C:\\missing\\*.*", faAnyFile).empty());

    for (const FoundEntry &e : findFiles(QString(kPlugins) + "\\*", faAnyFile)) {
        if (e.name == "Annotations" || e.name == "." || e.name == "..")
            EXPECT_TRUE(e.attributes & faDirectory);
        else
            EXPECT_EQ(e.attributes & faDirectory, 0u) << e.name.toStdString();
        EXPECT_EQ(bool(e.attributes & faHidden), e.name == ".hidden.api") << e.name.toStdString();
    }
}

TEST_F(Files, WineDosAttributesMarkHiddenAndSystemFiles)
{
    const QByteArray file = QFile::encodeName(pluginsHost + "/EWH32.api");
    if (::setxattr(file.constData(), "user.DOSATTRIB", "0x26", 4, 0) != 0)
        GTEST_SKIP() << "this file system keeps no user attributes";
    const auto entries = findFiles(QString(kPlugins) + "\\EWH32.api", faAnyFile);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].attributes & (faHidden | faSysFile | faArchive), uint32_t(faHidden | faSysFile | faArchive));
    EXPECT_TRUE(findFiles(QString(kPlugins) + "\\EWH32.api", faAnyFile & ~faHidden).empty());
}

TEST_F(Files, TextFileWritesCrLfLinesAndReplaces)
{
    prefix.writeFile("C:\\marker.dat", "old content that is longer");
    TextFile f("c:\\MARKER.DAT");
    f.rewrite();
    f.writeLine("first");
    f.writeLine("\xe9t\xe9"); // single-byte text goes out as it is
    f.close();
    QFile host(prefix.host("C:\\marker.dat"));
    ASSERT_TRUE(host.open(QIODevice::ReadOnly));
    EXPECT_EQ(host.readAll(), QByteArray("first\r\n\xe9t\xe9\r\n"));
}

TEST_F(Files, TextFileFailuresCarryWindowsCodesAndMessages)
{
    EXPECT_EQ(ioCode([] { TextFile("C:\\no such folder\\x.dat").rewrite(); }), 3);
    prefix.writeFile("C:\\plain", "x");
    EXPECT_EQ(ioCode([] { TextFile("C:\\plain\\x.dat").rewrite(); }), 3);
    EXPECT_EQ(ioCode([] { TextFile("Q:\\x.dat").rewrite(); }), 3);
    EXPECT_EQ(ioCode([&] { TextFile(QString(kPlugins)).rewrite(); }), 5);
    // A full disk, through drive Z: (the host's root).
    EXPECT_EQ(ioCode([] {
                  TextFile f("Z:\\dev\\full");
                  f.rewrite();
                  f.writeLine("x");
              }),
              101);
    EXPECT_EQ(InOutError(3).message(), "Invalid filename");
    EXPECT_EQ(InOutError(101).message(), "Disk full");
    EXPECT_EQ(InOutError(106).message(), "Invalid numeric input");
    EXPECT_EQ(InOutError(32).message(), "I/O error 32");
    // A folder nobody may write, root included.
    faults::ReadOnlyMount readOnly(prefix.mkdir("C:\\readonly"));
    if (!readOnly.ok())
        GTEST_SKIP() << readOnly.why().toStdString();
    EXPECT_EQ(ioCode([] { TextFile("C:\\readonly\\x.dat").rewrite(); }), 5);
}

TEST_F(Files, TextFileNeverWritesThroughALinkPlantedInItsPlace)
{
    // The marker's place in the prefix holds a link out of it: to a file of
    // someone else's, and to a name that does not exist yet.
    TempDir outside;
    const QString theirs = outside.write("theirs.txt", "kept");
    const QString link = prefix.host("C:\\Wexmor.DAT");
    for (const QString &target : {theirs, outside.file("new.txt")}) {
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(target, link));
        EXPECT_NE(ioCode([] { TextFile("C:\\Wexmor.DAT").rewrite(); }), 0) << target.toStdString();
    }
    EXPECT_EQ(outside.read("theirs.txt"), "kept");
    EXPECT_FALSE(QFile::exists(outside.file("new.txt")));
}

TEST(LocalDate, YearIsTheCalendarYearOfTheLocalDate)
{
    // The C library's local time, as date(1) gives it; read on both sides
    // of the call, so a year that turns meanwhile cannot fail the test.
    auto year = [] {
        const time_t now = ::time(nullptr);
        struct tm local;
        return ::localtime_r(&now, &local) ? local.tm_year + 1900 : -1;
    };
    const int before = year();
    const int got = currentYear();
    const int after = year();
    EXPECT_TRUE(got == before || got == after) << got << " is neither " << before << " nor " << after;
}
