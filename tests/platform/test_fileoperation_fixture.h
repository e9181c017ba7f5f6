// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>
#include <vector>

#include "platform/fileoperation.h"
#include "platform/wine/wineprefix.h"
#include "support/tempdir.h"

// Windows of the batch operation that record what they were shown and give
// the answers a test chose.
struct RecordingFileOpUi : qv::FileOperationUi
{
    struct Shown
    {
        QString caption, file, reason;
    };
    std::vector<Shown> errors;
    QStringList replaceAsked, mkdirAsked;
    QStringList titles;        // one per batch with progress
    QStringList progressFiles; // current file of every update
    int updates = 0;
    int cancelAtUpdate = -1;   // Cancel pressed at this update (0-based)
    Answer replaceAnswer = Yes;
    Answer mkdirAnswer = Yes;

    void progressBegin(const QString &title) override { titles << title; }
    bool progressUpdate(const Progress &p) override
    {
        progressFiles << p.currentFile;
        return updates++ != cancelAtUpdate;
    }
    void progressEnd() override {}
    void error(const QString &caption, const QString &file, const QString &reason) override
    {
        errors.push_back({caption, file, reason});
    }
    Answer confirmReplace(const QString &target, const QString &) override
    {
        replaceAsked << target;
        return replaceAnswer;
    }
    Answer confirmMakeFolder(const QString &folder) override
    {
        mkdirAsked << folder;
        return mkdirAnswer;
    }
};

// A throwaway prefix whose C: is drive_c, with the recording windows in place.
struct FileOpFixture : ::testing::Test
{
    TempDir tmp;
    QString root;
    RecordingFileOpUi ui;

    void SetUp() override
    {
        root = QDir(tmp.path()).canonicalPath() + "/prefix";
        QDir().mkpath(root + "/dosdevices");
        QDir().mkpath(root + "/drive_c");
        QFile::link("../drive_c", root + "/dosdevices/c:");
        qv::WinePrefix::setCurrent(root);
        qv::FileOperationUi::setInstance(&ui);
    }
    void TearDown() override
    {
        qv::FileOperationUi::setInstance(nullptr);
        QDir::setCurrent(QDir::tempPath());
    }

    // Host path of a path below C:\ given with forward slashes.
    QString c(const QString &rel) const { return root + "/drive_c/" + rel; }
    QString write(const QString &rel, const QByteArray &bytes) const
    {
        return tmp.write("prefix/drive_c/" + rel, bytes);
    }
    QByteArray read(const QString &rel) const { return tmp.read("prefix/drive_c/" + rel); }
    bool exists(const QString &rel) const { return QFileInfo::exists(c(rel)) || QFileInfo(c(rel)).isSymLink(); }
    QStringList list(const QString &rel) const
    {
        QStringList l = QDir(c(rel)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        l.sort();
        return l;
    }
};

// Zero-separated, double-zero-ended UTF-8 list.
inline QByteArray zeroList(const QStringList &entries)
{
    QByteArray out;
    for (const QString &e : entries) {
        out += e.toUtf8();
        out += '\0';
    }
    out += '\0';
    return out;
}

inline int runFileOp(uint32_t func, const QStringList &from, const QStringList &to, uint16_t flags,
                     qv::ShFileOpStruct *record = nullptr, const char *title = "Working...")
{
    const QByteArray f = zeroList(from);
    const QByteArray t = zeroList(to);
    qv::ShFileOpStruct op;
    op.wFunc = func;
    op.pFrom = f.constData();
    op.pTo = t.constData();
    op.fFlags = flags;
    op.lpszProgressTitle = title;
    const int r = qv::shFileOperation(op);
    if (record)
        *record = op;
    return r;
}
