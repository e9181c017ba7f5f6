// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "app/pictures.h"

#include <QFile>
#include <QFileInfo>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <gif_lib.h>
#include <jpeglib.h>

namespace qv {

namespace {

// libjpeg reports fatal errors through a callback that must not return:
// jump back to the decoder, which gives up with a null image.
struct JpegError
{
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void jpegFail(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError *>(cinfo->err)->jump, 1);
}

void jpegQuiet(j_common_ptr, int) {}

// Larger pictures than this are not ours: refuse them rather than allocate.
constexpr long MaxPixels = 16L * 1024 * 1024;

} // namespace

QImage decodeJpeg(const QByteArray &data)
{
    if (data.isEmpty())
        return {};
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegFail;
    err.mgr.emit_message = jpegQuiet;
    // Volatile: survives the longjmp back into this frame.
    QImage *volatile result = new QImage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        delete result;
        return {};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    // Grey and YCbCr pictures both come out as 32-bit pixels in QImage's own
    // order, so no conversion pass follows.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    cinfo.out_color_space = JCS_EXT_BGRX;
#else
    cinfo.out_color_space = JCS_EXT_XRGB;
#endif
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 4 || long(cinfo.output_width) * long(cinfo.output_height) > MaxPixels)
        jpegFail(reinterpret_cast<j_common_ptr>(&cinfo));
    *result = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (result->isNull())
        jpegFail(reinterpret_cast<j_common_ptr>(&cinfo));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = result->scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    QImage image = std::move(*result);
    delete result;
    return image;
}

namespace {

struct GifSource
{
    const QByteArray *data;
    int offset;
};

int gifRead(GifFileType *gif, GifByteType *buffer, int length)
{
    auto *src = static_cast<GifSource *>(gif->UserData);
    const int left = int(src->data->size()) - src->offset;
    const int n = length < left ? length : left;
    if (n > 0)
        std::memcpy(buffer, src->data->constData() + src->offset, size_t(n));
    src->offset += n > 0 ? n : 0;
    return n > 0 ? n : 0;
}

} // namespace

QImage decodeGif(const QByteArray &data)
{
    if (data.isEmpty())
        return {};
    GifSource source{&data, 0};
    int error = 0;
    GifFileType *gif = DGifOpen(&source, gifRead, &error);
    if (!gif)
        return {};
    QImage image;
    // The window layouts store still pictures: the first frame is the picture.
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0 && gif->SWidth > 0 && gif->SHeight > 0
        && long(gif->SWidth) * long(gif->SHeight) <= MaxPixels) {
        const SavedImage &frame = gif->SavedImages[0];
        const ColorMapObject *map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        int transparent = -1;
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK)
            transparent = gcb.TransparentColor;
        if (map) {
            image = QImage(gif->SWidth, gif->SHeight, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            const GifImageDesc &desc = frame.ImageDesc;
            for (int y = 0; y < desc.Height; ++y) {
                const int iy = desc.Top + y;
                if (iy < 0 || iy >= gif->SHeight)
                    continue;
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(iy));
                for (int x = 0; x < desc.Width; ++x) {
                    const int ix = desc.Left + x;
                    if (ix < 0 || ix >= gif->SWidth)
                        continue;
                    const int index = frame.RasterBits[y * desc.Width + x];
                    if (index == transparent || index >= map->ColorCount)
                        continue;
                    const GifColorType &c = map->Colors[index];
                    line[ix] = qRgb(c.Red, c.Green, c.Blue);
                }
            }
        }
    }
    DGifCloseFile(gif, &error);
    return image;
}

namespace {

uint32_t le32(const uchar *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The button glyphs are plain 24-bit bitmaps; reading them here spares
// starting Qt's image reader (and its plugin search) for two tiny pictures.
// Anything else goes to Qt.
QImage decodeBmp(const QByteArray &data)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    const qsizetype n = data.size();
    if (n < 54 || p[0] != 'B' || p[1] != 'M')
        return {};
    const uint32_t offset = le32(p + 10), headerSize = le32(p + 14);
    const int32_t width = int32_t(le32(p + 18)), rawHeight = int32_t(le32(p + 22));
    const int bits = p[28] | p[29] << 8, compression = int(le32(p + 30));
    if (headerSize < 40 || bits != 24 || compression != 0 || width <= 0 || width > 4096 || rawHeight == 0
        || rawHeight < -4096 || rawHeight > 4096)
        return QImage::fromData(data, "BMP");
    const int height = rawHeight < 0 ? -rawHeight : rawHeight;
    const qsizetype stride = (qsizetype(width) * 3 + 3) & ~qsizetype(3);
    if (offset > uint32_t(n) || n - offset < stride * height)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up unless the height is negative.
        const uchar *row = p + offset + stride * (rawHeight > 0 ? height - 1 - y : y);
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
    return image;
}

} // namespace

QImage loadPicture(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return decodeJpeg(data);
    if (suffix == QLatin1String("gif"))
        return decodeGif(data);
    if (suffix == QLatin1String("bmp"))
        return decodeBmp(data);
    return QImage::fromData(data);
}

} // namespace qv
