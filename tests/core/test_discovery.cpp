// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QPair>
#include <gtest/gtest.h>

#include "core/discovery.h"
#include "support/testprefix.h"

TEST(StartupLanguage, ThirdAndFourthCharactersOfTheCodeChooseTheLanguage)
{
    const QPair<const char *, const char *> cases[] = {
        {"040C", "French"}, {"0C0A", "Spanish"}, {"0407", "German"},   {"0816", "Portuguese"},
        {"0416", "Portuguese"}, {"0411", "Japanese"}, {"0410", "Italian"}, {"0409", "English"},
        {"0804", "English"}, {"040c", "English"}, {"04", "English"}, {"X", "English"},
    };
    for (const auto &[code, language] : cases)
        EXPECT_EQ(qv::languageFromCodes(code, "0000040C"), language) << code;
    // The fallback is laid out as eight digits; its last four carry the language.
    EXPECT_EQ(qv::languageFromCodes({}, "00000407"), "German");
    EXPECT_EQ(qv::languageFromCodes({}, "0410"), "Italian");
    EXPECT_EQ(qv::languageFromCodes({}, {}), "English");
}

namespace {
const QString kReader = "Software\\Adobe\\Acrobat Reader";
}

TEST(Discovery, AsksOneQuestionAtATimeAndUsesOnlyTheAnswersItNeeds)
{
    TestPrefix prefix;
    prefix.writeHive("system.reg", HiveText()
                                       .key(kReader + "\\6.0\\InstallPath").str("", "C:\\A6")
                                       .key(kReader + "\\7.0\\AVGeneral").dword("x", 1));
    // Two versions: the version is asked first, proposing the last one.
    qv::Discovery d = qv::discoverReader();
    ASSERT_TRUE(d.question.has_value());
    EXPECT_EQ(d.question->kind, qv::DiscoveryQuestion::Version);
    EXPECT_EQ(d.question->proposal, "7.0");
    EXPECT_EQ(d.reader.versionsFound, QStringList({"6.0", "7.0"}));
    EXPECT_FALSE(d.memo.has_value());

    // 6.0 has its folder in the registry: a folder answer is not used.
    d = qv::discoverReader({QString("6.0"), QString("D:\\Elsewhere")});
    ASSERT_TRUE(d.complete()) << d.error.toStdString();
    EXPECT_EQ(d.reader.folder, "C:\\A6");
    EXPECT_EQ(*d.memo, QStringList({"Adobe Reader v6.0 selected", "Ready."}));

    // 7.0 has none: the folder is asked next, and the answer loses its closing backslash.
    d = qv::discoverReader({QString("7.0"), std::nullopt});
    ASSERT_TRUE(d.question.has_value());
    EXPECT_EQ(d.question->kind, qv::DiscoveryQuestion::Folder);
    EXPECT_EQ(d.reader.version, "7.0");
    d = qv::discoverReader({QString("7.0"), QString("D:\\Reader\\")});
    ASSERT_TRUE(d.complete());
    EXPECT_EQ(d.reader.folder, "D:\\Reader");
}

TEST(Discovery, AnErrorKeepsWhatWasFoundBeforeIt)
{
    TestPrefix prefix;
    prefix.writeHive("system.reg",
                     HiveText()
                         .key(kReader + "\\9.0\\InstallPath").str("", "C:\\R")
                         .key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                         .dword("Common Programs", 1));
    const qv::Discovery d = qv::discoverReader();
    EXPECT_EQ(d.error, "Invalid data type for 'Common Programs'");
    EXPECT_FALSE(d.question.has_value());
    EXPECT_EQ(d.reader.version, "9.0");
    EXPECT_EQ(d.reader.folder, "C:\\R");
    EXPECT_EQ(*d.memo, QStringList({"Adobe Reader v9.0 installed.", "Ready."}));
}
