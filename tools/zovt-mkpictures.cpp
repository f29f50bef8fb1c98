// Draws the default indicator pictures into a folder:
//   1RED.jpg 2ORANGE.jpg 3YELLOW.jpg 4GREEN.jpg   glossy lamp bars, shown
//       stretched in the 140 x 14 port indicator and in the small lamps,
//       each with its @2x twin for screens of twice the density;
//   TherapyL1.png .. TherapyL28.png   frames of the running bar, a bright band
//       that climbs a dark track and wraps round, so frame 28 leads into 1;
//   TherapyLA.png   the idle track; TherapyL0.png   the switch file.
//
// usage: zovt-mkpictures <folder>
//
// Everything is drawn in code so the pictures can be remade at will; the
// results are committed under data/PicWorvat. JPEG is written with libjpeg
// directly (full-resolution colour, so the thin bars keep clean edges) and
// PNG with Qt's writer.

#include "core/CommandLine.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include <jpeglib.h>

namespace {

constexpr int kLampWidth = 140;
constexpr int kLampHeight = 14;
constexpr int kBarWidth = 14;
constexpr int kBarHeight = 300;
constexpr int kFrames = 28;

QColor scaled(const QColor &c, double f)
{
    return QColor(std::clamp(int(std::lround(c.red() * f)), 0, 255), std::clamp(int(std::lround(c.green() * f)), 0, 255),
                  std::clamp(int(std::lround(c.blue() * f)), 0, 255));
}

QColor mixed(const QColor &a, const QColor &b, double t)
{
    return QColor(int(std::lround(a.red() + (b.red() - a.red()) * t)), int(std::lround(a.green() + (b.green() - a.green()) * t)),
                  int(std::lround(a.blue() + (b.blue() - a.blue()) * t)));
}

// A lit lamp as a horizontal glass bar: darker rim, body shaded from a light
// top to a deep bottom, and a soft highlight across the upper half. 'ratio'
// 2 draws the same lamp for a screen of twice the density.
QImage lamp(const QColor &base, int ratio = 1)
{
    QImage img(kLampWidth * ratio, kLampHeight * ratio, QImage::Format_RGB32);
    img.fill(scaled(base, 0.30));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(ratio, ratio);

    const QRectF body(0.5, 0.5, kLampWidth - 1.0, kLampHeight - 1.0);
    QLinearGradient shade(0, 0, 0, kLampHeight);
    shade.setColorAt(0.0, mixed(base, Qt::white, 0.35));
    shade.setColorAt(0.45, base);
    shade.setColorAt(0.8, scaled(base, 0.78));
    shade.setColorAt(1.0, scaled(base, 0.55));
    p.setPen(QPen(scaled(base, 0.40), 1.0));
    p.setBrush(shade);
    p.drawRoundedRect(body, 3, 3);

    const QRectF gloss(3, 1.5, kLampWidth - 6.0, kLampHeight * 0.42);
    QLinearGradient shine(0, gloss.top(), 0, gloss.bottom());
    shine.setColorAt(0.0, QColor(255, 255, 255, 200));
    shine.setColorAt(1.0, QColor(255, 255, 255, 25));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRoundedRect(gloss, 2.5, 2.5);

    // A faint glow low in the glass, as light coming through it.
    QLinearGradient glow(0, kLampHeight * 0.6, 0, kLampHeight - 1.0);
    glow.setColorAt(0.0, QColor(255, 255, 255, 0));
    glow.setColorAt(1.0, QColor(255, 255, 255, 40));
    p.setBrush(glow);
    p.drawRect(QRectF(4, kLampHeight * 0.6, kLampWidth - 8.0, kLampHeight * 0.4 - 1.5));
    p.end();
    return img;
}

// Brightness across the track, so it reads as a rounded channel.
double across(int x)
{
    const double t = (x + 0.5) / kBarWidth;
    return 0.45 + 0.55 * std::sin(std::numbers::pi * t);
}

// The lit band's strength at 'y' for a head at 'head': a short sharp front
// above the head and a long fading trail below it, since the band climbs.
double band(double y, double head)
{
    const double d = y - head;
    if (d < 0)
        return std::exp(-(d * d) / (2 * 5.0 * 5.0));
    return std::exp(-d / 35.0) * (0.85 + 0.15 * std::exp(-(d * d) / (2 * 6.0 * 6.0)));
}

// frame 0 is the idle track; frames 1..28 place the band's head evenly round
// the loop from the bottom up.
QImage barFrame(int frame)
{
    const QColor track(14, 22, 40);
    const QColor groove(30, 44, 74);
    const QColor light(70, 200, 255);
    const QColor core(235, 250, 255);

    QImage img(kBarWidth, kBarHeight, QImage::Format_RGB32);
    const double head = kBarHeight - (frame - 1 + 0.5) * double(kBarHeight) / kFrames;
    for (int y = 0; y < kBarHeight; ++y) {
        double s = 0;
        if (frame > 0)
            for (int k = -1; k <= 1; ++k)
                s = std::max(s, band(y + 0.5, head + k * kBarHeight));
        // Faint marks every 20 pixels let the eye see the track is still.
        const bool mark = y % 20 == 10;
        for (int x = 0; x < kBarWidth; ++x) {
            const double a = across(x);
            QColor c = scaled(mark ? groove : track, 0.6 + 0.4 * a);
            if (s > 0.002) {
                c = mixed(c, scaled(light, a), std::min(1.0, s * 1.1));
                const double hot = std::max(0.0, s - 0.55) / 0.45 * std::pow(a, 3);
                c = mixed(c, core, std::min(1.0, hot));
            }
            img.setPixel(x, y, c.rgb());
        }
    }
    return img;
}

bool writeJpeg(const QImage &image, const QString &path, int quality)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err); // a tool: libjpeg's own error exit is fine
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    for (int i = 0; i < cinfo.num_components; ++i)
        cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);

    bool ok = false;
    if (FILE *f = std::fopen(QFile::encodeName(path).constData(), "wb")) {
        ok = std::fwrite(buffer, 1, size, f) == size;
        ok = std::fclose(f) == 0 && ok;
    }
    std::free(buffer);
    return ok;
}

