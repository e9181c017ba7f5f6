// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/discovery.h"

#include <utility>

#include "core/preferences.h"
#include "core/reader.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/registry.h"

namespace qv {

namespace {

// The language of an installation-language code: its third and fourth
// characters, compared exactly.
QString languageOfCode(const QString &code)
{
    static const std::pair<const char *, const char *> table[] = {
        {"0C", "French"}, {"0A", "Spanish"}, {"07", "German"},
        {"16", "Portuguese"}, {"11", "Japanese"}, {"10", "Italian"},
    };
    const QString chars = code.mid(2, 2);
    for (const auto &[key, name] : table)
        if (chars == QLatin1String(key))
            return QLatin1String(name);
    return QStringLiteral("English");
}

// Reads a text value into value, without creating anything; value stays as
// it is when the key is missing (a missing value reads as empty).
void readText(uint32_t root, const QString &key, const QString &name, QString &value)
{
    RegistryAccessor reg;
    reg.setRootKey(root);
    reg.setAccess(KeyRead);
    if (reg.openKey(key, false))
        value = reg.readString(name);
}

bool isUnusableVersion(const QString &version)
{
    return version.isEmpty() || version == QLatin1String(" ") || version == QLatin1String(".");
}

const QString kDefaultVersion = QStringLiteral("6.0");

// The steps of start-up in order; a question or an error stops them.
class Discoverer
{
public:
    Discoverer(const DiscoveryAnswers &answers, Discovery &out) : m_answers(answers), m_out(out) {}

    void run()
    {
        language();
        if (!version())
            return;
        if (!folder())
            return;
        shellFolders();
        // The folder lookup above used the version as it stood.
        if (isUnusableVersion(r().version))
            r().version = kDefaultVersion;
        shortcutTargets();
        // A Reader of today says which, since Optimize does other things there.
        const int generation = preferences::generationOf(r().version);
        if (generation > 0 && m_out.memo)
            m_out.memo->insert(m_out.memo->size() - 1,
                               QStringLiteral("Generation: ") + preferences::generations().at(generation).name);
    }

private:
    ReaderInstallation &r() { return m_out.reader; }

    void language()
    {
        // The keys are only read: nothing is created at start-up.
        QString installLanguage, locale;
        readText(HKeyLocalMachine, QStringLiteral("\\SYSTEM\\CurrentControlSet\\Control\\Nls\\Language"),
                 QStringLiteral("InstallLanguage"), installLanguage);
        if (installLanguage.isEmpty())
            readText(HKeyUsers, QStringLiteral("\\.DEFAULT\\Control Panel\\International"), QStringLiteral("Locale"),
                     locale);
        r().language = languageFromCodes(installLanguage, locale);
    }

    bool version()
    {
        QStringList &versions = r().versionsFound;
        {
            RegistryAccessor reg;
            reg.setRootKey(HKeyLocalMachine);
            reg.setAccess(KeyRead);
            if (reg.openKey(reader::versionsKey(), false))
                reg.getKeyNames(versions);
        }
        QStringList memo;
        // Several versions: the memo is cleared again before the question.
        if (versions.size() == 1)
            memo << QStringLiteral("Adobe Reader v") + versions.first() + QStringLiteral(" installed.");

        const bool ask = versions.size() != 1;
        if (ask) {
            if (!m_answers.version) {
                if (versions.isEmpty())
                    m_out.question = DiscoveryQuestion{
                        DiscoveryQuestion::Version, QStringLiteral("Confirmation"),
                        QStringLiteral("No Adobe Reader has been found, please enter your Adobe Reader version"),
                        kDefaultVersion};
                else
                    m_out.question = DiscoveryQuestion{
                        DiscoveryQuestion::Version, QStringLiteral("Choose a version"),
                        QStringLiteral("More than one Adobe Reader has been installed, please choose a version "
                                       "to be accelerated"),
                        versions.last()};
                return false;
            }
            r().version = *m_answers.version;
        }
        if (!versions.isEmpty() && !versions.contains(r().version, Qt::CaseInsensitive))
            r().version = versions.last();
        if (ask) {
            // The line names the version worked on, so a typed name that is
            // not installed, or an emptied field, does not show another.
            const QString shown = isUnusableVersion(r().version) ? kDefaultVersion : r().version;
            memo << QStringLiteral("Adobe Reader v") + shown + QStringLiteral(" selected");
        }
        memo << QStringLiteral("Ready.");
        m_out.memo = memo;
        return true;
    }

    bool folder()
    {
        readText(HKeyLocalMachine, reader::versionKey(r().version, QStringLiteral("InstallPath")), QString(),
                 r().folder);
        if (r().folder.isEmpty()) {
            if (!m_answers.folder) {
                m_out.question = DiscoveryQuestion{DiscoveryQuestion::Folder,
                                                   QStringLiteral("Where Adobe Reader is installed?"),
                                                   QStringLiteral("Install Directory: "),
                                                   QStringLiteral("C:\\Program Files\\Adobe\\Acrobat 6.0\\Reader")};
                return false;
            }
            r().folder = *m_answers.folder;
        }
        // Later steps append "\plug_ins" and the like.
        while (r().folder.size() > 1 && r().folder.endsWith(QLatin1Char('\\')))
            r().folder.chop(1);
        return true;
    }

    void shellFolders()
    {
        RegistryAccessor reg;
        reg.setRootKey(HKeyLocalMachine);
        reg.setAccess(KeyRead);
        if (!reg.openKey(reader::machineShellFoldersKey(), false))
            return;
        const std::pair<QString, QString *> folders[] = {
            {QStringLiteral("Common Programs"), &r().commonProgramsFolder},
            {QStringLiteral("Common Desktop"), &r().commonDesktopFolder},
            {QStringLiteral("Personal"), &r().personalFolder},
        };
        for (const auto &[value, field] : folders)
            if (reg.valueExists(value))
                *field = reg.readString(value);
    }

    void shortcutTargets()
    {
        r().readerDesktopIconFound =
            fileExists(r().commonDesktopFolder + QLatin1Char('\\') + reader::shortcutFileName(r().version));
        r().printMeFolderFound =
            directoryExists(r().commonProgramsFolder + QLatin1Char('\\') + reader::printMeGroupName());
    }

    const DiscoveryAnswers &m_answers;
    Discovery &m_out;
};

} // namespace

QString languageFromCodes(const QString &installLanguage, const QString &locale)
{
    if (!installLanguage.isEmpty())
        return languageOfCode(installLanguage);
    // "Locale" holds eight hex digits ("0000040C"); its last four are laid out
    // as "InstallLanguage" is.
    return languageOfCode(locale.size() == 8 ? locale.right(4) : locale);
}

Discovery discoverReader(const DiscoveryAnswers &answers)
{
    Discovery out;
    try {
        Discoverer(answers, out).run();
    } catch (const Error &e) {
        // What was found before stays; the caller shows the error.
        out.error = e.message();
    }
    return out;
}

} // namespace qv
