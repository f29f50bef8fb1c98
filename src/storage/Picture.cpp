#include "storage/Picture.h"

#include "core/Excerpt.h"
#include "storage/DataFiles.h"
#include "storage/JpegDecoder.h"
#include "storage/PngDecoder.h"
#include "storage/WinPath.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <sys/stat.h>

#include <algorithm>

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

namespace {

// The indicators show the same few pictures at every wait phase of every
// tick: each is read and decoded once, and again only when its file changes.
struct CachedPicture {
    QString nativePath;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;
    QImage image;
};

constexpr qsizetype kCachedPictures = 64;

QMutex g_pictureMutex;
QHash<QString, CachedPicture> g_pictures;

bool sameFile(const CachedPicture &c, const struct stat &st)
{
    return S_ISREG(st.st_mode) && st.st_dev == c.device && st.st_ino == c.inode && st.st_size == c.size
        && qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec == c.modifiedNs;
}

} // namespace

QImage loadPicture(const QString &windowsPath)
{
    QMutexLocker lock(&g_pictureMutex);
    // The same Windows path is another file in another prefix.
    const QString key = winpath::prefix() + QLatin1Char('|') + windowsPath;
    auto it = g_pictures.find(key);
    if (it != g_pictures.end()) {
        struct stat st {};
        if (::stat(QFile::encodeName(it->nativePath).constData(), &st) == 0 && sameFile(*it, st))
            return it->image;
        g_pictures.erase(it);
    }

    CachedPicture c;
    c.nativePath = winpath::toNative(windowsPath);
    struct stat before {};
    const bool known = !c.nativePath.isEmpty() && ::stat(QFile::encodeName(c.nativePath).constData(), &before) == 0;
    // readAll names the path in its own error.
    c.image = decodePicture(files::readAll(windowsPath, files::cap::Picture), windowsPath);
    if (known && S_ISREG(before.st_mode)) {
        c.device = before.st_dev;
        c.inode = before.st_ino;
        c.size = before.st_size;
        c.modifiedNs = qint64(before.st_mtim.tv_sec) * 1000000000 + before.st_mtim.tv_nsec;
        if (g_pictures.size() >= kCachedPictures)
            g_pictures.clear();
        g_pictures.insert(key, c);
    }
    return c.image;
}

QString highDensityVariant(const QString &windowsPath)
{
    const qsizetype slash = std::max(windowsPath.lastIndexOf(QLatin1Char('\\')), windowsPath.lastIndexOf(QLatin1Char('/')));
    const qsizetype dot = windowsPath.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        return windowsPath + QStringLiteral("@2x");
    return windowsPath.left(dot) + QStringLiteral("@2x") + windowsPath.mid(dot);
}

QImage loadPictureFor(const QString &windowsPath, qreal devicePixelRatio)
{
    QImage image = loadPicture(windowsPath);
    if (devicePixelRatio <= 1.0)
        return image;
    const QString variant = highDensityVariant(windowsPath);
    const QFileInfo one(winpath::toNative(windowsPath));
    const QFileInfo two(winpath::toNative(variant));
    if (!two.isFile() || two.lastModified() < one.lastModified())
        return image;
    try {
        QImage sharp = loadPicture(variant);
        if (sharp.size() != image.size() * 2)
            return image;
        sharp.setDevicePixelRatio(2.0);
        return sharp;
    } catch (const ReadError &) {
        // A broken variant is no reason to show nothing.
        return image;
    }
}

} // namespace zovt
