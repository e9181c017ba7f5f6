// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/demoprefix.h"
#include "test_startup_support.h"

namespace {

const QString kReader = "Software\\Adobe\\Acrobat Reader";
const QString kLanguage = "System\\CurrentControlSet\\Control\\Nls\\Language";
const QString kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const QString kInternational = "Control Panel\\International";

struct StartupSteps : StartupFixture
{
    void installed(const QString &version, const QString &folder = {})
    {
        if (folder.isEmpty())
            prefix.machine(kReader + "\\" + version + "\\AVGeneral", "\"x\"=dword:00000001");
        else
            prefix.machine(kReader + "\\" + version + "\\InstallPath", sz({}, folder));
    }
    static QStringList lines(const TForm1 &f) { return f.Memo->Lines(); }
};

// Every case twice: FormCreate run on a built window, and the window that
// starts itself as the program's does, whose discovery runs beside the
// building of its layout.
struct Startup : ::testing::TestWithParam<bool>, StartupSteps
{
    std::unique_ptr<TForm1> start(int year = 2012) { return StartupSteps::start(year, GetParam()); }
};
INSTANTIATE_TEST_SUITE_P(, Startup, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "AsTheProgram" : "FormCreate"; });

// The year comes from a clock only a window built without its start-up takes.
struct StartupNotice : ::testing::Test, StartupSteps
{
};

} // namespace

TEST_P(Startup, InstallLanguageFromTheMachineDecides)
{
    prefix.machine(kLanguage, sz("InstallLanguage", "040C"));
    // Never read while InstallLanguage is there: a wrong type here would be an error.
    prefix.users(kInternational, "\"Locale\"=dword:00000407");
    installed("7.0", "C:\\Reader");
    auto f = start();
    EXPECT_EQ(f->Language, "French");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
}

TEST_P(Startup, LocaleIsReadWhenInstallLanguageIsEmptyOrMissing)
{
    prefix.machine(kLanguage, sz("InstallLanguage", ""));
    prefix.users(kInternational, sz("Locale", "00000410"));
    installed("7.0", "C:\\Reader");
    EXPECT_EQ(start()->Language, "Italian");
}

TEST_P(Startup, LocaleIsReadWhenTheLanguageKeyIsMissing)
{
    prefix.users(kInternational, sz("Locale", "00000411"));
    installed("7.0", "C:\\Reader");
    EXPECT_EQ(start()->Language, "Japanese");
}

TEST_P(Startup, SingleVersionIsTakenWithoutAQuestion)
{
    installed("7.0", "C:\\Program Files\\Adobe\\Acrobat 7.0\\Reader");
    prefix.file("Program Files\\Adobe\\Acrobat 7.0\\Reader\\plug_ins\\Annots.api");
    auto f = start();
    ASSERT_EQ(f->ListView1->count(), 1);
    EXPECT_EQ(f->ListView1->item(0)->text(), "Annots.api");
    EXPECT_TRUE(dialogs.inputs.isEmpty());
    EXPECT_EQ(f->ReaderVersion, "7.0");
    EXPECT_EQ(f->ReaderFolder, "C:\\Program Files\\Adobe\\Acrobat 7.0\\Reader");
    EXPECT_EQ(lines(*f), QStringList({"Adobe Reader v7.0 installed.", "Ready."}));
}

TEST_P(Startup, TwoVersionsAskWithTheLastAsProposal)
{
    installed("6.0", "C:\\A6");
    installed("7.0", "C:\\A7");
    struct Case
    {
        std::optional<QString> answer;
        QString version, folder;
    };
    const Case cases[] = {
        {std::nullopt, "7.0", "C:\\A7"}, // Cancel keeps the proposal
        {QString("6.0"), "6.0", "C:\\A6"},
        {QString("8.0"), "7.0", "C:\\A7"}, // not installed: the last one is worked on
        {QString(""), "7.0", "C:\\A7"},
    };
    for (const Case &c : cases) {
        dialogs.inputs.clear();
        dialogs.answers = {c.answer};
        auto f = start();
        ASSERT_EQ(dialogs.inputs.size(), 1);
        EXPECT_EQ(dialogs.inputs[0].caption, "Choose a version");
        EXPECT_EQ(dialogs.inputs[0].prompt,
                  "More than one Adobe Reader has been installed, please choose a version to be accelerated");
        EXPECT_EQ(dialogs.inputs[0].def, "7.0");
        EXPECT_EQ(f->ReaderVersion, c.version);
        EXPECT_EQ(f->ReaderFolder, c.folder);
        // The memo names the version actually worked on, never one that is not.
        EXPECT_EQ(lines(*f), QStringList({"Adobe Reader v" + c.version + " selected", "Ready."}));
    }
}

