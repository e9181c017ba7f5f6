// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "app/test_optimize_support.h"

#include "keltfileoperator.h"
#include "platform/wine/wineserver.h"
#include "support/lockholder.h"

using qv::HKeyCurrentUser;
using qv::HKeyLocalMachine;

namespace {
const QByteArray MarkerBytes("Backup Done.\r\n");
}

TEST_F(ReaderPrefix, OptimizeWithEveryBoxTicked)
{
    dialogs.answer = qv::Dialogs::ResultYes;
    FakeProcess reader("C:\\Program Files\\Adobe\\Acrobat 7.0\\Reader\\AcroRd32.exe");
    ASSERT_GT(reader.pid(), 0);
    const auto pluginsBefore = filesOf("plug_ins");
    QByteArray userHiveAtQuestion, systemHiveAtQuestion;
    dialogs.onBox = [&] {
        userHiveAtQuestion = tmp.read("user.reg");
        systemHiveAtQuestion = tmp.read("system.reg");
    };

    optimize();

    EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
    // Reader was ended first.
    EXPECT_TRUE(reader.ended());
    // The safety copy holds everything; only EWH32 and search stay loaded.
    EXPECT_EQ(filesOf("Optional"), pluginsBefore);
    EXPECT_EQ(filesOf("plug_ins").keys(), QStringList({"EWH32.api", "EWH32.ini", "search.api"}));
    EXPECT_FALSE(exists("plug_ins/Multimedia"));
    EXPECT_EQ(tmp.read(readerHost + "/Wexmor.DAT"), MarkerBytes);

    // Every registry value of the seven blocks.
    EXPECT_EQ(dword(HKeyCurrentUser, "AVAlert\\cCheckbox", "iexitWithExternalDocsOpen"), 1);
    EXPECT_EQ(dword(HKeyCurrentUser, "Updater", "iUpdateFrequency"), 0);
    EXPECT_EQ(dword(HKeyLocalMachine, "AVGeneral", "iConnectionSpeed"), 10000000);
    EXPECT_EQ(dword(HKeyCurrentUser, "Originals", "bDisplayAboutDialog"), 0);
    EXPECT_EQ(dword(HKeyCurrentUser, "Originals", "bBrowserCheck"), 0);
    EXPECT_EQ(dword(HKeyCurrentUser, "Originals", "bBrowserIntegration"), 0);
    EXPECT_EQ(dword(HKeyCurrentUser, "Updater", "bShowAutoUpdateConfDialog"), 0);
    EXPECT_EQ(dword(HKeyCurrentUser, "Updater", "bShowNotifDialog"), 0);
    EXPECT_EQ(dword(HKeyCurrentUser, "AdsInReader", "bShowAds"), 0);
    EXPECT_EQ(dword(HKeyCurrentUser, "FeatureLockdown", "bShowAdsAllow"), 0);
    EXPECT_EQ(dword(HKeyCurrentUser, "FeatureLockdown", "bUpdater"), 0);
    EXPECT_FALSE(keyExists(HKeyCurrentUser, "\\Software\\Adobe\\Acrobat Reader\\7.0\\AVGeneral\\cRecentFiles"));
    // The values reached the hive files themselves before the question came up.
    EXPECT_TRUE(userHiveAtQuestion.contains("\"bUpdater\"=dword:00000000"));
    EXPECT_FALSE(userHiveAtQuestion.contains("cRecentFiles"));
    EXPECT_TRUE(systemHiveAtQuestion.contains("\"iConnectionSpeed\"=dword:00989680"));

    // eBooks, PrintMe and the two Reader shortcuts are gone.
    EXPECT_FALSE(QFileInfo::exists(tmp.file("drive_c/users/tester/Documents/My eBook")));
    EXPECT_TRUE(QFileInfo::exists(tmp.file("drive_c/My eBook/keep.pdf")));
    EXPECT_FALSE(QFileInfo::exists(tmp.file("drive_c/ProgramData/Start Menu/Programs/PrintMe Internet Printing")));
    EXPECT_FALSE(QFileInfo::exists(tmp.file("drive_c/ProgramData/Start Menu/Programs/Adobe Reader 7.0.lnk")));
    EXPECT_FALSE(QFileInfo::exists(tmp.file("drive_c/users/Public/Desktop/Adobe Reader 7.0.lnk")));

    // Memo, question, Reader started on Yes, button disabled.
    EXPECT_TRUE(memoHistory.contains("Copy files and backup original settings ..."));
    EXPECT_TRUE(memoHistory.contains("Copy files and backup original settings ... Done!"));
    EXPECT_EQ(form->Memo->Lines(), QStringList({"Optimization Completed."}));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Optimization completed. Do you want to start Adobe Reader 7.0 now?");
    EXPECT_EQ(dialogs.boxes[0].caption, "Information");
    EXPECT_EQ(dialogs.boxes[0].buttons, qv::Dialogs::YesNo);
    EXPECT_EQ(dialogs.boxes[0].icon, qv::Dialogs::NoIcon);
    EXPECT_EQ(dialogs.opened, QStringList({readerFolder + "\\AcroRd32.exe"}));
    EXPECT_FALSE(form->FlatButton1->isEnabled());
    EXPECT_TRUE(form->FlatButton2->isEnabled());
}

