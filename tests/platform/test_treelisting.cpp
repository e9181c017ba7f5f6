// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QFile>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/tempdir.h"
#include "support/treelisting.h"

// The listing is what the real-home guard and the hostile-prefix tests rely
// on to see a change: each kind of change must show, and nothing else.
TEST(TreeListing, SeesEveryKindOfChangeAndOnlyThose)
{
    struct Case
    {
        const char *what;
        std::function<void(const TempDir &)> change;
        const char *expected; // the first line's start; empty: no change
    };
    const std::vector<Case> cases = {
        {"nothing", [](const TempDir &) {}, ""},
        {"a file added", [](const TempDir &d) { d.write("b/new", "x"); }, "+ b/new"},
        {"a file removed", [](const TempDir &d) { QFile::remove(d.file("a")); }, "- a"},
        {"same size, other bytes", [](const TempDir &d) { d.write("a", "A1"); }, "~ a:"},
        {"a link retargeted",
         [](const TempDir &d) {
             QFile::remove(d.file("link"));
             QFile::link("/etc/hosts", d.file("link"));
         },
         "~ link:"},
        {"a name that is not UTF-8",
         [](const TempDir &d) {
             const QByteArray name = QFile::encodeName(d.file("b")) + "/\xff";
             ::close(::open(name.constData(), O_CREAT | O_WRONLY | O_NOFOLLOW, 0644));
         },
         "+ b/"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        dir.write("a", "A0");
        dir.write("b/c", "C");
        QFile::link("/etc/passwd", dir.file("link"));
        const TreeListing before = TreeListing::of(dir.path());
        c.change(dir);
        const QStringList changes = before.changesTo(TreeListing::of(dir.path()));
        if (*c.expected == 0) {
            EXPECT_TRUE(changes.isEmpty()) << changes.join('\n').toStdString();
            continue;
        }
        ASSERT_EQ(changes.size(), 1) << changes.join('\n').toStdString();
        EXPECT_TRUE(changes[0].startsWith(c.expected)) << changes[0].toStdString();
    }
}