TEST_P(Startup, NoVersionCancelledTakesTheDefaultAndAsksForTheFolder)
{
    dialogs.answers = {std::nullopt, std::nullopt};
    auto f = start();
    ASSERT_EQ(dialogs.inputs.size(), 2);
    EXPECT_EQ(dialogs.inputs[0].caption, "Confirmation");
    EXPECT_EQ(dialogs.inputs[0].prompt, "No Adobe Reader has been found, please enter your Adobe Reader version");
    EXPECT_EQ(dialogs.inputs[0].def, "6.0");
    EXPECT_EQ(dialogs.inputs[1].caption, "Where Adobe Reader is installed?");
    EXPECT_EQ(dialogs.inputs[1].prompt, "Install Directory: ");
    EXPECT_EQ(f->ReaderVersion, "6.0");
    EXPECT_EQ(f->ReaderFolder, "C:\\Program Files\\Adobe\\Acrobat 6.0\\Reader");
    EXPECT_EQ(lines(*f), QStringList({"Adobe Reader v6.0 selected", "Ready."}));
}

TEST_P(Startup, NoVersionKeyAtAllWithAnEmptiedField)
{
    dialogs.answers = {QString(""), QString("D:\\Reader\\")};
    auto f = start();
    ASSERT_EQ(dialogs.inputs.size(), 2); // the folder is asked: the empty version found no InstallPath
    EXPECT_EQ(f->ReaderVersion, "6.0");
    EXPECT_EQ(f->ReaderFolder, "D:\\Reader"); // without its closing backslash
    EXPECT_EQ(lines(*f), QStringList({"Adobe Reader v6.0 selected", "Ready."}));
}

TEST_P(Startup, EmptiedFolderFieldStaysEmpty)
{
    dialogs.answers = {std::nullopt, QString("")};
    auto f = start();
    EXPECT_EQ(f->ReaderFolder, "");
}

TEST_P(Startup, ShellFoldersComeFromTheMachineOnlyAndGreyMissingTargets)
{
    installed("9.0", "C:\\Program Files\\Adobe\\Reader 9.0\\Reader");
    prefix.machine(kShellFolders, sz("Common Programs", "C:\\ProgramData\\Programs"));
    prefix.machine(kShellFolders, sz("Common Desktop", "C:\\users\\Public\\Desktop"));
    prefix.user(kShellFolders, sz("Personal", "C:\\users\\me\\Documents"));
    prefix.folder("users\\Public\\Desktop");
    prefix.file("users\\Public\\Desktop\\Adobe Reader 9.0.lnk");
    auto f = start();
    EXPECT_EQ(f->CommonProgramsFolder, "C:\\ProgramData\\Programs");
    EXPECT_EQ(f->CommonDesktopFolder, "C:\\users\\Public\\Desktop");
    EXPECT_EQ(f->PersonalFolder, "");
    EXPECT_TRUE(f->ReaderDesktopIconFound);
    EXPECT_FALSE(f->PrintMeFolderFound);
    EXPECT_TRUE(f->FlatCheckBox6->isEnabled());
    // Nothing to remove: greyed, but still ticked.
    EXPECT_FALSE(f->FlatCheckBox5->isEnabled());
    EXPECT_TRUE(f->FlatCheckBox5->Checked());
}

