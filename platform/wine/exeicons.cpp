// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/wine/exeicons.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <map>
#include <optional>

#include "platform/wine/inputfile.h"

namespace qv::exeicons {

namespace {

// What a crafted program can make us do is bounded: its size, the pictures
// of a group looked at, and the sizes written (real programs have a few of each).
constexpr qint64 kLargestProgram = qint64(64) << 20;
constexpr int kMostEntries = 64;
constexpr int kMostSizes = 16;

constexpr uint32_t kIcon = 3;       // RT_ICON
constexpr uint32_t kGroupIcon = 14; // RT_GROUP_ICON

// The program's bytes, every read checked against their end.
class Bytes
{
public:
    explicit Bytes(QByteArray data) : m_data(std::move(data)) {}
    bool has(qint64 at, qint64 size) const { return at >= 0 && size >= 0 && at + size <= m_data.size(); }
    uint8_t u8(qint64 at) const { return has(at, 1) ? uint8_t(m_data.at(at)) : 0; }
    uint16_t u16(qint64 at) const { return uint16_t(u8(at) | (u8(at + 1) << 8)); }
    uint32_t u32(qint64 at) const { return u16(at) | (uint32_t(u16(at + 2)) << 16); }
    QByteArray mid(qint64 at, qint64 size) const { return has(at, size) ? m_data.mid(at, size) : QByteArray(); }

private:
    QByteArray m_data;
};

// A program's resource tree (the PE resource section), read in place.
class Resources
{
public:
    explicit Resources(const Bytes &b) : m_b(b)
    {
        if (b.mid(0, 2) != "MZ")
            return;
        const qint64 pe = b.u32(0x3C);
        if (b.mid(pe, 4) != QByteArray("PE\0\0", 4))
            return;
        const qint64 coff = pe + 4;
        const int sections = b.u16(coff + 2);
        const qint64 optional = coff + 20;
        const uint16_t magic = b.u16(optional);
        const qint64 directories = optional + (magic == 0x20B ? 112 : 96);
        const uint32_t count = b.u32(optional + (magic == 0x20B ? 108 : 92));
        if ((magic != 0x10B && magic != 0x20B) || count < 3)
            return;
        const uint32_t rva = b.u32(directories + 2 * 8); // the resource directory
        const qint64 table = optional + b.u16(coff + 16);
        for (int i = 0; i < sections; ++i) {
            const qint64 s = table + i * 40;
            m_sections.push_back({b.u32(s + 12), std::max(b.u32(s + 8), b.u32(s + 16)), b.u32(s + 20)});
        }
        if (const std::optional<qint64> base = offsetOf(rva); base && rva)
            m_base = *base;
    }

    // The data of a resource of a type, by the position of its name in the
    // directory (byPosition) or by its number; the first language.
    QByteArray find(uint32_t type, uint32_t name, bool byPosition) const
    {
        if (m_base < 0)
            return QByteArray();
        const std::optional<qint64> names = subdirectory(m_base, [&](int, uint32_t id) { return id == type; });
        if (!names)
            return QByteArray();
        const std::optional<qint64> languages =
            subdirectory(*names, [&](int i, uint32_t id) { return byPosition ? uint32_t(i) == name : id == name; });
        if (!languages)
            return QByteArray();
        const std::optional<qint64> leaf = entry(*languages, [](int i, uint32_t) { return i == 0; });
        if (!leaf)
            return QByteArray();
        const std::optional<qint64> data = offsetOf(m_b.u32(m_base + *leaf));
        return data ? m_b.mid(*data, m_b.u32(m_base + *leaf + 4)) : QByteArray();
    }

private:
    struct Section
    {
        uint32_t address, size, file;
    };

    std::optional<qint64> offsetOf(uint32_t rva) const
    {
        for (const Section &s : m_sections)
            if (rva >= s.address && rva < s.address + s.size)
                return qint64(rva - s.address) + s.file;
        return std::nullopt;
    }

    // The entry of a directory that pick chooses (by its position and its
    // number; named entries have no number): where its data or subdirectory is.
    template <typename Pick>
    std::optional<qint64> entry(qint64 directory, Pick pick, bool wantDirectory = false) const
    {
        const int named = m_b.u16(directory + 12);
        const int total = named + m_b.u16(directory + 14);
        for (int i = 0; i < total && i < 4096; ++i) {
            const qint64 e = directory + 16 + i * 8;
            const uint32_t name = m_b.u32(e);
            const uint32_t target = m_b.u32(e + 4);
            const bool isDirectory = target & 0x80000000u;
            if (isDirectory != wantDirectory || !pick(i, (name & 0x80000000u) ? uint32_t(-1) : name))
                continue;
            return qint64(target & 0x7FFFFFFFu);
        }
        return std::nullopt;
    }

    template <typename Pick>
    std::optional<qint64> subdirectory(qint64 directory, Pick pick) const
    {
        const std::optional<qint64> at = entry(directory, pick, true);
        return at ? std::optional<qint64>(m_base + *at) : std::nullopt;
    }

