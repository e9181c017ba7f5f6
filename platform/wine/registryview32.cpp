// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The 32-bit view of a 64-bit prefix (registryview32.h): which keys are
// redirected, and the keys both views share, as Wine 8 links them.
#include "platform/wine/registryview32.h"

#include <QList>

namespace qv::view32 {

namespace {

const QString kWow = QStringLiteral("Wow6432Node");

// Whether path begins with the names of prefix, compared without regard to case.
bool startsWithPath(const QStringList &path, const QStringList &prefix)
{
    if (path.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (path[i].compare(prefix[i], Qt::CaseInsensitive))
            return false;
    return true;
}

// Keys below Software that 32- and 64-bit programs see alike: the keys a
// Wine 8 prefix links from Software\Wow6432Node back to the 64-bit ones.
const QList<QStringList> &sharedKeys()
{
    static const QList<QStringList> keys = [] {
        const char *const list[] = {
            "Microsoft\\Clients",
            "Microsoft\\Cryptography\\Calais\\Current",
            "Microsoft\\Cryptography\\Calais\\Readers",
            "Microsoft\\Cryptography\\Services",
            "Microsoft\\CTF\\SystemShared",
            "Microsoft\\CTF\\TIP",
            "Microsoft\\DFS",
            "Microsoft\\Driver Signing",
            "Microsoft\\EnterpriseCertificates",
            "Microsoft\\EventSystem",
            "Microsoft\\MSMQ",
            "Microsoft\\Non-Driver Signing",
            "Microsoft\\Notepad\\DefaultFonts",
            "Microsoft\\OLE",
            "Microsoft\\RAS",
            "Microsoft\\RPC",
            "Microsoft\\SystemCertificates",
            "Microsoft\\TermServLicensing",
            "Microsoft\\Transaction Server",
            "Microsoft\\Windows\\CurrentVersion\\App Paths",
            "Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes",
            "Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers",
            "Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons",
            "Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap",
            "Microsoft\\Windows\\CurrentVersion\\Group Policy",
            "Microsoft\\Windows\\CurrentVersion\\Policies",
            "Microsoft\\Windows\\CurrentVersion\\PreviewHandlers",
            "Microsoft\\Windows\\CurrentVersion\\Setup",
            "Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations",
            "Microsoft\\Windows\\CurrentVersion\\Time Zones",
            "Microsoft\\Windows NT\\CurrentVersion\\Console",
            "Microsoft\\Windows NT\\CurrentVersion\\FontDpi",
            "Microsoft\\Windows NT\\CurrentVersion\\FontLink",
            "Microsoft\\Windows NT\\CurrentVersion\\FontMapper",
            "Microsoft\\Windows NT\\CurrentVersion\\Fonts",
            "Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
            "Microsoft\\Windows NT\\CurrentVersion\\Gre_Initialize",
            "Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
            "Microsoft\\Windows NT\\CurrentVersion\\LanguagePack",
            "Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
            "Microsoft\\Windows NT\\CurrentVersion\\Perflib",
            "Microsoft\\Windows NT\\CurrentVersion\\Ports",
            "Microsoft\\Windows NT\\CurrentVersion\\Print",
            "Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
            "Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
            "Policies",
            "Registered Applications",
            "Wine\\Ports",
        };
        QList<QStringList> out;
        for (const char *k : list)
            out << QString::fromLatin1(k).split(QLatin1Char('\\'));
        return out;
    }();
    return keys;
}

// Classes has a 32-bit view of its own (Classes\Wow6432Node); only these
// of its keys are shared, through Wine 8's links back to the 64-bit ones.
bool isSharedClassesKey(const QString &name)
{
    static const char *const names[] = {"AppID", "Protocols", "TypeLib"};
    for (const char *n : names)
        if (!name.compare(QLatin1String(n), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

// Software's keys move below Software\Wow6432Node, Classes' below its own
// Wow6432Node; shared keys and what is 32-bit already stay.
QStringList redirect32(const QStringList &path)
{
    if (path.isEmpty() || path[0].compare(QLatin1String("Software"), Qt::CaseInsensitive))
        return path;
    if (path.size() >= 2 && !path[1].compare(kWow, Qt::CaseInsensitive))
        return path; // already the 32-bit key
    const QStringList rest = path.mid(1);
    if (!rest.isEmpty() && !rest[0].compare(QLatin1String("Classes"), Qt::CaseInsensitive)) {
        if (rest.size() >= 2 && (isSharedClassesKey(rest[1]) || !rest[1].compare(kWow, Qt::CaseInsensitive)))
            return path;
        return QStringList{path[0], rest[0], kWow} + rest.mid(1);
    }
    for (const QStringList &shared : sharedKeys())
        if (startsWithPath(rest, shared))
            return path;
    return QStringList{path[0], kWow} + rest;
}

// The two shell folder keys, which programs read in either view.
bool readsFallBackTo64(const QStringList &path)
{
    static const QStringList shellFolders = QStringLiteral(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders").split(QLatin1Char('\\'));
    static const QStringList userShellFolders = QStringLiteral(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders").split(QLatin1Char('\\'));
    return path.size() == shellFolders.size()
        && (startsWithPath(path, shellFolders) || startsWithPath(path, userShellFolders));
}

// Compared without regard to case, as key names are.
bool isWow6432Node(const QString &name)
{
    return !name.compare(kWow, Qt::CaseInsensitive);
}

// Classes shows in both views, as its link key does in Wine's; so do the
// shared keys that are one name long.
bool showsInBothViews(const QString &softwareSubkey)
{
    if (!softwareSubkey.compare(QLatin1String("Classes"), Qt::CaseInsensitive))
        return true;
    for (const QStringList &s : sharedKeys())
        if (s.size() == 1 && !s[0].compare(softwareSubkey, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace qv::view32
