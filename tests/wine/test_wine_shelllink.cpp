// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Shell links we write, read back by Wine's own shell link object.

#include <QDir>
#include <QFile>
#include <cstdio>
#include <gtest/gtest.h>

#include "core/readerhelpers.h"
#include "platform/shelllink.h"
#include "wineloop.h"

class WineShellLink : public WineTest
{
};

TEST_F(WineShellLink, LinksWeWriteReadBackThroughIShellLinkW)
{
    const QString linkFolder = wine->prefix() + QStringLiteral("/drive_c/qvlinks");
    QDir(linkFolder).removeRecursively();
    QDir().mkpath(linkFolder);
    // A target that exists, so its attributes, times and size go into the link too.
    const QString readerDir = wine->prefix() + QStringLiteral("/drive_c/Program Files/Adobe/Reader 9.0/Reader");
    QDir().mkpath(readerDir);
    QFile exe(readerDir + QStringLiteral("/AcroRd32.exe"));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.write("MZ");
    exe.close();

    struct Link
    {
        QString file, path, arguments, workingFolder, description;
    };
    const QList<Link> links = {
        {"reader.lnk", "C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\AcroRd32.exe", "/n \"C:\\doc one.pdf\"",
         "C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\", "Adobe Reader 9.0"},
        {"unicode.lnk", QStringLiteral("C:\\Prögrämme\\Lesen.exe"), QStringLiteral("--lang=日本語 ü"),
         QStringLiteral("C:\\Prögrämme\\日本"), QStringLiteral("Grüße – 日本語 😀")},
        {"bare.lnk", "C:\\windows\\notepad.exe", "", "", ""},
        {"long.lnk", "D:\\Reader\\AcroRd32.exe", QString(200, QLatin1Char('a')), "D:\\Reader",
         QStringLiteral("Long ") + QString(250, QLatin1Char('d'))},
    };
    QStringList requests, expected;
    for (const Link &l : links) {
        qv::ShellLink link;
        link.setPath(l.path);
        link.setArguments(l.arguments);
        link.setDescription(l.description);
        link.setWorkingDirectory(l.workingFolder);
        ASSERT_TRUE(link.save(QStringLiteral("C:\\qvlinks\\") + l.file)) << l.file.toStdString();
        requests << hexText(QStringLiteral("C:\\qvlinks\\") + l.file);
        expected << QStringList{QStringLiteral("ok"), hexText(l.path), hexText(l.arguments), hexText(l.workingFolder),
                                hexText(l.description)}
                        .join(QLatin1Char(' '));
    }
    // And one the way Restore writes the desktop shortcut: the working folder
    // is the target's own, with its closing backslash.
    QString written;
    CreateShortcut(links[0].path, slFolder, QStringLiteral("C:\\qvlinks"), QString(), QString(),
                   QStringLiteral("Adobe Reader"), written);
    EXPECT_EQ(written, QStringLiteral("C:\\qvlinks\\AcroRd32.lnk"));
    requests << hexText(written);
    expected << QStringList{QStringLiteral("ok"), hexText(links[0].path), QStringLiteral("-"),
                            hexText(links[0].workingFolder), hexText(QStringLiteral("Adobe Reader"))}
                    .join(QLatin1Char(' '));

    const QStringList answers = wine->ask(QStringLiteral("qvlink"), requests);
    int agree = 0;
    for (qsizetype i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(answers[i].toStdString(), expected[i].toStdString()) << textFromHex(requests[i]).toStdString();
        agree += answers[i] == expected[i];
    }
    std::printf("[   WINE   ] shell links, ours read by Wine: %d of %d agree\n", agree, int(requests.size()));

    // A path beyond the ANSI code page: the link carries it in LinkInfo's
    // Unicode field, which Windows reads (MS-SHLLINK 2.3); Wine 8 reads only
    // the ANSI copy (dlls/shell32/shelllink.c, Stream_LoadLocation), so there
    // Windows is the one we follow, and our own reader shows what it reads.
    const QString cjk = QStringLiteral("C:\\日本\\Reader.exe");
    qv::ShellLink link;
    link.setPath(cjk);
    ASSERT_TRUE(link.save(QStringLiteral("C:\\qvlinks\\cjk.lnk")));
    QFile saved(linkFolder + QStringLiteral("/cjk.lnk"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const auto reread = qv::ShellLink::fromBytes(saved.readAll());
    ASSERT_TRUE(reread.has_value());
    EXPECT_EQ(reread->path(), cjk);
    const QString wineAnswer = wine->ask(QStringLiteral("qvlink"), {hexText(QStringLiteral("C:\\qvlinks\\cjk.lnk"))}).value(0);
    EXPECT_NE(wineAnswer.section(QLatin1Char(' '), 1, 1), hexText(cjk)) << "Wine now reads the Unicode path";
    std::printf("[   WINE   ] shell link with a path beyond the ANSI code page: Wine reads %s, Windows %s\n",
                textFromHex(wineAnswer.section(QLatin1Char(' '), 1, 1)).toUtf8().constData(), cjk.toUtf8().constData());
}
