#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

namespace kvizor {

enum class PictureFormat
{
    Unknown, // decided from the content
    Bmp,
    Dib, // a bitmap without its file header, as rich text stores it
    Ico,
    Gif,
    Png,
    Jpeg,
    Wmf,
    Emf,
};

// Bounds of picture decoding: a picture beyond them is a decoding failure.
struct PictureLimits
{
    static constexpr qsizetype kMaxFileBytes = 64 * 1024 * 1024;
    static constexpr qsizetype kMaxMetafileBytes = 16 * 1024 * 1024;
    static constexpr int kMaxSide = 8192;       // pixels of a decoded bitmap side
    static constexpr int kMaxRenderSide = 4096; // pixels of a rendered metafile side
    static constexpr int kMetafileSeconds = 5;
};

PictureFormat PictureFormatFromFileName(const QString& fileName);
PictureFormat PictureFormatFromContent(QByteArrayView data);

// Decodes a picture. Metafiles are drawn at renderSize (pixels) when given, else at their
// own size. On failure yields a null image and, when asked, the reason in English for logs;
// the program's message for the user is "Ошибка загрузки изображения!".
QImage DecodePicture(QByteArrayView data, PictureFormat format, QSize renderSize = {},
                     QString* error = nullptr);
// Reads a task picture file; the format follows the file extension.
QImage LoadPictureFile(const QString& path, QString* error = nullptr);
// The bytes of a picture file, up to the size limit; empty with the reason otherwise.
QByteArray ReadPictureFile(const QString& path, QString* error = nullptr);
// Wmf or Emf when decoding these bytes of the named file draws a metafile (by its extension,
// or by its content when the extension names no metafile), else Unknown.
PictureFormat MetafileFormatOf(QByteArrayView data, const QString& fileName);

// The bitmap file header a device-independent bitmap lacks, or empty when the DIB header
// is impossible.
QByteArray DibToBmp(QByteArrayView dib);

} // namespace kvizor
