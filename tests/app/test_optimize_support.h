// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// A throwaway prefix with an installed Reader, the main window on it, and
// the dialogs, shell and process list replaced, for the Optimize and Restore
// tests. Every operation run through it is checked for the one promise that
// matters most: no plug-in is ever lost.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <functional>
#include <optional>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "app/mainform.h"
#include "platform/fileoperation.h"
#include "platform/dialogs.h"
#include "platform/registry.h"
#include "platform/test_processes_fake.h"
#include "platform/wine/wineprefix.h"
#include "support/faults.h"
#include "support/tempdir.h"
#include "TFlatButtonUnit.h"
#include "TFlatCheckBoxUnit.h"
#include "TFlatMemoUnit.h"

struct RecordedBox
{
    QString text;
    QString caption;
    qv::Dialogs::Buttons buttons;
    qv::Dialogs::Icon icon;
};

class RecordingDialogs : public qv::Dialogs, public qv::Shell
{
public:
    RecordingDialogs()
    {
        qv::Dialogs::setInstance(this);
        qv::Shell::setInstance(this);
    }
    ~RecordingDialogs() override
    {
        qv::Dialogs::setInstance(nullptr);
        qv::Shell::setInstance(nullptr);
    }
    QString inputBox(const QString &, const QString &, const QString &def) override { return def; }
    Result messageBox(QWidget *, const QString &text, const QString &caption, Buttons buttons, Icon icon) override
    {
        boxes.push_back({text, caption, buttons, icon});
        if (onBox)
            onBox();
        return buttons == YesNo ? answer : ResultOk;
    }
    void open(QWidget *, const QString &target) override { opened << target; }

    Result answer = ResultNo;
    std::function<void()> onBox; // runs while a message box is up
    std::vector<RecordedBox> boxes;
    QStringList opened;
};

// The batch file operation's windows: errors are recorded, questions answered Yes.
class RecordingFileOperationUi : public qv::FileOperationUi
{
public:
    RecordingFileOperationUi() { qv::FileOperationUi::setInstance(this); }
    ~RecordingFileOperationUi() override { qv::FileOperationUi::setInstance(nullptr); }
    void progressBegin(const QString &) override {}
    bool progressUpdate(const Progress &) override { return true; }
    void progressEnd() override {}
    void error(const QString &caption, const QString &file, const QString &reason) override
    {
        errors << caption + ": " + file + ": " + reason;
    }
    Answer confirmReplace(const QString &, const QString &) override { return YesToAll; }
    Answer confirmMakeFolder(const QString &) override { return YesToAll; }

    QStringList errors;
};

// Sends what is moved to the trash into a throwaway folder, never the
// machine's own trash.
class ThrowawayTrash
{
public:
    ThrowawayTrash() : m_old(qgetenv("XDG_DATA_HOME")), m_hadOld(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    }
    ~ThrowawayTrash()
    {
        if (m_hadOld)
            qputenv("XDG_DATA_HOME", m_old);
        else
            qunsetenv("XDG_DATA_HOME");
    }
    QString files() const { return m_data.path() + "/Trash/files"; }

private:
    TempDir m_data;
    QByteArray m_old;
    bool m_hadOld;
};

struct ReaderPrefix : ::testing::Test
{
    TempDir tmp;
    ThrowawayTrash trash;
    RecordingDialogs dialogs;
    RecordingFileOperationUi fileWindows;
    ChildrenOnlyProcessControl processes;
    std::unique_ptr<TForm1> form;
    QStringList memoHistory; // every state the memo went through, one text each
    QMap<QString, QByteArray> pluginContentBefore;

    const QString version = QStringLiteral("7.0");
    const QString readerFolder = QStringLiteral("C:\\Program Files\\Adobe\\Acrobat 7.0\\Reader");
    const QString readerHost = QStringLiteral("drive_c/Program Files/Adobe/Acrobat 7.0/Reader");

