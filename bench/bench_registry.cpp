// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Hive speed against the machine's own limit, measured side by side:
// loading a 20 MB hive and looking up one deep key against reading the same
// bytes raw, and saving it after one change against writing and syncing the
// same bytes raw. Prints medians and their ratios (targets: 2x each).
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "benchsupport.h"
#include "platform/wine/hive.h"

using namespace qv;

namespace {

QByteArray generateHive(qsizetype targetSize, QStringList &deepKey)
{
    QByteArray out = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n";
    unsigned n = 0;
    char guid[64];
    while (out.size() < targetSize) {
        snprintf(guid, sizeof guid, "{%08X-1234-5678-9ABC-%012X}", n * 2654435761u, n);
        const QStringList clsid{"Software", "Classes", "CLSID", QString::fromLatin1(guid)};
        const QByteArray base = hivetext::keyPath(clsid);
        out += "\n[" + base + "] 1700000000\n#time=1da1234567890ab\n";
        out += hivetext::formatValue({QString(), RegSz, hivetext::utf16Data(QStringLiteral("Component %1").arg(n))});
        out += "\n[" + base + "\\\\InprocServer32] 1700000000\n#time=1da1234567890ab\n";
        out += hivetext::formatValue({QString(), RegExpandSz,
                                      hivetext::utf16Data(QStringLiteral("%CommonProgramFiles%\\Vendor\\lib%1.dll").arg(n))});
        out += hivetext::formatValue({QStringLiteral("ThreadingModel"), RegSz, hivetext::utf16Data(QStringLiteral("Both"))});
        if (n % 4 == 0) {
            QByteArray blob(96, '\0');
            for (int i = 0; i < blob.size(); ++i)
                blob[i] = char(n + i);
            out += hivetext::formatValue({QStringLiteral("Settings"), RegBinary, blob});
            out += hivetext::formatValue({QStringLiteral("Flags"), RegDword, hivetext::dwordData(n)});
        }
        ++n;
    }
    deepKey = QStringList{"Software", "Vendor", "Product", "9.0", "Preferences", "General", "Window", "Placement"};
    out += "\n[" + hivetext::keyPath(deepKey) + "] 1700000000\n#time=1da1234567890ab\n";
    out += hivetext::formatValue({QStringLiteral("Left"), RegDword, hivetext::dwordData(10)});
    // the lookup is case-blind, so ask for it in another case
    for (QString &k : deepKey)
        k = k.toLower();
    return out;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double rawRead(const QString &file)
{
    QElapsedTimer t;
    t.start();
    QByteArray buf;
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    buf.resize(lseek(fd, 0, SEEK_END));
    lseek(fd, 0, SEEK_SET);
    qsizetype got = 0;
    while (got < buf.size()) {
        const ssize_t r = ::read(fd, buf.data() + got, size_t(buf.size() - got));
        if (r <= 0)
            break;
        got += r;
    }
    ::close(fd);
    return double(t.nsecsElapsed()) / 1e6;
}

double rawWrite(const QString &file, const QByteArray &bytes)
{
    QElapsedTimer t;
    t.start();
    const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (w <= 0)
            break;
        done += w;
    }
    ::fsync(fd);
    ::close(fd);
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    if (qEnvironmentVariableIsSet("QV_BENCH_KEEP")) { // keep the generated hive, e.g. for a profiler
        dir.setAutoRemove(false);
        fprintf(stderr, "hive kept in %s\n", qPrintable(dir.path()));
    }
    const QString file = dir.filePath("system.reg");
    QStringList deepKey;
    const QByteArray bytes = generateHive((bench::quick() ? 2 : 20) * 1024 * 1024, deepKey);
    {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    rawRead(file); // into the page cache for both contenders

    const int rounds = bench::quick() ? 1 : 9;
    std::vector<double> raw, load, rawW, save;
    for (int i = 0; i < rounds; ++i) {
        raw.push_back(rawRead(file));
        QElapsedTimer t;
        t.start();
        auto hive = Hive::load(file);
        const auto v = hive->value(deepKey, QStringLiteral("left"));
        load.push_back(double(t.nsecsElapsed()) / 1e6);
        if (!v) {
            fprintf(stderr, "the deep key was not found\n");
            return 1;
        }
    }
    for (int i = 0; i < (bench::quick() ? 1 : 5); ++i) {
        rawW.push_back(rawWrite(dir.filePath("raw.reg"), bytes));
        auto hive = Hive::load(file);
        hive->setValue(deepKey, {QStringLiteral("Top"), RegDword, hivetext::dwordData(uint32_t(i))});
        QElapsedTimer t;
        t.start();
        hive->save();
        save.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const double r = median(raw), l = median(load), w = median(rawW), s = median(save);
    printf("hive size                %.1f MB\n", double(bytes.size()) / (1024 * 1024));
    printf("raw read                 %8.2f ms\n", r);
    printf("load + deep lookup       %8.2f ms   ratio %.2f (target <= 2)\n", l, l / r);
    printf("raw write + fsync        %8.2f ms\n", w);
    printf("save after one change    %8.2f ms   ratio %.2f (target <= 2)\n", s, s / w);
    return 0;
}
