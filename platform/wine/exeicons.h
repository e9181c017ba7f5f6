// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// The icon of a Windows program, taken out of its resources as Wine's menu
// builder takes it for a launcher: the program's icon group by index (0 is
// the first, in the order the resource directory lists them), one picture
// per size, of the deepest colour that size comes in, as PNG.
namespace qv::exeicons {

struct IconImage
{
    int width = 0;
    int height = 0;
    QByteArray png;
};

// Empty when the file is not a Windows program, has no such icon group, or
// none of its pictures can be read.
std::vector<IconImage> read(const QString &hostPath, int index);

// A PNG file of 8-bit RGBA pixels (rows top down, 4 bytes a pixel, alpha not premultiplied).
QByteArray png(int width, int height, const QByteArray &rgba);

} // namespace qv::exeicons
