// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The log a fleet reads: names escaped so that none can forge a line, the
// file kept below its size limit, nothing written through a link.

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "platform/namebytes.h"
#include "platform/operationlog.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

} // namespace

TEST(OperationLog, EveryNameIsOneQuotedFieldOnOneLine)
{
    const struct
    {
        QString name;
        const char *field;
    } cases[] = {
        {"C:\\Program Files\\Reader", R"("C:\\Program Files\\Reader")"},
        {"a\"b", R"("a\"b")"},
        {"x.api\n2026-01-01T00:00:00Z quorvane outcome completed", R"("x.api\n2026-01-01T00:00:00Z quorvane outcome completed")"},
        {"cr\rtab\t", R"("cr\rtab\t")"},
        {QString("esc\x1b]0;t\x07"), R"("esc\x1b]0;t\x07")"},
        {QString("c1") + QChar(0x85) + QChar(0x9b), R"("c1\x85\x9b")"},
        {QString("rtl") + QChar(0x202E) + QChar(0x2028), R"("rtl\u202e\u2028")"},
        {qv::namebytes::decode("Bad\xff.api"), R"("Bad\xff.api")"},
        {QString::fromUtf8("日本語 €"), "\"日本語 €\""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(qv::operationlog::field(c.name), QString::fromUtf8(c.field)) << c.field;
}

TEST(OperationLog, RotatesAtItsLimitAndWritesNoLink)
{
    const QString log = qv::operationlog::path();
    ASSERT_TRUE(log.startsWith(qEnvironmentVariable("XDG_STATE_HOME") + "/quorvane/")) << log.toStdString();
    QDir().mkpath(QFileInfo(log).path());
    QFile::remove(log);
    QFile::remove(log + ".1");

    const QString line(1000, 'x');
    ASSERT_TRUE(qv::operationlog::append({line}));
    while (QFileInfo(log).size() < qv::operationlog::kRotateAt)
        ASSERT_TRUE(qv::operationlog::append(QStringList(100, line)));
    const QByteArray full = readAll(log);
    ASSERT_TRUE(qv::operationlog::append({"after"}));
    EXPECT_EQ(readAll(log + ".1"), full);
    EXPECT_EQ(readAll(log), "after\n");

    // A link planted in the log's place is neither followed nor replaced.
    const QString elsewhere = log + ".target";
    QFile::remove(log);
    ASSERT_TRUE(QFile::link(elsewhere, log));
    EXPECT_FALSE(qv::operationlog::append({"planted"}));
    EXPECT_FALSE(QFile::exists(elsewhere));
    QFile::remove(log);
}
