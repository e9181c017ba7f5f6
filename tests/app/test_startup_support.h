#pragma once

#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <memory>

#include "mainform.h"
#include "platform/dialogs.h"
#include "platform/wineprefix.h"
#include "support/tempdir.h"

// Answers input boxes from a script and records every dialog shown.
struct FakeDialogs : qv::Dialogs
{
    struct Input
    {
        QString caption, prompt, def;
    };
    std::deque<std::optional<QString>> answers; // nullopt: Cancel
    QList<Input> inputs;
    QStringList messages;

    QString inputBox(const QString &caption, const QString &prompt, const QString &def) override
    {
        inputs.append({caption, prompt, def});
        if (answers.empty())
            return def;
        std::optional<QString> a = answers.front();
        answers.pop_front();
        return a ? *a : def;
    }
    Result messageBox(QWidget *, const QString &text, const QString &, Buttons, Icon) override
    {
        messages.append(text);
        return ResultOk;
    }
};

struct FakeShell : qv::Shell
{
    QStringList opened;
    void open(QWidget *, const QString &target) override { opened.append(target); }
};

// A throwaway Wine prefix whose hives the test writes as Wine would.
class StartupPrefix
{
public:
    StartupPrefix()
    {
        m_root = m_tmp.file("prefix");
        QDir().mkpath(m_root + "/dosdevices");
        QDir().mkpath(m_root + "/drive_c/windows");
        QFile::link("../drive_c", m_root + "/dosdevices/c:");
    }
    QString root() const { return m_root; }

    // Adds a value line (already in Wine's syntax, e.g. "\"x\"=\"y\"") to a key of a hive.
    void machine(const QString &key, const QString &line = {}) { add(m_system, key, line); }
    void user(const QString &key, const QString &line = {}) { add(m_user, key, line); }
    void users(const QString &key, const QString &line = {}) { add(m_userdef, key, line); }

    // A file or folder below drive C:, by its Windows path below "C:\".
    void file(const QString &below) { m_tmp.write("prefix/drive_c/" + QString(below).replace('\\', '/'), "x"); }
    void folder(const QString &below) { QDir().mkpath(m_root + "/drive_c/" + QString(below).replace('\\', '/')); }

    void writeHives() const
    {
        write("system.reg", "\\\\Machine", m_system);
        write("user.reg", "\\\\User\\\\S-1-5-21-0-0-0-1000", m_user);
        write("userdef.reg", "\\\\User\\\\.Default", m_userdef);
    }

private:
    using Keys = QList<QPair<QString, QStringList>>;
    static void add(Keys &keys, const QString &key, const QString &line)
    {
        for (auto &k : keys)
            if (k.first == key) {
                if (!line.isEmpty())
                    k.second.append(line);
                return;
            }
        keys.append({key, line.isEmpty() ? QStringList() : QStringList{line}});
    }
    void write(const QString &name, const QString &relative, const Keys &keys) const
    {
        QByteArray text = "WINE REGISTRY Version 2\n;; All keys relative to " + relative.toUtf8() + "\n\n#arch=win32\n\n";
        for (const auto &[key, lines] : keys) {
            text += "[" + QString(key).replace("\\", "\\\\").toUtf8() + "] 1700000000\n#time=1d9b2c3d4e5f600\n";
            for (const QString &l : lines)
                text += l.toUtf8() + "\n";
            text += "\n";
        }
        m_tmp.write("prefix/" + name, text);
    }

    TempDir m_tmp;
    QString m_root;
    Keys m_system, m_user, m_userdef;
};

// Text value line in Wine's syntax; backslashes doubled.
inline QString sz(const QString &name, const QString &text)
{
    const QString left = name.isEmpty() ? QStringLiteral("@") : "\"" + name + "\"";
    return left + "=\"" + QString(text).replace("\\", "\\\\") + "\"";
}

// Installs the fakes and points the program at the prefix for one test.
struct StartupFixture
{
    StartupPrefix prefix;
    FakeDialogs dialogs;
    FakeShell shell;
    StartupFixture()
    {
        qv::Dialogs::setInstance(&dialogs);
        qv::Shell::setInstance(&shell);
    }
    ~StartupFixture()
    {
        qv::Dialogs::setInstance(nullptr);
        qv::Shell::setInstance(nullptr);
    }
    // Writes the hives, builds the window without its start-up, runs FormCreate.
    std::unique_ptr<TForm1> start(int year = 2012)
    {
        prefix.writeHives();
        qv::WinePrefix::setCurrent(prefix.root());
        auto form = std::make_unique<TForm1>(nullptr, false);
        form->yearSource = [year] { return year; };
        form->FormCreate();
        return form;
    }
};