bool writePng(const QImage &image, const QString &path)
{
    QImageWriter w(path, "png");
    w.setCompression(9);
    return w.write(image);
}

} // namespace

int main(int argc, char **argv)
{
    zovt::cli::Program program;
    program.name = QStringLiteral("zovt-mkpictures");
    program.synopsis = QStringLiteral("FOLDER");
    program.usage = QStringLiteral(
        "Draws the default indicator pictures (the port and playback lamps and the frames of the\n"
        "running bar) into FOLDER, creating it when needed.");
    program.maxOperands = 1;
    const zovt::cli::Arguments args = zovt::cli::parse(program, argc, argv);
    if (args.exitCode)
        return *args.exitCode;
    if (args.operands.size() != 1) {
        std::fprintf(stderr, "zovt-mkpictures: no FOLDER given (see zovt-mkpictures --help)\n");
        return 2;
    }
    const QDir dir(args.operands.first());
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(args.operands.first()));
        return 1;
    }
    bool ok = true;
    const auto report = [&](bool written, const QString &name) {
        if (!written) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(dir.filePath(name)));
            ok = false;
        }
    };

    const struct {
        const char *name;
        QColor colour;
    } lamps[] = {{"1RED.jpg", QColor(218, 30, 28)},
                 {"2ORANGE.jpg", QColor(244, 128, 16)},
                 {"3YELLOW.jpg", QColor(246, 212, 24)},
                 {"4GREEN.jpg", QColor(36, 186, 58)}};
    for (const auto &l : lamps) {
        report(writeJpeg(lamp(l.colour), dir.filePath(QLatin1String(l.name)), 95), QLatin1String(l.name));
        // Beside each lamp the same drawn for a 2x screen, found by Qt's @2x rule.
        QString sharp = QLatin1String(l.name);
        sharp.insert(sharp.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        report(writeJpeg(lamp(l.colour, 2), dir.filePath(sharp), 95), sharp);
    }

    const QImage idle = barFrame(0);
    report(writePng(idle, dir.filePath(QStringLiteral("TherapyLA.png"))), QStringLiteral("TherapyLA.png"));
    report(writePng(idle.copy(0, 0, kBarWidth, kBarWidth), dir.filePath(QStringLiteral("TherapyL0.png"))),
           QStringLiteral("TherapyL0.png"));
    for (int i = 1; i <= kFrames; ++i) {
        const QString name = QStringLiteral("TherapyL%1.png").arg(i);
        report(writePng(barFrame(i), dir.filePath(name)), name);
    }
    return ok ? 0 : 1;
}
