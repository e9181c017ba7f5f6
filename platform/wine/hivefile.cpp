// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// A hive on disk: read whole at load, and saved atomically (a temporary file
// beside it, written in one go, checked, flushed, then renamed over it).
#include "platform/wine/hive.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "platform/wine/atomicfile.h"
#include "platform/wine/inputfile.h"
#include "platform/namebytes.h"

namespace qv {

namespace {

void (*g_saveHook)(const char *) = nullptr; // tests stand in for a crash through it

// The system's words for an errno value.
QString osError(int err)
{
    return QString::fromLocal8Bit(strerror(err));
}

// Writes every buffer, resuming after short writes; false with errno set.
bool writeAll(int fd, std::vector<iovec> &iov)
{
    size_t idx = 0;
    while (idx < iov.size()) {
        const int cnt = int(std::min<size_t>(iov.size() - idx, 512));
        ssize_t n = ::writev(fd, &iov[idx], cnt);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        while (n > 0 && idx < iov.size()) {
            if (size_t(n) >= iov[idx].iov_len) {
                n -= ssize_t(iov[idx].iov_len);
                ++idx;
            } else {
                iov[idx].iov_base = static_cast<char *>(iov[idx].iov_base) + n;
                iov[idx].iov_len -= size_t(n);
                n = 0;
            }
        }
    }
    return true;
}

// Whether the bytes end as no file Wine wrote can: Wine ends every line it
// writes, and writes a dword as eight hexadecimal digits, so a last line
// without its line end, or a last dword with fewer digits, is a file cut
// short (a full disk, a copy broken off). Gives the reason, or empty.
QString cutShort(const QByteArray &data)
{
    if (data.isEmpty())
        return QString();
    if (!data.endsWith('\n'))
        return QStringLiteral("its last line has no line end, so the file was cut short (Wine ends every line it "
                              "writes)");
    qsizetype start = data.lastIndexOf('\n', data.size() - 2) + 1;
    QByteArray last = data.mid(start, data.size() - 1 - start);
    if (last.endsWith('\r'))
        last.chop(1);
    const qsizetype at = last.indexOf("=dword:");
    if (at >= 0 && (last.startsWith('"') || last.startsWith('@')) && last.size() - at - 7 < 8)
        return QStringLiteral("its last value is a dword of %1 digits, not eight, so the file was cut short (Wine "
                              "writes eight)")
            .arg(last.size() - at - 7);
    return QString();
}

} // namespace

void Hive::setSaveHook(void (*hook)(const char *)) { g_saveHook = hook; }

void Hive::saveStage(const char *stage)
{
    if (g_saveHook)
        g_saveHook(stage);
}

// The whole file in one buffer, which the untouched sections go on pointing
// into. Only a regular file of at most inputfile::kHiveLimit bytes is read.
std::unique_ptr<Hive> Hive::load(const QString &file)
{
    std::unique_ptr<Hive> hive(new Hive);
    hive->m_file = file;
    inputfile::Read read = inputfile::read(file, inputfile::kHiveLimit);
    if (read.outcome == inputfile::Read::Missing)
        return hive;
    if (!read.ok())
        throw Error(QStringLiteral("The registry file \"%1\" %2, so Quorvane neither reads nor changes it. Put "
                                   "the prefix's own registry file in its place, then try again")
                        .arg(file, inputfile::problem(read, inputfile::kHiveLimit)));
    hive->m_data = std::move(read.bytes);
    if (const QString why = cutShort(hive->m_data); !why.isEmpty())
        throw HiveError(file, int(std::count(hive->m_data.cbegin(), hive->m_data.cend(), '\n'))
                                  + (hive->m_data.endsWith('\n') ? 0 : 1),
                        why);
    hive->m_existed = true;
    hive->index();
    return hive;
}

// writeTemporary(), then flushed and renamed over the file.
void Hive::save()
{
    std::unique_ptr<AtomicFile> file = writeTemporary();
    if (g_saveHook)
        g_saveHook("checked");
    if (!file->flush())
        throw saveError(*file);
    if (g_saveHook)
        g_saveHook("synced");
    if (!file->commit())
        throw saveError(*file);
    saved();
}

// What failed, with the way out.
Error Hive::saveError(const AtomicFile &file) const
{
    return Error(QStringLiteral("Could not save the registry file \"%1\" (%2: %3). The file was left as it "
                                "was; make sure the prefix folder is writable and the disk has room, then try again")
                     .arg(m_file, file.failedStep(), osError(file.error())));
}

// The whole file beside the hive, then checked: a damaged hive is never saved.
std::unique_ptr<AtomicFile> Hive::writeTemporary()
{
    // A hive that is a symbolic link is replaced where it points, keeping the
    // link, when that is inside the prefix (the hive's folder); never a file
    // out of it.
    const QString target = linkTargetWithin(m_file, QFileInfo(m_file).absolutePath());
    if (target.isEmpty())
        throw Error(QStringLiteral("The registry file \"%1\" cannot be replaced: it is a symbolic link to \"%2\", "
                                   "outside the prefix, and Quorvane writes nothing through such a link. Nothing "
                                   "was changed; put the file itself in the link's place, then try again")
                        .arg(m_file, QFileInfo(m_file).symLinkTarget()));
    auto file = std::make_unique<AtomicFile>(target);
    if (!file->open(0644))
        throw saveError(*file);

    // Untouched neighbours are one run of the bytes read: write them in one go.
    std::vector<iovec> iov;
    auto add = [&](const char *p, size_t n) {
        if (!n)
            return;
        if (!iov.empty() && static_cast<char *>(iov.back().iov_base) + iov.back().iov_len == p)
            iov.back().iov_len += n;
        else
            iov.push_back(iovec{const_cast<char *>(p), n});
    };
    add(m_data.constData(), size_t(m_prologueEnd));
    for (size_t i = 0; i < sectionCount(); ++i)
        add(sectionData(i), sectionSize(i));
    // The check of every section (it only reads them) runs while the bytes
    // are written; the file is handed on only once both are done.
    std::future<void> checked = std::async(std::launch::async, [this] { validate(); });
    if (!writeAll(file->handle(), iov)) {
        file->fail("writing", errno);
        throw saveError(*file);
    }
    if (g_saveHook)
        g_saveHook("written");
#ifdef SYNC_FILE_RANGE_WRITE
    // Let the disk start on the bytes while the check below runs on the processor.
    ::sync_file_range(file->handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    // A damaged hive is never replaced: the temporary copy goes (with the
    // writer), the file stays.
    checked.get();
    return file;
}

// The file on disk is what memory holds now.
void Hive::saved()
{
    m_existed = true;
    m_modified = false;
}

} // namespace qv
