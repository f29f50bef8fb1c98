#include "storage/Picture.h"

#include "core/Excerpt.h"
#include "storage/DataFiles.h"
#include "storage/JpegDecoder.h"
#include "storage/PngDecoder.h"

namespace zovt {

namespace {

enum class Format { Unknown, Png, Jpeg };

Format byExtension(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || name.indexOf(QLatin1Char('\\'), dot) >= 0 || name.indexOf(QLatin1Char('/'), dot) >= 0)
        return Format::Unknown;
    const QString ext = name.mid(dot + 1).toLower();
    if (ext == QLatin1String("png"))
        return Format::Png;
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") || ext == QLatin1String("jpe")
        || ext == QLatin1String("jfif"))
        return Format::Jpeg;
    return Format::Unknown;
}

} // namespace

QImage decodePicture(const QByteArray &data, const QString &nameHint)
{
    const Format format = hasPngSignature(data) ? Format::Png : hasJpegSignature(data) ? Format::Jpeg : byExtension(nameHint);
    try {
        switch (format) {
        case Format::Png:
            return decodePng(data);
        case Format::Jpeg:
            return decodeJpeg(data);
        case Format::Unknown:
            break;
        }
    } catch (const ReadError &e) {
        throw ReadError(QStringLiteral("%1: %2").arg(excerpt(nameHint, kPathExcerptChars), QString::fromStdString(e.what())).toStdString());
    }
    throw ReadError(QStringLiteral("%1: unknown picture format").arg(excerpt(nameHint, kPathExcerptChars)).toStdString());
}

QImage loadPicture(const QString &windowsPath)
{
    // readAll names the path in its own error.
    return decodePicture(files::readAll(windowsPath, files::cap::Picture), windowsPath);
}

} // namespace zovt
