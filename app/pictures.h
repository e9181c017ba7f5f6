// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace qv {

// Picture decoding for the pictures stored with the window layouts:
// JPEG through libjpeg, GIF through giflib. A null image on bad data.
QImage decodeJpeg(const QByteArray &data);
QImage decodeGif(const QByteArray &data);
// Reads a file or Qt resource (":/pictures/...") and decodes it by its
// extension (.jpg, .gif; .bmp through Qt).
QImage loadPicture(const QString &path);

} // namespace qv
