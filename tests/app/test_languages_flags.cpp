// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QTest>
#include <gtest/gtest.h>

#include "app/languages.h"
#include "mainform.h"
#include "platform/application.h"
#include "test_languages_texts.h"
#include "test_startup_support.h"

namespace {

const char *const kJapaneseTitle = "Adobe Readerの起動を高速化するソフト";

struct Flag
{
    const char *image;
    const char *language;
};

// Each flag picture and the language its click must switch to.
const Flag kFlags[] = {
    {"Image14", "French"}, {"Image2", "German"},  {"Image15", "English"}, {"Image16", "English"},
    {"Image13", "Spanish"}, {"Image3", "Italian"}, {"Image4", "Portuguese"}, {"Image5", "Japanese"},
};

const ExpectedLanguage &expected(const char *language)
{
    for (const ExpectedLanguage &e : kExpectedLanguages) {
        if (QByteArray(e.name) == language)
            return e;
    }
    throw std::logic_error(language);
}

class FlagTest : public ::testing::Test
{
protected:
    FlagTest() : form(nullptr, false)
    {
        qv::setApplicationTitle(QStringLiteral("Quorvane 3.01"));
        form.show();
    }
    ~FlagTest() override { form.hide(); }

    void click(const char *image)
    {
        QWidget *flag = form.findChild<QWidget *>(QLatin1String(image));
        ASSERT_NE(flag, nullptr) << image;
        QTest::mouseClick(flag, Qt::LeftButton, {}, QPoint(8, 8));
    }

    QStringList captions() const
    {
        QStringList out;
        for (const char *name : qv::kSwitchedControls)
            out << form.findChild<QWidget *>(QLatin1String(name))->property("Caption").toString();
        return out;
    }

    void expectCaptions(const ExpectedLanguage &e) const
    {
        const QStringList shown = captions();
        for (int i = 0; i < 13; ++i)
            EXPECT_EQ(shown[i], QString::fromUtf8(e.captions[i])) << qv::kSwitchedControls[i];
    }

    void expectTitles(const char *title) const
    {
        EXPECT_EQ(form.windowTitle(), QString::fromUtf8(title));
        EXPECT_EQ(qv::applicationTitle(), QString::fromUtf8(title));
        // A display name of its own would be appended by X11 to the caption
        // of every dialog (input boxes, questions, the closing dialog).
        EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    }

    TForm1 form;
};

} // namespace

TEST_F(FlagTest, EachFlagShowsItsLanguageInEveryCaption)
{
    for (const Flag &flag : kFlags) {
        SCOPED_TRACE(flag.image);
        // Start from Japanese so that every switch has something to change.
        click("Image5");
        click(flag.image);
        const ExpectedLanguage &e = expected(flag.language);
        EXPECT_EQ(form.Language, QString::fromUtf8(flag.language));
        expectCaptions(e);
        // Spanish keeps the caption and title it found; here the Japanese ones.
        expectTitles(e.title ? e.title : kJapaneseTitle);
    }
}

TEST_F(FlagTest, SpanishKeepsWhateverTitleItFinds)
{
    click("Image14");
    click("Image13");
    expectTitles("Quorvane 3.01");
    click("Image5");
    click("Image13");
    expectTitles(kJapaneseTitle);
    EXPECT_EQ(form.Language, QStringLiteral("Spanish"));
    EXPECT_EQ(captions().last(), QStringLiteral("Restore"));
    click("Image13"); // the same flag again changes nothing
    expectCaptions(expected("Spanish"));
    expectTitles(kJapaneseTitle);
}

TEST_F(FlagTest, BothEnglishFlagsGiveTheLayoutsOwnTexts)
{
    const QStringList layout = captions();
    const QString layoutTitle = form.windowTitle();
    for (const char *english : {"Image15", "Image16"}) {
        SCOPED_TRACE(english);
        click("Image5");
        click(english);
        EXPECT_EQ(captions(), layout);
        EXPECT_EQ(form.windowTitle(), layoutTitle);
        EXPECT_EQ(form.Language, QStringLiteral("English"));
    }
}

TEST_F(FlagTest, SwitchesLeaveTicksEnablingTheListAndTheMemoAlone)
{
    QList<QWidget *> boxes;
    for (int i = 1; i <= 11; ++i)
        boxes << form.findChild<QWidget *>(QStringLiteral("FlatCheckBox%1").arg(i));
    boxes[2]->setProperty("Checked", false);
    boxes[6]->setProperty("Checked", false);
    boxes[4]->setEnabled(false);
    form.ListView1->addItem(QStringLiteral("Annotations"));
    form.Memo->setPlainText(QStringLiteral("Ready."));

    auto snapshot = [&] {
        QStringList state;
        for (QWidget *w : form.findChildren<QWidget *>()) {
            const QRect g = w->geometry();
            state << QStringLiteral("%1 %2,%3 %4x%5 %6 %7")
                         .arg(w->objectName())
                         .arg(g.x())
                         .arg(g.y())
                         .arg(g.width())
                         .arg(g.height())
                         .arg(w->property("Checked").toString())
                         .arg(w->isEnabled());
        }
        return state;
    };
    const QStringList before = snapshot();
    for (int round = 0; round < 2; ++round) {
        for (const Flag &flag : kFlags)
            click(flag.image);
    }
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(form.ListView1->count(), 1);
    EXPECT_EQ(form.Memo->toPlainText(), QStringLiteral("Ready."));
}

namespace {

struct StartUpLanguage : ::testing::Test, StartupFixture
{
    std::unique_ptr<TForm1> startWith(const char *installLanguage)
    {
        prefix.machine(QStringLiteral("System\\CurrentControlSet\\Control\\Nls\\Language"),
                       sz(QStringLiteral("InstallLanguage"), QString::fromLatin1(installLanguage)));
        prefix.machine(QStringLiteral("Software\\Adobe\\Acrobat Reader\\7.0\\InstallPath"), sz({}, "C:\\Reader"));
        qv::setApplicationTitle(QStringLiteral("Quorvane 3.01"));
        return start();
    }
};

QStringList shownCaptions(const TForm1 &form)
{
    QStringList out;
    for (const char *name : qv::kSwitchedControls)
        out << form.findChild<QWidget *>(QLatin1String(name))->property("Caption").toString();
    return out;
}

QStringList expectedCaptions(const char *language)
{
    QStringList out;
    for (const char *text : expected(language).captions)
        out << QString::fromUtf8(text);
    return out;
}

} // namespace

TEST_F(StartUpLanguage, TheDetectedLanguageIsSwitchedToBeforeTheWindowShows)
{
    auto japanese = startWith("0411");
    EXPECT_EQ(shownCaptions(*japanese), expectedCaptions("Japanese"));
    EXPECT_EQ(japanese->windowTitle(), QString::fromUtf8(kJapaneseTitle));
    EXPECT_EQ(qv::applicationTitle(), QString::fromUtf8(kJapaneseTitle));
}

TEST_F(StartUpLanguage, SpanishStartKeepsTheProgramsOwnTitle)
{
    auto spanish = startWith("0C0A");
    EXPECT_EQ(shownCaptions(*spanish), expectedCaptions("Spanish"));
    EXPECT_EQ(spanish->windowTitle(), QStringLiteral("Quorvane 3.01"));
    EXPECT_EQ(qv::applicationTitle(), QStringLiteral("Quorvane 3.01"));
}