    void SetUp() override
    {
        QDir().mkpath(tmp.file("dosdevices"));
        QFile::link("../drive_c", tmp.file("dosdevices/c:"));
        tmp.write(readerHost + "/AcroRd32.exe", "MZ reader");
        tmp.write(readerHost + "/plug_ins/EWH32.api", "ewh32 api");
        tmp.write(readerHost + "/plug_ins/EWH32.ini", "ewh32 companion");
        tmp.write(readerHost + "/plug_ins/search.api", "search api");
        tmp.write(readerHost + "/plug_ins/eBook.api", "ebook api");
        tmp.write(readerHost + "/plug_ins/Annots.api", "annots api");
        tmp.write(readerHost + "/plug_ins/.hidden.api", "hidden api");
        tmp.write(readerHost + "/plug_ins/Multimedia/mm.api", "multimedia api");
        tmp.write(readerHost + "/plug_ins/Multimedia/Deep/deep.dll", "deep dll");
        tmp.write("drive_c/ProgramData/Start Menu/Programs/PrintMe Internet Printing/PrintMe.lnk", "pm");
        tmp.write("drive_c/ProgramData/Start Menu/Programs/Adobe Reader 7.0.lnk", "start menu link");
        tmp.write("drive_c/users/Public/Desktop/Adobe Reader 7.0.lnk", "desktop link");
        tmp.write("drive_c/users/tester/Documents/My eBook/book.pdf", "a book");
        tmp.write("drive_c/My eBook/keep.pdf", "not in any documents folder");
        QDir().mkpath(tmp.file("drive_c/users/tester/Desktop"));
        writeHives();
        qv::WinePrefix::setCurrent(tmp.path());
        qv::resetRegistryCache();

        form = std::make_unique<TForm1>(nullptr, false);
        form->ReaderVersion = version;
        form->ReaderFolder = readerFolder;
        form->CommonProgramsFolder = QStringLiteral("C:\\ProgramData\\Start Menu\\Programs");
        form->CommonDesktopFolder = QStringLiteral("C:\\users\\Public\\Desktop");
        form->PersonalFolder = QStringLiteral("C:\\users\\tester\\Documents");
        // The plug-in list as start-up fills it without a marker: every plug-in.
        form->FindPlugIns(readerFolder + "\\plug_ins\\", "*.api", true);
        QObject::connect(form->Memo, &QPlainTextEdit::textChanged,
                         [this] { memoHistory << form->Memo->toPlainText(); });
    }

    void writeHives()
    {
        tmp.write("user.reg",
                  "WINE REGISTRY Version 2\n"
                  ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win32\n\n"
                  "[Software\\\\Adobe\\\\Acrobat Reader\\\\7.0\\\\AVGeneral\\\\cRecentFiles\\\\c1] 1700000000\n"
                  "#time=1d9c0e0a0a0a0a0\n\"tDIText\"=\"C:\\\\doc.pdf\"\n\n"
                  "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n"
                  "#time=1d9c0e0a0a0a0a0\n"
                  "\"Desktop\"=\"C:\\\\users\\\\tester\\\\Desktop\"\n"
                  "\"Personal\"=\"C:\\\\users\\\\tester\\\\Documents\"\n");
        tmp.write("system.reg",
                  "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
                  "[Software\\\\Adobe\\\\Acrobat Reader\\\\7.0\\\\InstallPath] 1700000000\n"
                  "#time=1d9c0e0a0a0a0a0\n@=\"C:\\\\Program Files\\\\Adobe\\\\Acrobat 7.0\\\\Reader\"\n");
    }

    QString host(const QString &relative) const { return tmp.file(readerHost + "/" + relative); }
    bool exists(const QString &relative) const { return QFileInfo::exists(host(relative)); }

    // Relative path -> bytes of every file below a folder of the Reader folder.
    QMap<QString, QByteArray> filesOf(const QString &folder) const
    {
        QMap<QString, QByteArray> out;
        const QString base = host(folder);
        QDirIterator it(base, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            QFile f(p);
            f.open(QIODevice::ReadOnly);
            out.insert(QDir(base).relativeFilePath(p), f.readAll());
        }
        return out;
    }