TEST_P(Startup, PrintMeGroupFoundAndDesktopShortcutMissing)
{
    installed("9.0", "C:\\R");
    prefix.machine(kShellFolders, sz("Common Programs", "C:\\Programs"));
    prefix.machine(kShellFolders, sz("Common Desktop", "C:\\Desktop"));
    prefix.machine(kShellFolders, sz("Personal", "C:\\Docs"));
    prefix.folder("Programs\\PrintMe Internet Printing");
    prefix.file("Desktop\\Adobe Reader 6.0.lnk"); // another version's shortcut
    auto f = start();
    EXPECT_EQ(f->PersonalFolder, "C:\\Docs");
    EXPECT_TRUE(f->PrintMeFolderFound);
    EXPECT_TRUE(f->FlatCheckBox5->isEnabled());
    EXPECT_FALSE(f->ReaderDesktopIconFound);
    EXPECT_FALSE(f->FlatCheckBox6->isEnabled());
    EXPECT_TRUE(f->FlatCheckBox6->Checked());
}

TEST_F(StartupNotice, YearInTheNotice)
{
    installed("9.0", "C:\\R");
    const QString stored = start(2012)->Label1->text();
    ASSERT_TRUE(stored.contains("2012"));
    EXPECT_EQ(start(2011)->Label1->text(), stored);
    const QString later = start(2026)->Label1->text();
    EXPECT_FALSE(later.contains("2012"));
    EXPECT_EQ(later, QString(stored).replace("2012", "2026"));
}

TEST_P(Startup, WrongValueTypeEndsDiscoveryWithTheErrorAndTheWindowStillOpens)
{
    installed("9.0", "C:\\R");
    prefix.machine(kShellFolders, "\"Common Programs\"=dword:00000001");
    prefix.machine(kShellFolders, sz("Common Desktop", "C:\\Desktop"));
    auto f = start(2026);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "Invalid data type for 'Common Programs'");
    EXPECT_EQ(f->ReaderFolder, "C:\\R"); // done before stays done
    EXPECT_EQ(f->ReaderVersion, "9.0");
    // Later steps skipped: boxes untouched, year not updated.
    EXPECT_TRUE(f->FlatCheckBox5->isEnabled());
    EXPECT_TRUE(f->Label1->text().contains("2012"));
    f->show();
    EXPECT_TRUE(f->isVisible());
}

TEST_P(Startup, WrongTypeOfInstallLanguageIsShownToo)
{
    prefix.machine(kLanguage, "\"InstallLanguage\"=dword:0000040c");
    installed("7.0", "C:\\R");
    auto f = start();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "Invalid data type for 'InstallLanguage'");
    EXPECT_EQ(f->Language, "English");
    EXPECT_EQ(f->ReaderVersion, "");
}

TEST(StartupOnTheSamplePrefix, FindsReaderNineAndEveryTarget)
{
    // The demo's prefix must read as a real installation: no question, both
    // shortcut options available.
    QTemporaryDir tmp;
    const QString problem = makeDemoPrefix(tmp.filePath("prefix"), {"--language", "0407"});
    ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    qv::WinePrefix::setCurrent(tmp.filePath("prefix"));
    FakeDialogs dialogs;
    qv::Dialogs::setInstance(&dialogs);
    TForm1 form(nullptr, false);
    form.yearSource = [] { return 2026; };
    form.FormCreate();
    qv::Dialogs::setInstance(nullptr);
    EXPECT_TRUE(dialogs.inputs.isEmpty());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
    EXPECT_EQ(form.Language, "German");
    EXPECT_EQ(form.ReaderVersion, "9.0");
    EXPECT_EQ(form.ReaderFolder, "C:\\Program Files\\Adobe\\Reader 9.0\\Reader");
    EXPECT_EQ(form.PersonalFolder, "C:\\users\\ann\\Documents");
    EXPECT_TRUE(form.PrintMeFolderFound);
    EXPECT_TRUE(form.ReaderDesktopIconFound);
    EXPECT_TRUE(form.FlatCheckBox5->isEnabled());
    EXPECT_TRUE(form.FlatCheckBox6->isEnabled());
}
