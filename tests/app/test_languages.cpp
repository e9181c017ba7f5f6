// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "app/languages.h"

TEST(LanguageTables, BlankRunsQuotesAndQuestionMarkAreKept)
{
    // The plug-in list label pads its arrow with a run of blanks whose
    // length differs by language; every other caption has single blanks.
    const int runs[] = {8, 4, 6, 4, 5, 5, 4};
    const QRegularExpression blankRun(QStringLiteral(" +"));
    for (int l = 0; l < 7; ++l) {
        const auto texts = qv::mainWindowTexts(QString::fromUtf8(qv::kLanguageNames[l]));
        ASSERT_TRUE(texts.has_value());
        for (int i = 0; i < 13; ++i) {
            SCOPED_TRACE(std::string(qv::kLanguageNames[l]) + " " + qv::kSwitchedControls[i]);
            int longest = 0;
            for (auto m = blankRun.globalMatch(texts->captions[i]); m.hasNext();)
                longest = std::max<int>(longest, m.next().capturedLength());
            EXPECT_EQ(longest, i == 10 ? runs[l] : (texts->captions[i].contains(u' ') ? 1 : 0));
            EXPECT_EQ(texts->captions[i], texts->captions[i].trimmed());
        }
    }
    const auto japanese = qv::mainWindowTexts(QStringLiteral("Japanese"));
    EXPECT_TRUE(japanese->captions[1].contains(u'?'));
    EXPECT_FALSE(japanese->captions[1].contains(QChar(0xFF1F)));
    const auto english = qv::mainWindowTexts(QStringLiteral("English"));
    EXPECT_EQ(english->captions[2].count(u'"'), 4);
}

TEST(LanguageTables, NamesMatchExactlyOrNotAtAll)
{
    for (const char *name : {"", "english", "JAPANESE", "French ", "Deutsch", "日本語"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(qv::mainWindowTexts(QString::fromUtf8(name)).has_value());
    }
}
