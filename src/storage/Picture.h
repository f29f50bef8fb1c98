#pragma once
// Loading of the pictures shown in picture controls.

#include "storage/FileError.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace zovt {

// Decodes PNG or JPEG data: by content (PNG signature, JPEG start-of-image
// marker) first, else by the extension of 'nameHint' (".png", ".jpg",
// ".jpeg", ".jpe", ".jfif"). Throws ReadError naming 'nameHint' when the
// format is unknown or the data does not decode.
QImage decodePicture(const QByteArray &data, const QString &nameHint);

// Reads and decodes the picture at a Windows path. A missing file or one that
// does not decode throws ReadError naming the path: a missing picture is a
// read error of the operation that shows it.
QImage loadPicture(const QString &windowsPath);

// The same picture drawn for a screen of twice the density, by Qt's rule:
// "1RED.jpg" has "1RED@2x.jpg" beside it.
QString highDensityVariant(const QString &windowsPath);

// The picture for a screen of the given pixel ratio: above 1 its @2x
// variant (marked as drawn at ratio 2) when that is exactly twice its size
// and not older than it, else the picture itself, which must be there
// either way. A picture a user put in place of a default one is newer than
// the default's @2x, or of another size, and so is the one shown.
QImage loadPictureFor(const QString &windowsPath, qreal devicePixelRatio);

} // namespace zovt