TEST_F(ReaderPrefix, OptimizeWithEveryBoxUnticked)
{
    setAllBoxes(false);
    const auto pluginsBefore = filesOf("plug_ins");

    optimize();

    EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
    // The safety copy and the marker are still taken; plug_ins stays as it is.
    EXPECT_EQ(filesOf("Optional"), pluginsBefore);
    EXPECT_EQ(filesOf("plug_ins"), pluginsBefore);
    EXPECT_EQ(tmp.read(readerHost + "/Wexmor.DAT"), MarkerBytes);

    expectUntickedPreferences();
    EXPECT_EQ(dword(HKeyCurrentUser, "FeatureLockdown", "bShowAdsAllow"), std::nullopt);
    EXPECT_EQ(dword(HKeyCurrentUser, "FeatureLockdown", "bUpdater"), std::nullopt);
    EXPECT_TRUE(keyExists(HKeyCurrentUser, "\\Software\\Adobe\\Acrobat Reader\\7.0\\AVGeneral\\cRecentFiles"));

    EXPECT_TRUE(QFileInfo::exists(tmp.file("drive_c/users/tester/Documents/My eBook/book.pdf")));
    EXPECT_TRUE(QFileInfo::exists(tmp.file("drive_c/ProgramData/Start Menu/Programs/PrintMe Internet Printing")));
    EXPECT_TRUE(QFileInfo::exists(tmp.file("drive_c/users/Public/Desktop/Adobe Reader 7.0.lnk")));
    // Answering No starts nothing.
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.opened.isEmpty());
    EXPECT_FALSE(form->FlatButton1->isEnabled());
}

