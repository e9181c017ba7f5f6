// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/earlierstate.h"

#include <QByteArrayList>
#include <QUrl>

#include "platform/error.h"
#include "platform/filesystem.h"

namespace qv {

namespace {

const QByteArray kName = "Quorvane.record";
const QByteArray kTemporary = "Quorvane.record.new";
constexpr qsizetype kLimit = 4 * 1024 * 1024;

QByteArray field(const QString &text)
{
    return QUrl::toPercentEncoding(text);
}

QString unfield(const QByteArray &bytes)
{
    return QUrl::fromPercentEncoding(bytes);
}

bool sameKey(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

const EarlierState::Value *EarlierState::value(uint32_t root, const QString &key, const QString &name) const
{
    for (const Value &v : values)
        if (v.root == root && sameKey(v.key, key) && sameKey(v.name, name))
            return &v;
    return nullptr;
}

bool EarlierState::madeKey(uint32_t root, const QString &key) const
{
    for (const Key &k : keys)
        if (k.root == root && (sameKey(k.key, key) || key.startsWith(k.key + QLatin1Char('\\'), Qt::CaseInsensitive)))
            return true;
    return false;
}

const EarlierState::File *EarlierState::file(const QString &original) const
{
    for (const File &f : files)
        if (sameKey(f.original, original))
            return &f;
    return nullptr;
}

QByteArray EarlierState::text() const
{
    QByteArray out = "Quorvane record 1\n";
    for (const Value &v : values) {
        out += "value\t" + QByteArray::number(v.root, 16) + '\t' + field(v.key) + '\t' + field(v.name) + '\t';
        out += v.was ? QByteArray::number(v.was->type) + '\t' + v.was->data.toHex() : QByteArray("-");
        out += '\n';
    }
    for (const Key &k : keys)
        out += "key\t" + QByteArray::number(k.root, 16) + '\t' + field(k.key) + '\n';
    for (const File &f : files)
        out += "file\t" + field(f.original) + '\t' + field(f.aside) + '\n';
    return out;
}

EarlierState EarlierState::parse(const QByteArray &text)
{
    EarlierState s;
    for (const QByteArray &line : text.split('\n')) {
        const QByteArrayList f = line.trimmed().split('\t');
        bool ok = false;
        if (f.value(0) == "value" && (f.size() == 5 || f.size() == 6)) {
            Value v{f[1].toUInt(&ok, 16), unfield(f[2]), unfield(f[3]), std::nullopt};
            if (f.size() == 6)
                v.was = RawRegistryValue{f[4].toUInt(), QByteArray::fromHex(f[5])};
            if (ok && (f.size() == 6 || f[4] == "-"))
                s.values.push_back(v);
        } else if (f.value(0) == "key" && f.size() == 3) {
            Key k{f[1].toUInt(&ok, 16), unfield(f[2])};
            if (ok && !k.key.isEmpty())
                s.keys.push_back(k);
        } else if (f.value(0) == "file" && f.size() == 3) {
            s.files.push_back({unfield(f[1]), unfield(f[2])});
        }
    }
    return s;
}

QByteArray earlierStateFileName()
{
    return kName;
}

QString setAsideFolderOf(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\Quorvane set aside");
}

std::optional<EarlierState> readEarlierState(const ResolvedFolder &readerFolder)
{
    if (!fileExists(readerFolder, kName))
        return std::nullopt;
    return EarlierState::parse(readFileStart(readerFolder, kName, kLimit));
}

void writeEarlierState(const ResolvedFolder &readerFolder, const EarlierState &state)
{
    {
        TextFile f(readerFolder, kTemporary);
        f.rewrite();
        const QByteArray text = state.text();
        for (const QByteArray &line : text.split('\n'))
            if (!line.isEmpty())
                f.writeLine(line);
        f.close();
    }
    if (!renameInFolder(readerFolder, kTemporary, kName)) {
        deleteFile(readerFolder, kTemporary);
        throw Error(QStringLiteral("The record of what Optimize changed could not be written to \"%1\"")
                        .arg(readerFolder.windowsPathOf(kName)));
    }
}

void deleteEarlierState(const ResolvedFolder &readerFolder)
{
    deleteFile(readerFolder, kName);
}

} // namespace qv
