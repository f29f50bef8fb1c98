#pragma once
// PNG decoding on zlib's inflate alone.
//
// Reads every colour type and bit depth the format allows, all five row
// filters and Adam7 interlacing. Ancillary chunks other than tRNS are skipped
// unread (no gamma, colour profile or background is applied); an unknown
// critical chunk is refused. Every chunk's CRC is checked.
//
// Malformed input throws ReadError; the decoder never trusts a size it has
// not seen data for, so a small file cannot make it allocate much: raw image
// data grows only as inflate produces it, and the picture itself is limited
// to kMaxPngSide pixels a side and kMaxPngPixels pixels in all.

#include "storage/FileError.h"

#include <QByteArray>
#include <QImage>

namespace zovt {

inline constexpr int kMaxPngSide = 16384;
inline constexpr qint64 kMaxPngPixels = qint64(1) << 24; // 64 MiB as RGBA

// True when the data starts with the 8-byte PNG signature.
bool hasPngSignature(const QByteArray &data);

// Decodes a whole PNG file. The result is QImage::Format_RGBA8888 with
// straight (not premultiplied) alpha: 16-bit samples keep their high byte,
// grey levels below 8 bits are scaled to 0..255, palette and grey/RGB tRNS
// transparency become alpha. Throws ReadError on anything malformed.
QImage decodePng(const QByteArray &data);

} // namespace zovt
