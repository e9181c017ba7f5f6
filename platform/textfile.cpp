// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The single-byte text file (filesystem.h): lines ended by CR LF, each
// failure an InOutError. The machine's part is in textfileio.h.
#include "platform/filesystem.h"

#include "platform/textfileio.h"

namespace qv {

TextFile::TextFile(const QString &windowsPath) : m_windowsPath(windowsPath) {}

TextFile::TextFile(const ResolvedFolder &folder, const QByteArray &name)
    : m_windowsPath(folder.windowsPathOf(name)), m_folder(folder), m_name(name)
{
}

TextFile::~TextFile()
{
    if (m_fd >= 0)
        textfileio::close(m_fd);
}

void TextFile::rewrite()
{
    if (m_fd >= 0) {
        textfileio::close(m_fd);
        m_fd = -1;
    }
    m_fd = m_name.isEmpty() ? textfileio::create(m_windowsPath) : textfileio::create(m_folder, m_name);
}

void TextFile::writeLine(const QByteArray &line)
{
    if (m_fd < 0)
        throw InOutError(103); // not open
    const QByteArray bytes = line + "\r\n";
    qsizetype done = 0;
    while (done < bytes.size()) {
        int code = 0;
        const qsizetype n = textfileio::write(m_fd, bytes.constData() + done, bytes.size() - done, &code);
        if (n < 0)
            throw InOutError(code);
        if (n == 0)
            throw InOutError(101); // nothing written: the disk is full
        done += n;
    }
}

void TextFile::close()
{
    if (m_fd < 0)
        throw InOutError(103);
    const int fd = m_fd;
    m_fd = -1;
    if (const int code = textfileio::close(fd))
        throw InOutError(code);
}

} // namespace qv