TEST_F(ReaderPrefix, OptimizeWithTheMarkerPresentReusesTheSafetyCopyAndAddsNewPlugIns)
{
    // An earlier optimisation: Optional holds the copy, plug_ins the two kept
    // ones, and a plug-in installed since (New.api) plus an updated Annots.api.
    tmp.write(readerHost + "/Wexmor.DAT", "");
    tmp.write(readerHost + "/Optional/EWH32.api", "ewh32 api");
    tmp.write(readerHost + "/Optional/search.api", "search api");
    tmp.write(readerHost + "/Optional/Annots.api", "annots api, first version");
    tmp.write(readerHost + "/Optional/Old.api", "old api");
    QDir(host("plug_ins")).removeRecursively();
    tmp.write(readerHost + "/plug_ins/EWH32.api", "ewh32 api");
    tmp.write(readerHost + "/plug_ins/search.api", "search api");
    tmp.write(readerHost + "/plug_ins/New.api", "new api");
    tmp.write(readerHost + "/plug_ins/Annots.api", "annots api, updated");

    optimize();

    EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
    EXPECT_FALSE(memoHistory.contains("Copy files and backup original settings ..."));
    EXPECT_FALSE(memoHistory.contains("Copy files and backup original settings ... Done!"));
    // The copy is reused and never overwritten; the new plug-in joined it.
    EXPECT_EQ(tmp.read(readerHost + "/Optional/Annots.api"), "annots api, first version");
    EXPECT_EQ(tmp.read(readerHost + "/Optional/New.api"), "new api");
    EXPECT_EQ(tmp.read(readerHost + "/Optional/Old.api"), "old api");
    // The updated plug-in has no copy of its bytes, so it stays loaded and the memo says so.
    // New.api was never on the plug-in list, so Reader keeps loading it too.
    EXPECT_EQ(filesOf("plug_ins").keys(), QStringList({"Annots.api", "EWH32.api", "New.api", "search.api"}));
    EXPECT_EQ(form->Memo->Lines(),
              QStringList({"Optimization Completed.", "Kept (differs from its safety copy): Annots.api"}));
    // Its bytes were not the marker's: written anew once the copy was complete.
    EXPECT_EQ(tmp.read(readerHost + "/Wexmor.DAT"), "Backup Done.\r\n");

    // Restore brings the new plug-in back too.
    restore();
    EXPECT_EQ(tmp.read(readerHost + "/plug_ins/New.api"), "new api");
    EXPECT_EQ(tmp.read(readerHost + "/plug_ins/Old.api"), "old api");
    EXPECT_EQ(tmp.read(readerHost + "/plug_ins/Annots.api"), "annots api, updated");
}

TEST_F(ReaderPrefix, OptimizeWithoutEwh32OrSearchLeavesNoPlugInLoaded)
{
    QFile::remove(host("plug_ins/EWH32.api"));
    QFile::remove(host("plug_ins/EWH32.ini"));
    QFile::remove(host("plug_ins/search.api"));
    const auto pluginsBefore = filesOf("plug_ins");

    optimize();

    EXPECT_TRUE(errorBoxes().isEmpty());
    EXPECT_EQ(filesOf("Optional"), pluginsBefore);
    EXPECT_TRUE(filesOf("plug_ins").isEmpty());
}

TEST_F(ReaderPrefix, FailedSafetyCopyChangesNothingMore)
{
    // "Optional" is a file: nothing can be copied into it.
    tmp.write(readerHost + "/Optional", "in the way");
    const auto pluginsBefore = filesOf("plug_ins");
    const QByteArray userHive = tmp.read("user.reg");

    optimize();

    ASSERT_EQ(errorBoxes().size(), 1);
    EXPECT_TRUE(errorBoxes()[0].startsWith("The plug-ins could not all be copied to \"" + readerFolder + "\\Optional\""))
        << errorBoxes()[0].toStdString();
    EXPECT_EQ(filesOf("plug_ins"), pluginsBefore);
    EXPECT_FALSE(exists("Wexmor.DAT"));
    EXPECT_EQ(tmp.read("user.reg"), userHive);
    EXPECT_TRUE(QFileInfo::exists(tmp.file("drive_c/users/tester/Documents/My eBook/book.pdf")));
    // Nothing was done, so it can be tried again.
    EXPECT_TRUE(form->FlatButton1->isEnabled());
}

