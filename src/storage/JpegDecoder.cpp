#include "storage/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jpeglib.h>

namespace zovt {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub; // first, so libjpeg's err pointer casts back to us
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Everything that lives across setjmp: plain C data only, so a longjmp out of
// libjpeg skips no destructor.
struct Job {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
};

[[noreturn]] void onError(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Level -1 is a warning about damaged data (for instance a premature end of
// the file, which libjpeg papers over with a fake end marker); treat it as
// fatal. Trace messages (levels 0 and up) are dropped.
void onMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        onError(cinfo);
}

void setMessage(Job &job, const char *text)
{
    std::snprintf(job.err.message, sizeof job.err.message, "%s", text);
}

// The only frame that libjpeg may longjmp into. It must own no C++ object
// with a destructor; 'out' belongs to the caller, and the QImage temporaries
// below are gone before libjpeg is called again.
bool decodeInto(Job &job, const unsigned char *data, unsigned long size, QImage *out)
{
    if (setjmp(job.err.jump))
        return false;

    jpeg_create_decompress(&job.cinfo);
    job.cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
    jpeg_mem_src(&job.cinfo, data, size);
    if (jpeg_read_header(&job.cinfo, TRUE) != JPEG_HEADER_OK) {
        setMessage(job, "no image in the file");
        return false;
    }
    const JDIMENSION w = job.cinfo.image_width;
    const JDIMENSION h = job.cinfo.image_height;
    if (w == 0 || h == 0 || w > JDIMENSION(kMaxJpegSide) || h > JDIMENSION(kMaxJpegSide)
        || qint64(w) * qint64(h) > kMaxJpegPixels) {
        setMessage(job, "picture too large");
        return false;
    }

    int components = 0;
    switch (job.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        job.cinfo.out_color_space = JCS_GRAYSCALE;
        components = 1;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        job.cinfo.out_color_space = JCS_CMYK;
        components = 4;
        break;
    default:
        if (job.cinfo.num_components != 3) {
            setMessage(job, "unsupported number of colour components");
            return false;
        }
        job.cinfo.out_color_space = JCS_RGB;
        components = 3;
        break;
    }

    jpeg_start_decompress(&job.cinfo);
    if (job.cinfo.output_components != components || job.cinfo.output_width != w || job.cinfo.output_height != h) {
        setMessage(job, "unexpected output format");
        return false;
    }
    *out = QImage(int(w), int(h), QImage::Format_RGB888);
    if (out->isNull()) {
        setMessage(job, "out of memory");
        return false;
    }
    JSAMPARRAY row = (*job.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&job.cinfo), JPOOL_IMAGE,
                                                    w * JDIMENSION(components), 1);
    while (job.cinfo.output_scanline < h) {
        const JDIMENSION y = job.cinfo.output_scanline;
        if (jpeg_read_scanlines(&job.cinfo, row, 1) != 1) {
            setMessage(job, "no progress reading scanlines");
            return false;
        }
        const JSAMPLE *src = row[0];
        uchar *dst = out->scanLine(int(y));
        switch (components) {
        case 1:
            for (JDIMENSION x = 0; x < w; ++x, dst += 3)
                dst[0] = dst[1] = dst[2] = src[x];
            break;
        case 3:
            std::memcpy(dst, src, std::size_t(w) * 3);
            break;
        case 4:
            for (JDIMENSION x = 0; x < w; ++x, src += 4, dst += 3) {
                const unsigned k = src[3];
                dst[0] = uchar((src[0] * k + 127) / 255);
                dst[1] = uchar((src[1] * k + 127) / 255);
                dst[2] = uchar((src[2] * k + 127) / 255);
            }
            break;
        }
    }
    jpeg_finish_decompress(&job.cinfo);
    return true;
}

} // namespace

bool hasJpegSignature(const QByteArray &data)
{
    return data.size() >= 2 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8;
}

QImage decodeJpeg(const QByteArray &data)
{
    if (data.isEmpty())
        throw ReadError("JPEG: empty file");
    Job job;
    std::memset(&job, 0, sizeof job);
    job.cinfo.err = jpeg_std_error(&job.err.pub);
    job.err.pub.error_exit = onError;
    job.err.pub.emit_message = onMessage;

    QImage image;
    const bool ok = decodeInto(job, reinterpret_cast<const unsigned char *>(data.constData()),
                               static_cast<unsigned long>(data.size()), &image);
    if (job.cinfo.mem)
        jpeg_destroy_decompress(&job.cinfo);
    if (!ok)
        throw ReadError(std::string("JPEG: ") + job.err.message);
    return image;
}

} // namespace zovt
