// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Reader DC as its 32-bit installer leaves a 64-bit prefix: what Optimize
// writes and what Restore puts back, as Wine itself reads it in both views.

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "core/operations.h"
#include "platform/registry.h"
#include "platform/wine/hive.h"
#include "wineloop.h"

namespace ht = qv::hivetext;

namespace {

const QString kFolder = QStringLiteral("C:\\Program Files (x86)\\Adobe\\Acrobat Reader DC\\Reader");
const QString kArm = QStringLiteral("C:\\Program Files (x86)\\Common Files\\Adobe\\ARM\\1.0");
const QString kLocks = QStringLiteral("Software\\Policies\\Adobe\\Acrobat Reader\\DC\\FeatureLockDown");
const QString kRun = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kService = QStringLiteral("System\\CurrentControlSet\\Services\\AdobeARMservice");
const QStringList kRun64 = kRun.split(QLatin1Char('\\'));
const QString kOurs64 = QStringLiteral("Quorvane Test 64");
const QString kArmCommand = QLatin1Char('"') + kArm + QStringLiteral("\\AdobeARM.exe\"");

QString host(const QString &prefix, const QString &windowsPath)
{
    return prefix + QStringLiteral("/drive_c/") + windowsPath.mid(3).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

void write(uint32_t root, const QString &key, const QString &name, const qv::RawRegistryValue &value)
{
    qv::RegistryAccessor reg;
    reg.setRootKey(root);
    ASSERT_TRUE(reg.openKey(QLatin1Char('\\') + key, true)) << key.toStdString();
    reg.writeRaw(name, value);
}

QString answer(const std::optional<qv::RawRegistryValue> &v)
{
    return v ? QStringLiteral("ok %1 %2").arg(v->type).arg(hexBytes(v->data)) : QStringLiteral("err 2");
}

} // namespace

class WineToday : public WineTest
{
protected:
    void SetUp() override
    {
        WineTest::SetUp();
        if (wine)
            forget();
    }
    void TearDown() override
    {
        WineTest::TearDown();
        if (wine)
            forget();
    }
    // Whatever a run left: Reader's keys in every place, its folders, our value in the 64-bit Run key.
    void forget()
    {
        for (const char *key : {"\\SOFTWARE\\Policies\\Adobe", "\\SOFTWARE\\Adobe", "\\SYSTEM\\CurrentControlSet\\Services\\AdobeARMservice"})
            for (uint32_t root : {qv::HKeyLocalMachine, qv::HKeyCurrentUser}) {
                qv::RegistryAccessor reg;
                reg.setRootKey(root);
                reg.deleteKey(QLatin1String(key));
            }
        {
            qv::RegistryAccessor run;
            run.setRootKey(qv::HKeyLocalMachine);
            if (run.openKey(QLatin1Char('\\') + kRun, false))
                run.deleteValue(QStringLiteral("Adobe ARM"));
        }
        qv::resetRegistryCache();
        auto system = qv::Hive::load(wine->prefix() + QStringLiteral("/system.reg"));
        if (system->deleteValue(kRun64, kOurs64))
            system->save();
        qv::resetRegistryCache();
        for (const QString &folder : {QStringLiteral("C:\\Program Files (x86)\\Adobe"), kArm.section('\\', 0, -3)})
            QDir(host(wine->prefix(), folder)).removeRecursively();
    }
};

TEST_F(WineToday, WineReadsWhatOptimizeWroteAndRestorePutBackInBothViews)
{
    // As the installer leaves it: Reader's own values, the updater's start,
    // a lock of the installer's; a value of a 64-bit program beside them.
    const qv::RawRegistryValue one{qv::RegDword, ht::dwordData(1)}, two{qv::RegDword, ht::dwordData(2)};
    const qv::RawRegistryValue armCommand{qv::RegSz, ht::utf16Data(kArmCommand)};
    // What wineboot writes for 32-bit programs where Wine has its 32-bit half
    // (which Reader needs, and this machine's Wine may lack).
    write(qv::HKeyLocalMachine, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion"),
          QStringLiteral("CommonFilesDir"), {qv::RegSz, ht::utf16Data(kArm.section('\\', 0, 2))});
    write(qv::HKeyLocalMachine, kRun, QStringLiteral("Adobe ARM"), armCommand);
    write(qv::HKeyLocalMachine, kService, QStringLiteral("Start"), two);
    write(qv::HKeyLocalMachine, kLocks, QStringLiteral("bIsSCReducedModeEnforcedEx"), one);
    write(qv::HKeyCurrentUser, QStringLiteral("Software\\Adobe\\Acrobat Reader\\DC\\Privileged"),
          QStringLiteral("bProtectedMode"), one);
    {
        auto system = qv::Hive::load(wine->prefix() + QStringLiteral("/system.reg"));
        system->setValue(kRun64, qv::HiveValue{kOurs64, qv::RegSz, ht::utf16Data(QStringLiteral("ours"))});
        system->save();
        qv::resetRegistryCache();
    }
    QDir().mkpath(host(wine->prefix(), kFolder + QStringLiteral("\\plug_ins")));
    QDir().mkpath(host(wine->prefix(), kFolder + QStringLiteral("\\AcroCEF")));
    QDir().mkpath(host(wine->prefix(), kArm));
    for (const QString &file : {kFolder + QStringLiteral("\\AcroRd32.exe"), kFolder + QStringLiteral("\\plug_ins\\Annots.api"),
                                kFolder + QStringLiteral("\\AcroCEF\\RdrCEF.exe"), kArm + QStringLiteral("\\AdobeARM.exe"),
                                kArm + QStringLiteral("\\armsvc.exe")}) {
        QFile f(host(wine->prefix(), file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << file.toStdString();
        f.write("MZ stand-in");
    }
    qv::ReaderInstallation reader;
    reader.version = QStringLiteral("DC");
    reader.folder = kFolder;
    reader.commonProgramsFolder = QStringLiteral("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
    reader.commonDesktopFolder = QStringLiteral("C:\\users\\Public\\Desktop");

    const struct
    {
        const char *root;
        QString key, name;
        std::optional<qv::RawRegistryValue> optimized, restored;
        const char *view = nullptr; // both when none
    } probes[] = {
        {"HKLM", kLocks, "bProtectedMode", qv::RawRegistryValue{qv::RegDword, ht::dwordData(0)}, std::nullopt},
        {"HKLM", kLocks, "bUpdater", qv::RawRegistryValue{qv::RegDword, ht::dwordData(0)}, std::nullopt},
        {"HKLM", kLocks, "bUsageMeasurement", qv::RawRegistryValue{qv::RegDword, ht::dwordData(0)}, std::nullopt},
        {"HKLM", kLocks, "bIsSCReducedModeEnforcedEx", one, one},
        {"HKLM", kLocks + "\\cIPM", "bShowMsgAtLaunch", qv::RawRegistryValue{qv::RegDword, ht::dwordData(0)}, std::nullopt},
        {"HKLM", kLocks + "\\cServices", "bUpdater", qv::RawRegistryValue{qv::RegDword, ht::dwordData(0)}, std::nullopt},
        {"HKCU", "Software\\Adobe\\Acrobat Reader\\DC\\Privileged", "bProtectedMode",
         qv::RawRegistryValue{qv::RegDword, ht::dwordData(0)}, one},
        {"HKLM", kService, "Start", qv::RawRegistryValue{qv::RegDword, ht::dwordData(4)}, two},
        {"HKLM", kRun, "Adobe ARM", std::nullopt, armCommand, "32"},
        {"HKLM", kRun, "Adobe ARM", std::nullopt, std::nullopt, "64"},
        {"HKLM", kRun, kOurs64, qv::RawRegistryValue{qv::RegSz, ht::utf16Data(QStringLiteral("ours"))},
         qv::RawRegistryValue{qv::RegSz, ht::utf16Data(QStringLiteral("ours"))}, "64"},
    };
    auto check = [&](bool restored) {
        QStringList requests, expected;
        for (const auto &p : probes)
            for (const char *view : {"32", "64"})
                if (!p.view || !qstrcmp(p.view, view)) {
                    requests << QStringList{"get", p.root, view, hexText(p.key), hexText(p.name)}.join('\t');
                    expected << answer(restored ? p.restored : p.optimized);
                }
        // The lock keys Optimize made go again.
        requests << QStringList{"open", "HKLM", "32", hexText(kLocks + "\\cServices")}.join('\t');
        expected << (restored ? "rc 2" : "rc 0");
        const QStringList answers = wine->ask(QStringLiteral("qvreg"), requests);
        for (qsizetype i = 0; i < requests.size(); ++i)
            EXPECT_EQ(answers[i].toStdString(), expected[i].toStdString())
                << (restored ? "restored: " : "optimized: ") << requests[i].toStdString();
        wine->stopServer();
        qv::resetRegistryCache();
    };

    const qv::OperationReport optimized = qv::optimize(reader, {});
    ASSERT_EQ(optimized.outcome, qv::OperationReport::Completed) << optimized.error.toStdString();
    check(false);
    for (const QString &helper : {kArm + "\\AdobeARM.exe", kArm + "\\armsvc.exe", kFolder + "\\AcroCEF\\RdrCEF.exe"})
        EXPECT_FALSE(QFile::exists(host(wine->prefix(), helper))) << helper.toStdString();

    const qv::OperationReport restored = qv::restore(reader, {});
    ASSERT_EQ(restored.outcome, qv::OperationReport::Completed) << restored.error.toStdString();
    check(true);
    for (const QString &helper : {kArm + "\\AdobeARM.exe", kArm + "\\armsvc.exe", kFolder + "\\AcroCEF\\RdrCEF.exe"})
        EXPECT_TRUE(QFile::exists(host(wine->prefix(), helper))) << helper.toStdString();
}
