// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// quorvane-cli without --prefix: the prefixes it finds, the one it takes,
// and the refusal to guess between several.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include "support/demoprefix.h"
#include "support/fakehome.h"

TEST(CliPrefixes, ListsThePrefixesAndWorksOnTheOneThatHoldsAReader)
{
    FakeHome home;
    home.makePrefix(".wine");
    const QString bottle = home.file(".local/share/bottles/bottles/Reader");
    const QString problem = makeDemoPrefix(bottle);
    ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    home.write(".local/share/bottles/bottles/Reader/bottle.yml", "Name: Reader\nRunner: soda-7.0-9\n");

    const CliResult list = runCli({"prefixes", "--json"});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QJsonArray prefixes = QJsonDocument::fromJson(list.out.toUtf8()).object().value("prefixes").toArray();
    ASSERT_EQ(prefixes.size(), 2);
    const QJsonObject reader = prefixes.at(1).toObject();
    EXPECT_EQ(reader.value("manager").toString(), "Bottles");
    EXPECT_EQ(reader.value("folder").toString(), bottle);
    EXPECT_EQ(reader.value("reader_versions").toArray(), QJsonArray({"9.0"}));
    EXPECT_EQ(reader.value("wine").toObject().value("program").toString(),
              home.file(".local/share/bottles/runners/soda-7.0-9/bin/wine"));
    EXPECT_EQ(prefixes.at(0).toObject().value("reader_versions").toArray(), QJsonArray());

    // No --prefix and no WINEPREFIX: the one prefix with a Reader, not ~/.wine.
    const CliResult status = runCli({"status", "--json"});
    ASSERT_EQ(status.exitCode, 0) << status.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(status.out.toUtf8()).object().value("prefix").toString(), bottle);

    // A second one: no guess, the candidates and the way out instead.
    home.makePrefix(".PlayOnLinux/wineprefix/Old", {"7.0"});
    const CliResult ambiguous = runCli({"status"});
    EXPECT_EQ(ambiguous.exitCode, 1);
    for (const QString &part : {bottle + " (Adobe Reader 9.0)", home.file(".PlayOnLinux/wineprefix/Old (Adobe Reader 7.0)"),
                                QString("--prefix DIR")})
        EXPECT_TRUE(ambiguous.err.contains(part)) << ambiguous.err.toStdString();
    EXPECT_EQ(runCli({"--prefix", bottle, "status"}).exitCode, 0);
}
