// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>

// A throwaway Wine prefix, made the current one while it lives: dosdevices
// with c: -> ../drive_c and z: -> /, an empty drive_c, and the three hive
// files with Wine's opening lines and no keys (or the text a test gives).
class TestPrefix
{
public:
    enum Arch { Win32, Win64 };
    // parent: the folder to make it in (a small disk, say); the system's
    // temporary folder when empty.
    explicit TestPrefix(Arch arch = Win32, const QString &parent = QString());
    ~TestPrefix();
    TestPrefix(const TestPrefix &) = delete;
    TestPrefix &operator=(const TestPrefix &) = delete;

    QString root() const { return m_dir.path(); }
    QString driveC() const { return root() + QStringLiteral("/drive_c"); }
    // The host path of a Windows path on this prefix.
    QString host(const QString &windowsPath) const;
    // Creates a folder (with its parents) and returns its host path.
    QString mkdir(const QString &windowsPath) const;
    // Writes a file (creating its folder) and returns its host path.
    QString writeFile(const QString &windowsPath, const QByteArray &bytes = QByteArray()) const;

    // Replaces a hive ("system.reg", "user.reg", "userdef.reg") with Wine's
    // opening lines followed by body (see HiveText), and forgets hives read so far.
    void writeHive(const QString &fileName, const QByteArray &body) const;
    // Replaces a hive with exactly these bytes.
    void writeHiveRaw(const QString &fileName, const QByteArray &bytes) const;
    QByteArray readHive(const QString &fileName) const;
    // Wine's opening lines of a hive file.
    QByteArray header(const QString &fileName) const;

private:
    QTemporaryDir m_dir;
    Arch m_arch;
};

// Hive sections in Wine's own text, built up key by key:
//   HiveText().key("Software\\Adobe\\Acrobat Reader\\9.0\\InstallPath")
//             .str("", "C:\\Program Files\\Adobe\\Reader 9.0\\Reader").text()
// Paths use single backslashes; an empty value name is the default value.
class HiveText
{
public:
    HiveText &key(const QString &path);
    HiveText &str(const QString &name, const QString &value);
    HiveText &expand(const QString &name, const QString &value);
    HiveText &dword(const QString &name, uint32_t value);
    HiveText &binary(const QString &name, const QByteArray &data);
    HiveText &raw(const QByteArray &line); // any line, newline added
    QByteArray text() const { return m_text; }
    operator QByteArray() const { return m_text; }

private:
    QByteArray m_text;
};

// Every file below a host folder (hidden ones too; links are recorded by
// their target, never followed), relative path -> bytes: two snapshots are
// equal exactly when no byte, name or link changed.
QMap<QString, QByteArray> treeContents(const QString &hostFolder);
