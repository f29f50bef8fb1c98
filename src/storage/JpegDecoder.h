#pragma once
// JPEG decoding through libjpeg's decompression interface, with the library's
// default integer IDCT and fancy upsampling.
//
// libjpeg's warnings count as errors: a picture that libjpeg would pad (cut
// short, corrupt entropy data) is refused rather than shown half grey.

#include "storage/FileError.h"

#include <QByteArray>
#include <QImage>

namespace zovt {

inline constexpr int kMaxJpegSide = 16384;
inline constexpr qint64 kMaxJpegPixels = qint64(1) << 24;

// True when the data starts with a JPEG start-of-image marker.
bool hasJpegSignature(const QByteArray &data);

// Decodes a whole JPEG file to QImage::Format_RGB888. Grey pictures come out
// with R = G = B; CMYK and YCCK pictures are returned by libjpeg as (Adobe
// inverted) CMYK and turned into RGB as R = C*K/255, G = M*K/255, B = Y*K/255,
// rounded. Throws ReadError with libjpeg's message on any error or warning.
QImage decodeJpeg(const QByteArray &data);

} // namespace zovt
