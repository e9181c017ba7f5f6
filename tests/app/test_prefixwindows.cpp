// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The windows before the main window when no prefix is named: the chooser
// driven with keys and the mouse, the "none found" window and its folder
// choice, which of them start-up shows, and a Reader in a Bottles bottle
// optimized and started through the bottle's runner from start to end.

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/prefixwindows.h"
#include "app/test_optimize_support.h"
#include "platform/launchers.h"
#include "platform/ui/windowed.h"
#include "platform/wine/winestart.h"
#include "support/demoprefix.h"
#include "support/fakehome.h"

namespace {

std::vector<qv::ReaderPrefix> threePrefixes()
{
    std::vector<qv::ReaderPrefix> list(3);
    const char *managers[] = {"Bottles", "PlayOnLinux", "Lutris"};
    for (int i = 0; i < 3; ++i) {
        list[i].prefix = {managers[i], QString("Reader %1").arg(i), QString("/home/ann/prefix%1").arg(i)};
        list[i].readerVersions = {QString("%1.0").arg(7 + i)};
    }
    return list;
}

// Runs act on the next modal window start-up shows; a window that nothing
// is to act on is closed and counted, so no test hangs on one.
class ModalWatch
{
public:
    ModalWatch()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            m_timer.stop();
            if (m_act) {
                m_act(modal);
            } else {
                ++unexpected;
                static_cast<QDialog *>(modal)->reject();
            }
        });
    }
    // Replaces what was waiting for a window before.
    void onNext(std::function<void(QWidget *)> act)
    {
        m_act = std::move(act);
        m_timer.start();
    }
    int unexpected = 0;

private:
    QTimer m_timer;
    std::function<void(QWidget *)> m_act;
};

} // namespace

TEST(PrefixChooser, IsDrivenWithArrowsEnterEscAndTheMouse)
{
    const std::vector<qv::ReaderPrefix> list = threePrefixes();
    {
        qv::PrefixChooser chooser(list, "English");
        chooser.show();
        EXPECT_EQ(chooser.list()->topLevelItemCount(), 3);
        EXPECT_EQ(chooser.list()->headerItem()->text(0), "Manager");
        EXPECT_EQ(chooser.list()->topLevelItem(2)->text(2), "9.0");
        EXPECT_FALSE(chooser.list()->accessibleName().isEmpty());
        QTest::keyClick(chooser.list(), Qt::Key_Down);
        QTest::keyClick(chooser.list(), Qt::Key_Return);
        EXPECT_EQ(chooser.result(), QDialog::Accepted);
        EXPECT_EQ(chooser.chosenRoot(), "/home/ann/prefix1");
    }
    {
        qv::PrefixChooser chooser(list, "Japanese");
        chooser.show();
        EXPECT_EQ(chooser.windowTitle(), "Wine プレフィックスの選択");
        QTest::keyClick(chooser.list(), Qt::Key_Escape);
        EXPECT_EQ(chooser.result(), QDialog::Rejected);
        EXPECT_EQ(chooser.chosenRoot(), "");
    }
    {
        qv::PrefixChooser chooser(list, "English");
        chooser.show();
        QTreeWidget *tree = chooser.list();
        const QPoint row = tree->visualItemRect(tree->topLevelItem(2)).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, row);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, row);
        EXPECT_EQ(chooser.result(), QDialog::Accepted);
        EXPECT_EQ(chooser.chosenRoot(), "/home/ann/prefix2");
    }
}

TEST(PrefixChooser, SpeaksTheDesktopsLanguageAndKeepsItsColoursOnADarkTheme)
{
    EXPECT_EQ(qv::languageOfLocale(QLocale(QLocale::German, QLocale::Austria)), "German");
    EXPECT_EQ(qv::languageOfLocale(QLocale(QLocale::Portuguese, QLocale::Brazil)), "Portuguese");
    EXPECT_EQ(qv::languageOfLocale(QLocale(QLocale::Dutch)), "English");
    for (const char *language : {"English", "French", "German", "Spanish", "Portuguese", "Italian", "Japanese"}) {
        const qv::PrefixWindowTexts t = qv::prefixWindowTexts(language);
        EXPECT_TRUE(t.notAPrefix.contains("%1")) << language;
        EXPECT_FALSE(t.chooserPrompt.isEmpty() || t.noneMessage.isEmpty() || t.open.isEmpty()) << language;
    }
    EXPECT_EQ(qv::prefixWindowTexts("French").quit, "Quitter");

    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::Base, Qt::black);
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dark);
    qv::PrefixChooser chooser(threePrefixes(), "English");
    chooser.show();
    const QImage shot = chooser.list()->viewport()->grab().toImage();
    QApplication::setPalette(before);
    // Dark text on a light list, whatever the desktop's theme.
    EXPECT_EQ(chooser.list()->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_GT(qGray(shot.pixel(shot.width() - 3, shot.height() - 3)), 200);
}

