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

} // namespace zovt
