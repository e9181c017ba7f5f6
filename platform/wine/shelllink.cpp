// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/shelllink.h"

#include <QDateTime>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>
#include <cstring>

#include "platform/wine/atomicfile.h"
#include "platform/wine/wineprefix.h"

namespace qv {

namespace {
// Link flags.
constexpr uint32_t HasLinkTargetIdList = 0x01;
constexpr uint32_t HasLinkInfo = 0x02;
constexpr uint32_t HasName = 0x04;
constexpr uint32_t HasRelativePath = 0x08;
constexpr uint32_t HasWorkingDir = 0x10;
constexpr uint32_t HasArguments = 0x20;
constexpr uint32_t HasIconLocation = 0x40;
constexpr uint32_t IsUnicode = 0x80;

constexpr uint32_t HeaderSize = 0x4C;
constexpr uint32_t VolumeIdAndLocalBasePath = 0x01;
constexpr uint32_t DriveFixed = 3;
constexpr uint32_t SwShowNormal = 1;
constexpr uint32_t FileAttributeDirectory = 0x10;
constexpr uint32_t FileAttributeArchive = 0x20;

// {00021401-0000-0000-C000-000000000046} as stored (first three fields little-endian).
const unsigned char LinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

void put16(QByteArray &b, uint16_t v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}
void put32(QByteArray &b, uint32_t v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}
void put64(QByteArray &b, uint64_t v)
{
    char c[8];
    qToLittleEndian(v, c);
    b.append(c, 8);
}

// FILETIME: 100-nanosecond steps since 1601-01-01.
uint64_t fileTime(const QDateTime &t)
{
    if (!t.isValid())
        return 0;
    return static_cast<uint64_t>(t.toMSecsSinceEpoch() + 11644473600000LL) * 10000ULL;
}

// Readers that only look at the ANSI fields (Wine among them) decode them in
// the Western code page, so that is what they get; Latin-1 where it is unknown.
QByteArray toAnsi(const QString &s)
{
    QStringEncoder encoder("windows-1252");
    if (!encoder.isValid())
        return s.toLatin1();
    return encoder.encode(s);
}

QString fromAnsi(const QByteArray &b)
{
    QStringDecoder decoder("windows-1252");
    if (!decoder.isValid())
        return QString::fromLatin1(b);
    return decoder.decode(b);
}

bool isAscii(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// A string data entry: count of characters, then UTF-16LE.
void putStringData(QByteArray &b, const QString &s)
{
    const QString t = s.left(0xFFFF);
    put16(b, static_cast<uint16_t>(t.size()));
    for (QChar c : t)
        put16(b, c.unicode());
}

QByteArray linkInfo(const QString &path)
{
    // Non-ASCII paths also get the Unicode fields so that nothing is lost to a code page.
    const bool unicode = !isAscii(path);
    const uint32_t headerSize = unicode ? 0x24 : 0x1C;
    QByteArray volume;
    put32(volume, 0x11);     // VolumeIDSize
    put32(volume, DriveFixed);
    put32(volume, 0);        // serial number
    put32(volume, 0x10);     // VolumeLabelOffset
    volume.append('\0');     // empty label
    QByteArray ansi = toAnsi(path);
    ansi.append('\0');
    const uint32_t volumeOffset = headerSize;
    const uint32_t baseOffset = volumeOffset + volume.size();
    const uint32_t suffixOffset = baseOffset + ansi.size();
    uint32_t end = suffixOffset + 1;
    QByteArray uniPath, uniSuffix;
    uint32_t uniBaseOffset = 0, uniSuffixOffset = 0;
    if (unicode) {
        for (QChar c : path)
            put16(uniPath, c.unicode());
        put16(uniPath, 0);
        put16(uniSuffix, 0);
        uniBaseOffset = end;
        uniSuffixOffset = uniBaseOffset + uniPath.size();
        end = uniSuffixOffset + uniSuffix.size();
    }
    QByteArray b;
    put32(b, end);
    put32(b, headerSize);
    put32(b, VolumeIdAndLocalBasePath);
    put32(b, volumeOffset);
    put32(b, baseOffset);
    put32(b, 0); // no network share
    put32(b, suffixOffset);
    if (unicode) {
        put32(b, uniBaseOffset);
        put32(b, uniSuffixOffset);
    }
    b += volume;
    b += ansi;
    b.append('\0'); // empty common path suffix
    b += uniPath;
    b += uniSuffix;
    return b;
}

class Reader
{
public:
    explicit Reader(const QByteArray &b) : m_b(b) {}
    bool has(qsizetype n) const { return m_pos >= 0 && m_pos + n <= m_b.size(); }
    uint16_t u16()
    {
        if (!has(2)) { m_ok = false; return 0; }
        const uint16_t v = qFromLittleEndian<uint16_t>(m_b.constData() + m_pos);
        m_pos += 2;
        return v;
    }
    uint32_t u32()
    {
        if (!has(4)) { m_ok = false; return 0; }
        const uint32_t v = qFromLittleEndian<uint32_t>(m_b.constData() + m_pos);
        m_pos += 4;
        return v;
    }
    void skip(qsizetype n)
    {
        if (!has(n)) m_ok = false;
        m_pos += n;
    }
    QString stringData(bool unicode)
    {
        const uint16_t count = u16();
        QString s;
        if (unicode) {
            if (!has(qsizetype(count) * 2)) { m_ok = false; return s; }
            for (int i = 0; i < count; ++i)
                s.append(QChar(u16()));
        } else {
            if (!has(count)) { m_ok = false; return s; }
            s = fromAnsi(QByteArray(m_b.constData() + m_pos, count));
            m_pos += count;
        }
        return s;
    }
    qsizetype pos() const { return m_pos; }
    bool ok() const { return m_ok; }

private:
    const QByteArray &m_b;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

QString cString(const QByteArray &b, qsizetype offset)
{
    if (offset < 0 || offset >= b.size())
        return QString();
    const qsizetype end = b.indexOf('\0', offset);
    return fromAnsi(b.mid(offset, (end < 0 ? b.size() : end) - offset));
}

QString wideString(const QByteArray &b, qsizetype offset)
{
    QString s;
    for (qsizetype i = offset; i >= 0 && i + 1 < b.size(); i += 2) {
        const uint16_t c = qFromLittleEndian<uint16_t>(b.constData() + i);
        if (c == 0)
            break;
        s.append(QChar(c));
    }
    return s;
}
} // namespace

QByteArray ShellLink::toBytes() const
{
    uint32_t flags = HasLinkInfo | IsUnicode;
    if (!m_description.isEmpty())
        flags |= HasName;
    if (!m_workingDirectory.isEmpty())
        flags |= HasWorkingDir;
    if (!m_arguments.isEmpty())
        flags |= HasArguments;

    uint32_t attributes = FileAttributeArchive;
    uint64_t created = 0, accessed = 0, written = 0;
    uint32_t size = 0;
    const QString host = WinePrefix::current().toHost(m_path);
    const QFileInfo target(host);
    if (!host.isEmpty() && target.exists()) {
        attributes = target.isDir() ? FileAttributeDirectory : FileAttributeArchive;
        created = fileTime(target.birthTime().isValid() ? target.birthTime() : target.lastModified());
        accessed = fileTime(target.lastRead());
        written = fileTime(target.lastModified());
        size = static_cast<uint32_t>(target.size());
    }

    QByteArray b;
    put32(b, HeaderSize);
    b.append(reinterpret_cast<const char *>(LinkClsid), 16);
    put32(b, flags);
    put32(b, attributes);
    put64(b, created);
    put64(b, accessed);
    put64(b, written);
    put32(b, size);
    put32(b, 0);            // icon index
    put32(b, SwShowNormal);
    put16(b, 0);            // no hot key
    put16(b, 0);
    put32(b, 0);
    put32(b, 0);
    b += linkInfo(m_path);
    if (flags & HasName)
        putStringData(b, m_description);
    if (flags & HasWorkingDir)
        putStringData(b, m_workingDirectory);
    if (flags & HasArguments)
        putStringData(b, m_arguments);
    put32(b, 0); // terminal block: no extra data
    return b;
}

bool ShellLink::save(const QString &windowsLinkPath) const
{
    const QString host = WinePrefix::current().toHost(windowsLinkPath);
    if (host.isEmpty())
        return false;
    // A symbolic link in the shortcut's place is replaced, never written
    // through: a prefix may plant one that leads to any file of the user's.
    AtomicFile f(host);
    return f.open() && f.write(toBytes()) && f.commit();
}

std::optional<ShellLink> ShellLink::fromBytes(const QByteArray &bytes)
{
    Reader r(bytes);
    if (r.u32() != HeaderSize || !r.has(16)
        || memcmp(bytes.constData() + 4, LinkClsid, 16) != 0)
        return std::nullopt;
    r.skip(16);
    const uint32_t flags = r.u32();
    r.skip(HeaderSize - 24);
    if (flags & HasLinkTargetIdList)
        r.skip(r.u16());
    ShellLink link;
    if (flags & HasLinkInfo) {
        const qsizetype start = r.pos();
        const uint32_t size = r.u32();
        const uint32_t headerSize = r.u32();
        const uint32_t infoFlags = r.u32();
        r.u32(); // volume id offset
        const uint32_t baseOffset = r.u32();
        r.u32(); // network share offset
        const uint32_t suffixOffset = r.u32();
        if (!r.ok() || size < headerSize || !r.has(qsizetype(size) - (r.pos() - start)))
            return std::nullopt;
        const QByteArray info = bytes.mid(start, size);
        if (infoFlags & VolumeIdAndLocalBasePath) {
            if (headerSize >= 0x24) {
                const uint32_t uniBase = qFromLittleEndian<uint32_t>(info.constData() + 0x1C);
                const uint32_t uniSuffix = qFromLittleEndian<uint32_t>(info.constData() + 0x20);
                link.m_path = wideString(info, uniBase) + wideString(info, uniSuffix);
            } else {
                link.m_path = cString(info, baseOffset) + cString(info, suffixOffset);
            }
        }
        r.skip(qsizetype(size) - (r.pos() - start));
    }
    const bool unicode = flags & IsUnicode;
    if (flags & HasName)
        link.m_description = r.stringData(unicode);
    if (flags & HasRelativePath)
        r.stringData(unicode);
    if (flags & HasWorkingDir)
        link.m_workingDirectory = r.stringData(unicode);
    if (flags & HasArguments)
        link.m_arguments = r.stringData(unicode);
    if (flags & HasIconLocation)
        r.stringData(unicode);
    if (!r.ok())
        return std::nullopt;
    return link;
}

} // namespace qv
