#include "ui/Icons.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace zovt::icons {

namespace {

// Drawn for the screen's pixel density: on a 2x screen a 30-pixel icon has
// 60 pixels of its own instead of being a 30-pixel bitmap blown up.
QPixmap canvas(const QSize &size)
{
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pm(size * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QPixmap lampIcon(const QSize &size)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    p.setPen(QPen(QColor(120, 90, 0), 1));
    p.setBrush(QColor(255, 220, 60));
    p.drawEllipse(QRectF(w * 0.22, h * 0.08, w * 0.56, h * 0.56));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(w * 0.36, h * 0.64, w * 0.28, h * 0.24));
    return pm;
}

QPixmap moonIcon(const QSize &size)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    QPainterPath full;
    full.addEllipse(QRectF(w * 0.12, h * 0.12, w * 0.76, h * 0.76));
    QPainterPath bite;
    bite.addEllipse(QRectF(w * 0.36, h * 0.02, w * 0.7, h * 0.7));
    p.setPen(QPen(QColor(120, 100, 0), 1));
    p.setBrush(QColor(255, 230, 120));
    p.drawPath(full.subtracted(bite));
    return pm;
}

QPixmap clockIcon(const QSize &size)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    const QPointF c(w / 2, h / 2);
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(c, w * 0.4, h * 0.4);
    p.drawLine(c, QPointF(w / 2, h * 0.2));
    p.drawLine(c, QPointF(w * 0.72, h / 2));
    return pm;
}

QPixmap circleIcon(const QSize &size, const QColor &colour)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(size.width() * 0.15, size.height() * 0.15, size.width() * 0.7, size.height() * 0.7));
    return pm;
}

QPixmap globeIcon(const QSize &size)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(size.width() * 0.2, size.height() * 0.05, size.width() * 0.6, size.height() * 0.9);
    const qreal d = std::min(r.width(), r.height());
    const QRectF g(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
    p.setPen(QPen(QColor(0, 60, 140), 1.5));
    p.setBrush(QColor(120, 190, 255));
    p.drawEllipse(g);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(g.adjusted(d * 0.3, 0, -d * 0.3, 0));
    p.drawLine(QPointF(g.left(), g.center().y()), QPointF(g.right(), g.center().y()));
    p.drawLine(QPointF(g.center().x(), g.top()), QPointF(g.center().x(), g.bottom()));
    return pm;
}

// Colour bands stacked from top to bottom; an invalid colour stands for the
// lilac gradient of the light-mode picture.
QPixmap bands(const QSize &size, const QList<QColor> &colours)
{
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    const int n = int(colours.size());
    for (int i = 0; i < n; ++i) {
        const int top = size.height() * i / n;
        const int bottom = size.height() * (i + 1) / n;
        const QRect band(0, top + 2, size.width(), bottom - top - 4);
        if (colours.at(i).isValid()) {
            p.fillRect(band, colours.at(i));
        } else {
            QLinearGradient g(band.topLeft(), band.topRight());
            g.setColorAt(0, QColor(255, 255, 255));
            g.setColorAt(0.5, QColor(200, 162, 200));
            g.setColorAt(1, QColor(128, 0, 128));
            p.fillRect(band, g);
        }
        p.setPen(Qt::gray);
        p.drawRect(band.adjusted(0, 0, -1, -1));
    }
    return pm;
}

QPixmap colourChange(const QSize &size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    QLinearGradient g(0, 0, size.width(), 0);
    const QColor stops[] = {QColor(143, 0, 255), QColor(0, 0, 255), QColor(0, 200, 0),
                            QColor(255, 255, 0), QColor(255, 140, 0), QColor(255, 0, 0)};
    for (int i = 0; i < 6; ++i)
        g.setColorAt(i / 5.0, stops[i]);
    p.fillRect(pm.rect(), g);
    return pm;
}

QIcon appIcon()
{
    QIcon icon(QStringLiteral(":/icons/zovt-generator.svg"));
    if (!icon.pixmap(QSize(32, 32)).isNull())
        return icon;
    // The drawing of the SVG on its 64 × 64 grid.
    QPixmap pm = canvas(QSize(64, 64));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4a, 0x90, 0xe2));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QPainterPath wave(QPointF(8, 32));
    wave.quadTo(QPointF(14, 12), QPointF(20, 32));
    bool down = true; // each smooth continuation mirrors the previous bend
    for (qreal x = 20; x < 56; x += 12, down = !down)
        wave.quadTo(QPointF(x + 6, down ? 52 : 12), QPointF(x + 12, 32));
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2e, 0xcc, 0x71));
    p.drawRoundedRect(QRectF(10, 46, 44, 6), 3, 3);
    p.end();
    return QIcon(pm);
}

} // namespace zovt::icons