    void notePluginsBefore()
    {
        pluginContentBefore.clear();
        const auto a = filesOf("plug_ins");
        for (auto it = a.cbegin(); it != a.cend(); ++it)
            pluginContentBefore.insert("plug_ins/" + it.key(), it.value());
        const auto b = filesOf("Optional");
        for (auto it = b.cbegin(); it != b.cend(); ++it)
            pluginContentBefore.insert("Optional/" + it.key(), it.value());
    }

    // Every plug-in file (by content) present before is present after in
    // plug_ins or in Optional.
    void expectNoPluginLost() const
    {
        QList<QByteArray> after = filesOf("plug_ins").values() + filesOf("Optional").values();
        for (auto it = pluginContentBefore.cbegin(); it != pluginContentBefore.cend(); ++it)
            EXPECT_TRUE(after.contains(it.value())) << "lost: " << it.key().toStdString();
    }

    void optimize()
    {
        notePluginsBefore();
        form->FlatButton1Click();
        expectNoPluginLost();
    }
    void restore()
    {
        notePluginsBefore();
        form->FlatButton2Click();
        expectNoPluginLost();

    }

    void setAllBoxes(bool ticked)
    {
        for (TFlatCheckBox *box : {form->FlatCheckBox1, form->FlatCheckBox2, form->FlatCheckBox3, form->FlatCheckBox4,
                                   form->FlatCheckBox5, form->FlatCheckBox6, form->FlatCheckBox7, form->FlatCheckBox8,
                                   form->FlatCheckBox9, form->FlatCheckBox10, form->FlatCheckBox11})
            box->setChecked(ticked);
    }

    // A REG_DWORD below the Reader key, or nullopt when missing.
    std::optional<int32_t> dword(uint32_t root, const QString &subkey, const QString &name) const
    {
        qv::RegistryAccessor reg;
        reg.setRootKey(root);
        reg.setAccess(qv::KeyRead);
        if (!reg.openKey("\\SOFTWARE\\Adobe\\Acrobat Reader\\7.0\\" + subkey, false) || !reg.valueExists(name))
            return std::nullopt;
        return reg.readInteger(name);
    }
    // The preference values Optimize writes with every box unticked, which are
    // also what Restore writes (FeatureLockdown aside).
    void expectUntickedPreferences() const
    {
        EXPECT_EQ(dword(qv::HKeyCurrentUser, "AVAlert\\cCheckbox", "iexitWithExternalDocsOpen"), 0);
        EXPECT_EQ(dword(qv::HKeyCurrentUser, "Updater", "iUpdateFrequency"), 1);
        EXPECT_EQ(dword(qv::HKeyLocalMachine, "AVGeneral", "iConnectionSpeed"), 100000);
        EXPECT_EQ(dword(qv::HKeyCurrentUser, "Originals", "bDisplayAboutDialog"), 1);
        EXPECT_EQ(dword(qv::HKeyCurrentUser, "Originals", "bBrowserCheck"), 1);
        EXPECT_EQ(dword(qv::HKeyCurrentUser, "Originals", "bBrowserIntegration"), 1);
        EXPECT_EQ(dword(qv::HKeyCurrentUser, "Updater", "bShowAutoUpdateConfDialog"), 1);
        EXPECT_EQ(dword(qv::HKeyCurrentUser, "Updater", "bShowNotifDialog"), 1);
        EXPECT_EQ(dword(qv::HKeyCurrentUser, "AdsInReader", "bShowAds"), 1);
    }
    bool keyExists(uint32_t root, const QString &path) const
    {
        qv::RegistryAccessor reg;
        reg.setRootKey(root);
        reg.setAccess(qv::KeyRead);
        return reg.openKey(path, false);
    }

    QStringList errorBoxes() const
    {
        QStringList out;
        for (const RecordedBox &b : dialogs.boxes)
            if (b.icon == qv::Dialogs::ErrorIcon)
                out << b.text;
        return out;
    }
};