TEST_F(ReaderPrefix, FoldersThatCannotBeWrittenAreRefusedBeforeAnyChange)
{
    // The Reader folder (where the marker goes) and plug_ins (where the
    // plug-ins leave): each refused up front, named, with nothing copied.
    for (const char *place : {"", "plug_ins"}) {
        QDir().mkpath(host("Optional"));
        const auto pluginsBefore = filesOf("plug_ins");
        const QByteArray userHive = tmp.read("user.reg");
        const QStringList memoBefore = form->Memo->Lines();
        dialogs.boxes.clear();
        {
            faults::ReadOnlyMount guard(host(place));
            if (!guard.ok())
                GTEST_SKIP() << guard.why().toStdString();
            optimize();
        }
        ASSERT_EQ(errorBoxes().size(), 1) << place;
        const QString named = *place ? readerFolder + "\\plug_ins\" cannot be changed" : readerFolder + "\" cannot be changed";
        EXPECT_TRUE(errorBoxes()[0].contains(named)) << errorBoxes()[0].toStdString();
        EXPECT_TRUE(errorBoxes()[0].contains("Nothing was changed")) << errorBoxes()[0].toStdString();
        EXPECT_FALSE(exists("Wexmor.DAT"));
        EXPECT_TRUE(filesOf("Optional").isEmpty());
        EXPECT_EQ(filesOf("plug_ins"), pluginsBefore);
        EXPECT_EQ(form->Memo->Lines(), memoBefore);
        EXPECT_EQ(tmp.read("user.reg"), userHive);
        EXPECT_TRUE(form->FlatButton1->isEnabled());
    }
}

TEST_F(ReaderPrefix, EbookFolderIsOnlyLookedForInADocumentsFolder)
{
    // No machine-wide documents folder: the user's own "Personal" is used,
    // and "My eBook" at the root of the drive is never touched.
    form->PersonalFolder.clear();
    optimize();
    EXPECT_FALSE(QFileInfo::exists(tmp.file("drive_c/users/tester/Documents/My eBook")));
    EXPECT_TRUE(QFileInfo::exists(tmp.file("drive_c/My eBook/keep.pdf")));
}

TEST_F(ReaderPrefix, EbookFolderWithNoDocumentsFolderAtAllIsLeftAlone)
{
    form->PersonalFolder.clear();
    tmp.write("user.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win32\n");
    qv::resetRegistryCache();
    optimize();
    EXPECT_TRUE(errorBoxes().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(tmp.file("drive_c/My eBook/keep.pdf")));
    EXPECT_TRUE(QFileInfo::exists(tmp.file("drive_c/users/tester/Documents/My eBook/book.pdf")));
}

TEST_F(ReaderPrefix, ReaderThatCannotBeEndedStopsBeforeAnything)
{
    processes.extra.push_back({999999999, ::getpid(), "AcroRd32.exe"});
    const auto pluginsBefore = filesOf("plug_ins");
    const QByteArray userHive = tmp.read("user.reg");
    const QStringList memoBefore = form->Memo->Lines();

    optimize();
    tmp.write(readerHost + "/Wexmor.DAT", "");
    restore();

    ASSERT_EQ(errorBoxes().size(), 2);
    EXPECT_EQ(errorBoxes()[0], "System Error.  Code: 6.\nThe handle is invalid.");
    EXPECT_TRUE(form->FlatButton1->isEnabled());
    EXPECT_TRUE(form->FlatButton2->isEnabled());
    EXPECT_EQ(filesOf("plug_ins"), pluginsBefore);
    EXPECT_FALSE(exists("Optional"));
    EXPECT_EQ(tmp.read("user.reg"), userHive);
    EXPECT_EQ(form->Memo->Lines(), memoBefore);
}

TEST_F(ReaderPrefix, ReaderThatOutlivesTheWaitIsLeftAndOptimizeGoesOn)
{
    processes.extra.push_back({999999999, ::getpid(), "AcroRd32.exe"});
    processes.forced = qv::WaitOutcome::TimedOut;
    optimize();
    EXPECT_EQ(processes.terminated, std::vector<int64_t>({999999999}));
    EXPECT_TRUE(errorBoxes().isEmpty());
    EXPECT_TRUE(exists("Wexmor.DAT"));
}

namespace {
// Stands in for the prefix's wineserver: holds the lock a live one holds.
class LiveWineserver
{
public:
    explicit LiveWineserver(const QString &prefixRoot) : m_lock(lockFileOf(prefixRoot, m_base), LockHolder::Fcntl) {}
    ~LiveWineserver()
    {
        qv::wineserver::setSocketBase("/tmp");
        qv::wineserver::setTimeoutMs(6000);
    }
    bool ok() const { return m_lock.ok(); }

private:
    static QString lockFileOf(const QString &prefixRoot, const TempDir &base)
    {
        qv::wineserver::setSocketBase(base.path());
        qv::wineserver::setTimeoutMs(200);
        const QString dir = qv::wineserver::socketDirs(prefixRoot).first();
        QDir().mkpath(dir);
        return dir + "/lock";
    }

