// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

#include "core/preferences.h"

#include <QStringList>
#include <utility>

#include "platform/registry.h"

namespace qv::preferences {

namespace {

using enum Action::Kind;

const QString kVersion = QStringLiteral("<version>");

// Where the rows come from: the values Reader 5 to 9 reads at start, below
// its per-version keys. "Originals", "Updater", "AdsInReader" and "AVAlert"
// hold what its Preferences dialog sets (the about box at start, the browser
// plug-in, the update checks, the ads, the question on closing); the
// connection speed is machine-wide, in "AVGeneral" below HKEY_LOCAL_MACHINE;
// "FeatureLockdown" holds the administrator's locks, which Reader has unset
// out of the box. Restore writes what a fresh installation has. The write
// order is the one Quorvane has always kept, and hives compare byte for byte
// on it: "iUpdateFrequency" is written twice, "AVAlert" is made before its
// subkey, and an unticked box leaves its FeatureLockdown value out while its
// key is still made.
const std::vector<Row> &table()
{
    using O = OptimizeOptions;
    static const std::vector<Row> all = {
        // key, value, type, box, {{ticked, unticked, restored}} for Reader 5 to 9
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\AVAlert", {}, ValueType::Key, nullptr,
         {{MakeKey, MakeKey, MakeKey}}},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\AVAlert\\cCheckbox",
         "iexitWithExternalDocsOpen", ValueType::Dword, &O::noExitQuestion, {{1, 0, 0}}},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\Updater", "iUpdateFrequency",
         ValueType::Dword, &O::noUpdates, {{0, 1, 1}}},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\AVGeneral", "iConnectionSpeed",
         ValueType::Dword, &O::fastConnection, {{10000000, 100000, 100000}}},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\Originals", "bDisplayAboutDialog",
         ValueType::Dword, &O::noSplash, {{0, 1, 1}}},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\Originals", "bBrowserCheck",
         ValueType::Dword, &O::noBrowser, {{0, 1, 1}}},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\Originals", "bBrowserIntegration",
         ValueType::Dword, &O::noBrowser, {{0, 1, 1}}},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\Updater", "bShowAutoUpdateConfDialog",
         ValueType::Dword, &O::noUpdates, {{0, 1, 1}}},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\Updater", "bShowNotifDialog",
         ValueType::Dword, &O::noUpdates, {{0, 1, 1}}},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\Updater", "iUpdateFrequency",
         ValueType::Dword, &O::noUpdates, {{0, 1, 1}}},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\AdsInReader", "bShowAds",
         ValueType::Dword, &O::noAds, {{0, 1, 1}}},
        // The updates box governs "bShowAdsAllow" and the advertisements box "bUpdater".
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\FeatureLockdown", "bShowAdsAllow",
         ValueType::Dword, &O::noUpdates, {{0, Leave, 1}}},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\FeatureLockdown", "bUpdater",
         ValueType::Dword, &O::noAds, {{0, Leave, 1}}},
        // Reader's list of recent files, with everything below it.
        {"HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\<version>\\AVGeneral\\cRecentFiles", {},
         ValueType::Key, &O::noRecentFiles, {{DeleteKey, Leave, Leave}}},
    };
    return all;
}

const std::pair<uint32_t, const char *> kRoots[] = {
    {HKeyCurrentUser, "HKEY_CURRENT_USER"},
    {HKeyLocalMachine, "HKEY_LOCAL_MACHINE"},
    {HKeyUsers, "HKEY_USERS"},
};

int majorOf(const QString &version)
{
    int major = 0;
    for (const QChar c : version) {
        if (!c.isDigit())
            break;
        major = major * 10 + c.digitValue();
    }
    return major;
}

} // namespace

const std::vector<Row> &rows()
{
    return table();
}

const std::vector<Generation> &generations()
{
    static const std::vector<Generation> all = {{QStringLiteral("5 to 9"), 5}};
    return all;
}

int generationOf(const QString &version)
{
    const int major = majorOf(version);
    const std::vector<Generation> &all = generations();
    int column = 0;
    for (int i = 0; i < int(all.size()); ++i)
        if (major >= all[i].firstMajor)
            column = i;
    return column;
}

Action actionFor(const Row &row, const QString &version, const OptimizeOptions *optimize)
{
    const Setting &s = row.settings.at(generationOf(version));
    if (!optimize)
        return s.restored;
    return !row.option || optimize->*row.option ? s.ticked : s.unticked;
}

Location locate(const Row &row, const QString &version)
{
    const qsizetype slash = row.key.indexOf(QLatin1Char('\\'));
    const QString rootText = row.key.left(slash);
    Location at;
    for (const auto &[root, name] : kRoots)
        if (rootText == QLatin1String(name))
            at.root = root;
    at.path = row.key.mid(slash).replace(kVersion, version);
    return at;
}

QString keyText(uint32_t root, const QString &path)
{
    QString name = QStringLiteral("0x%1").arg(root, 8, 16, QLatin1Char('0'));
    for (const auto &[r, text] : kRoots)
        if (r == root)
            name = QLatin1String(text);
    return name + (path.startsWith(QLatin1Char('\\')) ? path : QLatin1Char('\\') + path);
}

std::vector<Value> values(const QString &version)
{
    std::vector<Value> out;
    QStringList seen;
    for (const Row &row : rows()) {
        if (row.type == ValueType::Key || seen.contains(row.key + QLatin1Char('\\') + row.name))
            continue;
        seen << row.key + QLatin1Char('\\') + row.name;
        const Location at = locate(row, version);
        const qsizetype versionAt = row.key.indexOf(kVersion);
        const QString subkey = versionAt < 0 ? row.key : row.key.mid(versionAt + kVersion.size() + 1);
        out.push_back({at.root, at.path, subkey, row.name});
    }
    return out;
}

} // namespace qv::preferences
