// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Feeds arbitrary bytes to the hive reader. Whatever loads must behave:
// saving it untouched gives the same bytes, every section either parses or
// is reported, and a change survives being written and read again.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "platform/wine/hive.h"

using namespace qv;

namespace {
void check(bool ok)
{
    if (!ok)
        abort();
}

void walk(Hive &hive, const QStringList &path, int depth)
{
    if (depth > 4)
        return;
    for (const QString &k : hive.subkeys(path)) {
        const QStringList child = path + QStringList{k};
        check(hive.keyExists(child));
        (void)hive.value(child, QString());
        (void)hive.resolveLinks(child + QStringList{QStringLiteral("below")});
        walk(hive, child, depth + 1);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    std::unique_ptr<Hive> hive;
    try {
        hive = Hive::fromBytes(bytes, QStringLiteral("fuzz.reg"));
    } catch (const HiveError &) {
        return 0;
    }
    check(hive->serialize() == bytes);
    bool valid = true;
    try {
        hive->validate();
    } catch (const HiveError &e) {
        valid = false;
        check(e.line() >= 1);
    }
    try {
        walk(*hive, {}, 0);
    } catch (const HiveError &) {
        check(!valid); // only a hive that failed validation may fail a lookup
        return 0;
    }
    if (!valid)
        return 0;

    // Every value reads back after being written out in Wine's form.
    HiveValue v{QStringLiteral("Fuzz\"Value\\"), RegDword, hivetext::dwordData(0xdeadbeef)};
    const QStringList key{QStringLiteral("Software"), QStringLiteral("Fuzz [key]")};
    hive->setValue(key, v);
    const QByteArray out = hive->serialize();
    auto again = Hive::fromBytes(out, QStringLiteral("again.reg"));
    again->validate();
    const auto back = again->value(key, v.name);
    check(back && back->data == v.data && back->type == RegDword);
    check(again->serialize() == out);
    check(again->deleteKey(key));
    check(!again->keyExists(key));
    Hive::fromBytes(again->serialize(), QStringLiteral("third.reg"))->validate();
    return 0;
}
