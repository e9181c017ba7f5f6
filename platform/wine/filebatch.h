// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The batch file operation on a Wine prefix, inside: one Batch carries out
// one request of shFileOperation (fileoperation.h). fileoperation.cpp holds
// the batch itself (finding the sources, the checks, the questions, rename
// and the run), filebatchcopy.cpp copying and moving, filebatchdelete.cpp
// deleting. An error that ends the batch is thrown as a Failure.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <QHash>
#include <optional>
#include <utility>
#include <vector>

#include "platform/fileoperation.h"
#include "platform/namebytes.h"
#include "platform/winerror.h"

namespace qv::filebatch {

// A host path as the system calls take it.
inline QByteArray enc(const QString &s) { return namebytes::encode(s); }
// A name below a host folder.
QString hostJoin(const QString &folder, const QString &name);
// stat() of a host path, the link itself (lstatPath) or what it leads to.
inline bool lstatPath(const QString &host, struct stat &st) { return ::lstat(enc(host).constData(), &st) == 0; }
inline bool statPath(const QString &host, struct stat &st) { return ::stat(enc(host).constData(), &st) == 0; }
// The real path of a host path, links resolved; empty when it is missing.
QString canonical(const QString &host);
// Whether path is folder or lies below it (both real paths).
bool isSameOrInside(const QString &path, const QString &folder);
// The names in a host folder, "." and ".." left out; false (errno set) when
// it cannot be read.
bool folderNames(const QString &host, QStringList &names);

// An error that ends the batch: the file it concerns and the reason shown.
struct Failure
{
    int code;
    QString file;
    QString reason;

    static Failure ofErrno(int err, const QString &file)
    {
        return {winerror::fromErrno(err), file, winerror::reasonForErrno(err)};
    }
};

// The user cancelled, or refused a question: the batch stops there.
struct Cancelled
{
};

// Closes a descriptor when it goes out of scope, unless released.
class FdCloser
{
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdCloser(const FdCloser &) = delete;
    FdCloser &operator=(const FdCloser &) = delete;
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// A source of the batch: its Windows path and its host path, and what
// lstat() gave for it when the batch has asked already.
struct Source
{
    QString win;
    QString host;
    std::optional<struct stat> link = std::nullopt;
};

// One request of shFileOperation, carried out by run().
class Batch
{
public:
    Batch(ShFileOpStruct &op, FileOperationUi &ui) : m_op(op), m_ui(ui) {}

    int run();

private:
    bool flag(uint16_t f) const { return (m_op.fFlags & f) != 0; }
    bool quietQuestions() const { return flag(FOF_NOCONFIRMATION); }
    QString caption() const;
    QString defaultTitle() const;

    QString hostFolder(const QString &windowsFolder);
    QString hostOf(const QString &windowsPath, std::optional<struct stat> *link = nullptr);
    QString realFolder(const QString &hostFolder);
    QString realPathOf(const Source &s);
    std::vector<Source> expand(const QString &entry, bool &wildcard);
    void checkRemovable(const Source &s);
    void progress(const QString &file, qint64 addBytes, int addItems);
    void ensureFolder(const QString &win, const QString &host, bool ask);
    QString uniqueName(const QString &host) const;

    void copyOrMoveGroup(const QStringList &entries, const QString &targetWin, bool move);
    void transfer(const Source &src, QString dstWin, QString dstHost, bool move, bool top);
    void copyTree(const QString &srcWin, const QString &srcHost, const QString &dstWin, const QString &dstHost,
                  std::vector<std::pair<dev_t, ino_t>> &ancestors, const struct stat *known = nullptr,
                  bool dstNew = false);
    void copyFile(const QString &srcWin, const QString &srcHost, const struct stat &st, const QString &dstWin,
                  const QString &dstHost, bool dstNew);
    void copyLink(const QString &srcWin, const QString &srcHost, const QString &dstWin, const QString &dstHost);
    bool askReplace(const QString &dstWin, const QString &srcWin);
    void removeItem(const Source &s, bool toTrash);
    void removeAt(int parentFd, const QByteArray &name, const QString &win, dev_t device,
                  const struct stat *known = nullptr);
    void renameGroup(const QStringList &from, const QStringList &to);

    qint64 scanBytes(const QString &host, std::optional<struct stat> *top = nullptr) const;

    ShFileOpStruct &m_op;
    FileOperationUi &m_ui;
    FileOperationUi::Progress m_progress;
    bool m_replaceAll = false;
    bool m_mkdirAll = false;
    std::vector<QString> m_protected;
    // Host folders of the batch's Windows folders, and real paths of host
    // folders, each looked up once per batch: most entries share a folder.
    QHash<QString, QString> m_hostFolders;
    QHash<QString, QString> m_realFolders;
    // The last source file system and target folder where a clone was refused.
    std::pair<dev_t, QString> m_noClone{dev_t(-1), QString()};
};

} // namespace qv::filebatch