    TempDir m_base; // declared first: the lock file lives in it
    LockHolder m_lock;
};
} // namespace

TEST_F(ReaderPrefix, LiveWineserverStopsBothOperationsBeforeAnyFileChanges)
{
    const auto pluginsBefore = filesOf("plug_ins");
    {
        LiveWineserver server(tmp.path());
        ASSERT_TRUE(server.ok());
        optimize();
        ASSERT_EQ(errorBoxes().size(), 1);
        EXPECT_TRUE(errorBoxes()[0].contains("wineserver -k")) << errorBoxes()[0].toStdString();
        EXPECT_EQ(filesOf("plug_ins"), pluginsBefore);
        EXPECT_FALSE(exists("Optional"));
        EXPECT_FALSE(exists("Wexmor.DAT"));
        EXPECT_TRUE(form->FlatButton1->isEnabled());
    }
    optimize(); // once Wine has gone, the same button goes through
    EXPECT_EQ(errorBoxes().size(), 1);
    EXPECT_TRUE(exists("Wexmor.DAT"));
    {
        LiveWineserver server(tmp.path());
        ASSERT_TRUE(server.ok());
        restore();
        ASSERT_EQ(errorBoxes().size(), 2);
        EXPECT_TRUE(exists("Wexmor.DAT"));
        EXPECT_NE(filesOf("plug_ins"), pluginsBefore);
        EXPECT_TRUE(form->FlatButton2->isEnabled());
    }
}

TEST_F(ReaderPrefix, MyEbookFolderGoesToTheTrashNotOutOfExistence)
{
    optimize();
    EXPECT_FALSE(QFileInfo::exists(tmp.file("drive_c/users/tester/Documents/My eBook")));
    QFile kept(trash.files() + "/My eBook/book.pdf");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "a book");
    // The other deletions stay permanent: the component is left as it was.
    EXPECT_FALSE(form->FO2->Flags().testFlag(opAllowUndo));
    EXPECT_FALSE(QFileInfo::exists(trash.files() + "/Adobe Reader 7.0.lnk"));
}

TEST_F(ReaderPrefix, DamagedHiveStopsOptimizeBeforeAnyFileChanges)
{
    // A fault in a key start-up never reads: only a write would meet it.
    QFile f(tmp.file("system.reg"));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("\n[Software\\\\Other] 1700000000\n\"broken\"=dword:not-a-number\n");
    f.close();
    const auto pluginsBefore = filesOf("plug_ins");

    optimize();

    ASSERT_EQ(errorBoxes().size(), 1);
    EXPECT_TRUE(errorBoxes()[0].contains("system.reg")) << errorBoxes()[0].toStdString();
    EXPECT_EQ(filesOf("plug_ins"), pluginsBefore);
    EXPECT_FALSE(exists("Optional"));
    EXPECT_FALSE(exists("Wexmor.DAT"));
    EXPECT_TRUE(form->FlatButton1->isEnabled());
}

TEST_F(ReaderPrefix, MissingReaderFolderIsNamedAndNothingChanges)
{
    form->ReaderFolder = QStringLiteral("C:\\Program Files\\Adobe\\Nowhere\\Reader");
    optimize();
    ASSERT_EQ(errorBoxes().size(), 1);
    EXPECT_TRUE(errorBoxes()[0].contains("Nowhere\\Reader\" does not exist")) << errorBoxes()[0].toStdString();
    EXPECT_TRUE(form->FlatButton1->isEnabled());
    EXPECT_TRUE(qv::RegistryAccessor().openKey("\\Software\\Adobe\\Acrobat Reader\\7.0\\AVGeneral\\cRecentFiles", false));
}
