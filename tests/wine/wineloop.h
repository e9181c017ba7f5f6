// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// Wine in the loop: one real prefix made with wineboot (kept in the build
// folder and reused while it is sound), the mingw-built helper programs, and
// the way to run them. Our own code reads and writes the prefix's hives only
// while its wineserver is down, as it insists; stopServer() sees to that.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

class WineLoop
{
public:
    // The loop, with its prefix made or checked; nullptr with *whyNot set
    // when Wine or the helpers are missing or the prefix cannot be made
    // (the tests then skip, saying why).
    static WineLoop *get(QString *whyNot);

    QString prefix() const { return m_prefix; }
    // The host path of a helper program ("qvreg" gives .../qvreg.exe).
    QString helper(const QString &name) const;
    // The Windows path by which Wine reaches a host path (through Z:).
    static QString windowsPath(const QString &hostPath);

    // The environment Wine runs in for a prefix: no window system, no
    // installers for Mono or Gecko, no debug chatter, UTF-8 file names.
    QProcessEnvironment environment(const QString &prefix) const;
    // Runs a program of this prefix's Wine (wine, wineboot, a helper path)
    // with stdin fed from input; the test fails when it does not end in time.
    QByteArray run(const QStringList &arguments, const QByteArray &input = QByteArray(), int timeoutMs = 120000,
                   const QString &prefix = QString());
    // A helper fed one request a line; its answer lines, one a request.
    QStringList ask(const QString &helperName, const QStringList &requests);
    // Ends the prefix's wineserver (it writes the hives as it goes) and waits for it.
    void stopServer(const QString &prefix = QString());
    // A second, light prefix that shares this one's drive C: but has its own
    // hives and so its own wineserver: another machine, as far as Wine knows.
    QString otherPrefix();

private:
    WineLoop(QString prefix, QString helpers) : m_prefix(std::move(prefix)), m_helpers(std::move(helpers)) {}
    bool ensurePrefix(QString *why);
    // A program that did not start or end: a failure of the test, or while
    // the prefix is made, part of the reason its tests skip.
    void failed(const QString &what);

    QString m_prefix;
    QString m_helpers;
    bool m_settingUp = false;
    QStringList m_setUpFailures;
};

// Texts cross to the helpers as the hex of their UTF-8 bytes ("-" when empty).
QString hexText(const QString &text);
QString textFromHex(const QString &hex);
QString hexBytes(const QByteArray &bytes);

// The fixture of every Wine test: skips without Wine, makes the prefix the
// current one, and leaves no wineserver running behind it.
class WineTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    WineLoop *wine = nullptr;
};
