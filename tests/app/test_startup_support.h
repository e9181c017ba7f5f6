// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
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
#include "platform/wine/wineprefix.h"
#include "support/testprefix.h"

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

// A throwaway Wine prefix (the current one while it lives) whose hives the
// test builds key by key.
class StartupPrefix
{
public:
    QString root() const { return m_prefix.root(); }

    // Adds a value line (already in Wine's syntax, e.g. "\"x\"=\"y\"") to a key of a hive.
    void machine(const QString &key, const QString &line = {}) { add(m_system, key, line); }
    void user(const QString &key, const QString &line = {}) { add(m_user, key, line); }
    void users(const QString &key, const QString &line = {}) { add(m_userdef, key, line); }

    // A file or folder below drive C:, by its Windows path below "C:\".
    void file(const QString &below) { m_prefix.writeFile("C:\\" + below, "x"); }
    void folder(const QString &below) { m_prefix.mkdir("C:\\" + below); }

    void writeHives() const
    {
        write("system.reg", m_system);
        write("user.reg", m_user);
        write("userdef.reg", m_userdef);
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
    void write(const QString &name, const Keys &keys) const
    {
        HiveText text;
        for (const auto &[key, lines] : keys) {
            text.key(key);
            for (const QString &l : lines)
                text.raw(l.toUtf8());
        }
        m_prefix.writeHive(name, text);
    }

    TestPrefix m_prefix;
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
    // asTheProgram: the window starts itself, as the program's does (its
    // discovery beside the building of the layout); the year is then the
    // calendar's.
    std::unique_ptr<TForm1> start(int year = 2012, bool asTheProgram = false)
    {
        prefix.writeHives();
        if (asTheProgram)
            return std::make_unique<TForm1>();
        auto form = std::make_unique<TForm1>(nullptr, false);
        form->yearSource = [year] { return year; };
        form->FormCreate();
        return form;
    }
};