TEST(NoPrefixWindow, OffersAFolderOfTheUsersChoiceOrDotWine)
{
    FakeHome home;
    const QString wine = home.makePrefix(".wine");
    const QString other = home.makePrefix("Windows/reader");
    QDir().mkpath(home.file("Documents"));
    RecordingDialogs dialogs;
    const QStringList places = {home.file(".wine"), home.file(".cxoffice/*")};

    qv::NoPrefixWindow window(places, wine, "German");
    window.show();
    EXPECT_EQ(window.windowTitle(), "Kein Adobe Reader gefunden");
    EXPECT_EQ(window.findChild<QLabel *>("PlacesLooked")->text(), places.join('\n'));
    ASSERT_NE(window.continueButton(), nullptr);
    // A folder that is not a prefix is refused, and the window stays.
    QStringList answers = {home.file("Documents"), other};
    window.pickFolder = [&](QWidget *, const QString &) { return answers.takeFirst(); };
    QTest::mouseClick(window.chooseButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains("ist kein Wine-Präfix")) << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(window.result(), 0);
    EXPECT_TRUE(window.isVisible());
    QTest::mouseClick(window.chooseButton(), Qt::LeftButton);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.chosenRoot(), other);

    // From the keyboard: Enter opens the folder dialog, Tab reaches "Continue with ~/.wine".
    qv::NoPrefixWindow goOn(places, wine, "English");
    goOn.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&goOn));
    int asked = 0;
    goOn.pickFolder = [&](QWidget *, const QString &caption) {
        ++asked;
        EXPECT_EQ(caption, "Choose the folder of a Wine prefix");
        return QString(); // cancelled: the window stays
    };
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(goOn.result(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), goOn.continueButton());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(goOn.result(), QDialog::Accepted);
    EXPECT_EQ(goOn.chosenRoot(), wine);

    qv::NoPrefixWindow without(places, QString(), "English");
    without.show();
    EXPECT_EQ(without.continueButton(), nullptr);
    QTest::keyClick(&without, Qt::Key_Escape);
    EXPECT_EQ(without.result(), QDialog::Rejected);
}