    const Bytes &m_b;
    std::vector<Section> m_sections;
    qint64 m_base = -1;
};

// One picture of an icon: a PNG as it is, or a device-independent bitmap
// (its height doubled for the transparency mask that follows the colours).
std::optional<QByteArray> pictureAsPng(const QByteArray &data, int width, int height)
{
    if (data.startsWith("\x89PNG"))
        return data;
    const Bytes b(data);
    const qint64 header = b.u32(0);
    const int bits = b.u16(14);
    if (header < 40 || b.u32(16) != 0 || width <= 0 || height <= 0 || width > 1024 || height > 1024)
        return std::nullopt; // compressed bitmaps do not occur in icons
    const int colours = bits <= 8 ? (b.u32(32) ? int(b.u32(32)) : 1 << bits) : 0;
    const qint64 pixels = header + colours * 4;
    const qint64 stride = ((qint64(width) * bits + 31) / 32) * 4;
    const qint64 maskStride = ((width + 31) / 32) * 4;
    const qint64 mask = pixels + stride * height;
    if (!(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32) || !b.has(pixels, stride * height))
        return std::nullopt;
    const bool hasMask = b.has(mask, maskStride * height);

    QByteArray rgba(qsizetype(width) * height * 4, '\0');
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const qint64 row = pixels + stride * (height - 1 - y); // stored bottom up
        for (int x = 0; x < width; ++x) {
            uint32_t bgra = 0;
            if (bits == 32) {
                bgra = b.u32(row + x * 4);
                anyAlpha = anyAlpha || (bgra >> 24);
            } else if (bits == 24) {
                bgra = b.u16(row + x * 3) | (uint32_t(b.u8(row + x * 3 + 2)) << 16);
            } else {
                const int perByte = 8 / bits;
                const uint8_t byte = b.u8(row + x / perByte);
                const int index = (byte >> ((perByte - 1 - x % perByte) * bits)) & ((1 << bits) - 1);
                bgra = index < colours ? b.u32(header + index * 4) : 0;
            }
            char *out = rgba.data() + (qsizetype(y) * width + x) * 4;
            out[0] = char((bgra >> 16) & 0xFF);
            out[1] = char((bgra >> 8) & 0xFF);
            out[2] = char(bgra & 0xFF);
            out[3] = char(bits == 32 ? (bgra >> 24) : 0xFF);
        }
    }
    // Without an alpha channel of its own, the mask says what shows.
    if (!anyAlpha && hasMask) {
        for (int y = 0; y < height; ++y) {
            const qint64 row = mask + maskStride * (height - 1 - y);
            for (int x = 0; x < width; ++x) {
                const bool transparent = (b.u8(row + x / 8) >> (7 - x % 8)) & 1;
                rgba[(qsizetype(y) * width + x) * 4 + 3] = transparent ? '\0' : char(0xFF);
            }
        }
    }
    return png(width, height, rgba);
}

uint32_t crc32(const QByteArray &bytes)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (const char ch : bytes)
        c = table[(c ^ uint8_t(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

QByteArray bigEndian(uint32_t v)
{
    QByteArray out(4, '\0');
    qToBigEndian(v, out.data());
    return out;
}

QByteArray chunk(const char *type, const QByteArray &data)
{
    const QByteArray typed = QByteArray(type, 4) + data;
    return bigEndian(uint32_t(data.size())) + typed + bigEndian(crc32(typed));
}

} // namespace

QByteArray png(int width, int height, const QByteArray &rgba)
{
    QByteArray raw;
    raw.reserve(qsizetype(height) * (width * 4 + 1));
    for (int y = 0; y < height; ++y)
        raw += '\0' + rgba.mid(qsizetype(y) * width * 4, qsizetype(width) * 4); // no filter
    const QByteArray header = bigEndian(uint32_t(width)) + bigEndian(uint32_t(height)) + QByteArray("\x08\x06\0\0\0", 5);
    // qCompress gives a zlib stream after a length of its own.
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", qCompress(raw, 9).mid(4))
        + chunk("IEND", QByteArray());
}

std::vector<IconImage> read(const QString &hostPath, int index)
{
    // A program is a file of the prefix: a regular one, of a program's size.
    inputfile::Read file = index < 0 ? inputfile::Read{} : inputfile::read(hostPath, kLargestProgram);
    if (!file.ok())
        return {};
    const Bytes program(std::move(file.bytes));
    const Resources resources(program);
    const Bytes group(resources.find(kGroupIcon, uint32_t(index), true));
    // A group may claim 65,535 pictures: only the first kMostEntries are
    // looked at, and pictures of at most kMostSizes sizes made, each a
    // folder of the icon theme.
    const int count = std::min<int>(group.u16(4), kMostEntries);
    struct Entry
    {
        int bits;
        uint16_t id;
        int order;
    };
    // One picture a size: of those, the deepest colour, the later one of equals.
    std::map<std::pair<int, int>, Entry> bySize;
    for (int i = 0; i < count && group.has(6 + i * 14, 14); ++i) {
        const qint64 e = 6 + i * 14;
        const uint8_t w = group.u8(e), h = group.u8(e + 1);
        const std::pair<int, int> size{w ? w : 256, h ? h : 256};
        const Entry entry{group.u16(e + 6), group.u16(e + 12), i};
        const auto it = bySize.find(size);
        if (it == bySize.end()) {
            if (int(bySize.size()) < kMostSizes)
                bySize.emplace(size, entry);
        } else if (entry.bits >= it->second.bits) {
            it->second = {entry.bits, entry.id, it->second.order};
        }
    }
    // In the order the group first lists each size.
    std::vector<std::pair<std::pair<int, int>, Entry>> chosen(bySize.begin(), bySize.end());
    std::sort(chosen.begin(), chosen.end(), [](const auto &a, const auto &b) { return a.second.order < b.second.order; });
    std::vector<IconImage> images;
    for (const auto &[size, e] : chosen)
        if (const std::optional<QByteArray> png = pictureAsPng(resources.find(kIcon, e.id, false), size.first, size.second))
            images.push_back({size.first, size.second, *png});
    return images;
}

} // namespace qv::exeicons