TEST(ChoosePrefix, AsksOnlyWhenThereIsAChoiceToMake)
{
    FakeHome home;
    ModalWatch watch;
    const QString bottle = home.makePrefix(".local/share/bottles/bottles/Reader", {"9.0"}, true);
    watch.onNext(nullptr); // nothing may be asked
    EXPECT_EQ(qv::choosePrefix("English"), bottle);

    const QString pol = home.makePrefix(".PlayOnLinux/wineprefix/Reader", {"7.0"});
    watch.onNext([](QWidget *w) {
        auto *chooser = qobject_cast<qv::PrefixChooser *>(w);
        ASSERT_NE(chooser, nullptr);
        QTest::keyClick(chooser->list(), Qt::Key_Down);
        QTest::keyClick(chooser->list(), Qt::Key_Return);
    });
    EXPECT_EQ(qv::choosePrefix("English"), pol);
    watch.onNext([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(qv::choosePrefix("English"), std::nullopt); // Cancel quits

    QDir(home.file(".local")).removeRecursively();
    QDir(home.file(".PlayOnLinux")).removeRecursively();
    const QString wine = home.makePrefix(".wine");
    watch.onNext([](QWidget *w) {
        auto *none = qobject_cast<qv::NoPrefixWindow *>(w);
        ASSERT_NE(none, nullptr);
        QTest::mouseClick(none->continueButton(), Qt::LeftButton);
    });
    EXPECT_EQ(qv::choosePrefix("English"), wine);
    EXPECT_EQ(watch.unexpected, 0);
}

namespace {

// A home whose only Reader is in a Bottles bottle with its own runner, with
// launchers of that bottle's shortcuts and of another prefix's.
struct BottledReader : ::testing::Test
{
    FakeHome home;
    RecordingDialogs dialogs;
    RecordingFileOperationUi fileWindows;
    ChildrenOnlyProcessControl processes;
    qv::ui::WindowShell shell;
    QString bottle = home.file(".local/share/bottles/bottles/Reader");
    QString runner = home.file(".local/share/bottles/runners/soda-7.0-9/bin/wine");
    QStringList ours, others;
    int savedWatchMs = 0;

    void SetUp() override
    {
        const QString problem = makeDemoPrefix(bottle);
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        home.write(".local/share/bottles/bottles/Reader/bottle.yml", "Name: Reader\nRunner: soda-7.0-9\n");
        const QString wine = home.makePrefix(".wine");
        const QString programs = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
        const QString desktopLink = "C:\\users\\Public\\Desktop\\Adobe Reader 9.0.lnk";
        auto entry = [](const QString &prefix, const QString &link) {
            return "[Desktop Entry]\nExec=env WINEPREFIX=\"" + prefix.toUtf8() + "\" wine "
                + qv::launchers::escapeExecArgument(link).toUtf8() + "\n";
        };
        ours << home.write(".local/share/applications/wine/Programs/Adobe Reader 9.0.desktop",
                           entry(bottle, programs + "Adobe Reader 9.0.lnk"))
             << home.write("Desktop/Adobe Reader 9.0.desktop", entry(bottle, desktopLink));
        others << home.write(".local/share/applications/wine/Programs/Reader of .wine.desktop",
                             entry(wine, programs + "Adobe Reader 9.0.lnk"))
               << home.write("Desktop/Adobe Reader 9.0 (.wine).desktop", entry(wine, desktopLink));
        qv::Shell::setInstance(&shell); // the real one: it starts the runner
        savedWatchMs = qv::WineStart::watchMs();
        qv::WineStart::setWatchMs(3000);
    }
    void TearDown() override
    {
        qv::WineStart::setWatchMs(savedWatchMs);
        qv::resetRegistryCache();
    }
    // Start-up as main() runs it with no prefix named, then Optimize with
    // the closing question answered Yes.
    void optimizeAndStartReader()
    {
        ModalWatch watch;
        watch.onNext(nullptr);
        const std::optional<QString> root = qv::choosePrefix("English");
        ASSERT_EQ(root, bottle);
        EXPECT_EQ(watch.unexpected, 0);
        ASSERT_TRUE(qv::machine::choose(*root));
        qv::resetRegistryCache();
        TForm1 form(nullptr, false);
        form.FormCreate();
        dialogs.answer = qv::Dialogs::ResultYes;
        form.FlatButton1Click();
    }
};

} // namespace

TEST_F(BottledReader, OptimizeTrimsTheBottleTakesItsLaunchersAndStartsReaderThroughItsRunner)
{
    // The record is written whole, then named: the test waits for the name.
    home.script(".local/share/bottles/runners/soda-7.0-9/bin/wine",
                "echo \"$WINEPREFIX|$1\" > \"$HOME/starting\" && mv \"$HOME/starting\" \"$HOME/started\"\n");
    optimizeAndStartReader();
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes[0].caption, "Information");
    const QString reader = bottle + "/drive_c/Program Files/Adobe/Reader 9.0/Reader";
    EXPECT_EQ(QDir(reader + "/plug_ins").entryList({"*.api"}, QDir::Files), QStringList({"EWH32.api", "search.api"}));
    for (const QString &gone : ours)
        EXPECT_FALSE(QFileInfo::exists(gone)) << gone.toStdString();
    for (const QString &kept : others)
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(home.file("started")), 5000);
    QFile started(home.file("started"));
    ASSERT_TRUE(started.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(started.readAll()).trimmed(), bottle + "|C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\AcroRd32.exe");
    EXPECT_EQ(dialogs.boxes.size(), 1u); // no error box
}

TEST_F(BottledReader, AReaderThatCannotBeStartedIsShownToTheUser)
{
    // The bottle's runner is not installed: named, and no other Wine runs.
    optimizeAndStartReader();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs.boxes.size(), size_t(2), 3000);
    EXPECT_EQ(dialogs.boxes[1].icon, qv::Dialogs::ErrorIcon);
    EXPECT_TRUE(dialogs.boxes[1].text.contains(runner)) << dialogs.boxes[1].text.toStdString();

    // Wine that ends at once: its own words reach the user.
    home.script(".local/share/bottles/runners/soda-7.0-9/bin/wine",
                "echo 'wine: could not load kernel32.dll, status c0000135' >&2\nexit 1\n");
    qv::Shell::instance().open(nullptr, "C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\AcroRd32.exe");
    QTRY_COMPARE_WITH_TIMEOUT(dialogs.boxes.size(), size_t(3), 4000);
    EXPECT_TRUE(dialogs.boxes[2].text.contains("wine: could not load kernel32.dll")) << dialogs.boxes[2].text.toStdString();
    EXPECT_TRUE(dialogs.boxes[2].text.contains("WINEPREFIX=" + bottle + " " + runner)) << dialogs.boxes[2].text.toStdString();
}
