#include "ui/MainWindow.h"

#include "ui/MainWindowDesign.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace zovt {

namespace {

using design::Kind;

// Program rows are tab-separated columns. Qt's default stop (80 px) pushes the
// duration out of sight; a memo on the original platform stops every eight
// average characters, which keeps a whole row within the display. The stops
// follow the font, whether it is set on the memo or inherited.
class Memo : public QPlainTextEdit {
public:
    explicit Memo(QWidget *parent) : QPlainTextEdit(parent) { fitTabStops(); }

protected:
    void changeEvent(QEvent *e) override
    {
        QPlainTextEdit::changeEvent(e);
        if (e->type() == QEvent::FontChange)
            fitTabStops();
    }

private:
    void fitTabStops() { setTabStopDistance(8.0 * QFontMetricsF(font()).averageCharWidth()); }
};

// The glass look: a dark rounded face with a light rim. The settings button
// has a larger silver caption.
QString glassStyle(bool large)
{
    const QColor glow = design::GlassGlow;
    QString s = QStringLiteral(
                    "QPushButton { color: %1; border: 1px solid %2; border-radius: 10px;"
                    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4a4a4a, stop:0.48 #151515,"
                    " stop:0.52 #000000, stop:1 #202020); %3 }"
                    "QPushButton:hover { border: 2px solid %2; }"
                    "QPushButton:pressed { background: #303030; }"
                    "QPushButton:disabled { color: #707070; border-color: #505050; }")
                    .arg(large ? QStringLiteral("silver") : QStringLiteral("white"), glow.name(),
                         large ? QStringLiteral("font-size: 20px;") : QString());
    return s;
}

QPixmap canvas(const QSize &size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    return pm;
}

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

void setPicture(QWidget *w, const QPixmap &pm)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        label->setPixmap(pm);
}

void setBackground(QWidget *w, QPalette::ColorRole role, const QColor &colour)
{
    QPalette pal = w->palette();
    pal.setColor(role, colour);
    w->setPalette(pal);
    if (role == QPalette::Window)
        w->setAutoFillBackground(true);
}

QWidget *makeWidget(const design::Control &c, QWidget *parent)
{
    switch (c.kind) {
    case Kind::Panel: {
        auto *f = new QFrame(parent);
        // Narrow strips and the progress strip have no frame of their own.
        if (c.geometry.width() > 20)
            f->setFrameStyle(QFrame::Panel | QFrame::Raised);
        f->setProperty("caption", c.caption);
        return f;
    }
    case Kind::Button:
    case Kind::GlassButton: {
        auto *b = new QPushButton(c.caption, parent);
        b->setAutoDefault(false);
        if (c.kind == Kind::GlassButton)
            b->setStyleSheet(glassStyle(c.name == QLatin1String("Setting")));
        return b;
    }
    case Kind::Label: {
        auto *l = new QLabel(c.caption, parent);
        l->setTextFormat(Qt::PlainText);
        // Labels fit their text, whatever language or size it comes in.
        l->setProperty("autoSize", true);
        return l;
    }
    case Kind::CheckBox: {
        auto *b = new QCheckBox(c.caption, parent);
        b->setChecked(c.checked);
        return b;
    }
    case Kind::RadioGroup: {
        auto *g = new QGroupBox(c.caption, parent);
        auto *layout = new QVBoxLayout(g);
        layout->setContentsMargins(8, 4, 4, 4);
        layout->setSpacing(0);
        for (int i = 0; i < c.items.size(); ++i) {
            auto *r = new QRadioButton(c.items.at(i), g);
            r->setChecked(i == c.index);
            r->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
            // Items spread evenly over the group, level with the colour
            // bands drawn beside it.
            layout->addWidget(r, 1);
        }
        return g;
    }
    case Kind::ListBox: {
        auto *l = new QListWidget(parent);
        l->setUniformItemSizes(true);
        l->addItems(c.items);
        l->setCurrentRow(c.index);
        return l;
    }
    case Kind::Memo: {
        auto *m = new Memo(parent);
        m->setReadOnly(c.readOnly);
        if (c.readOnly) {
            // A display that the program rewrites line by line all through a
            // playback: no undo history to grow, no wrapping to blur the rows.
            m->setUndoRedoEnabled(false);
            m->setLineWrapMode(QPlainTextEdit::NoWrap);
        }
        return m;
    }
    case Kind::Edit: {
        auto *e = new QLineEdit(c.caption, parent);
        e->setReadOnly(c.readOnly);
        return e;
    }
    case Kind::Picture: {
        auto *p = new QLabel(parent);
        p->setScaledContents(true);
        return p;
    }
    case Kind::ScrollBar: {
        auto *s = new QScrollBar(Qt::Horizontal, parent);
        s->setRange(c.minimum, c.maximum);
        s->setValue(c.index);
        s->setPageStep(1);
        return s;
    }
    case Kind::State:
        break;
    }
    return nullptr;
}

} // namespace

TForm19::TForm19(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form19"));
    setWindowTitle(design::windowTitle());
    setFont(QFont(design::designFontFamily(), design::DesignPointSize));
    resize(design::ClientSize);
    buildControls();
    addDecorations();
    applyFixedColours();
    applyColourScheme(false);
    centreOnScreen();
}

TForm19::~TForm19() = default;

void TForm19::buildControls()
{
    for (const design::Control &c : design::mainWindowControls()) {
        if (c.kind == Kind::State)
            continue;
        QWidget *parent = c.parent.isEmpty() ? this : m_widgets.value(c.parent);
        Q_ASSERT_X(parent, "TForm19", "a panel must come before its controls");
        QWidget *w = makeWidget(c, parent);
        w->setObjectName(c.name);
        if (c.fill) {
            // Follows its panel, which the resize rules stretch.
            w->setProperty("fill", true);
            w->setGeometry(parent->rect());
            parent->installEventFilter(this);
        } else {
            w->setGeometry(c.geometry);
        }
        if (w->property("autoSize").toBool())
            w->adjustSize();
        if (c.kind == Kind::Picture)
            w->installEventFilter(this);
        if (!c.visible)
            w->hide();
        if (!c.enabled)
            w->setEnabled(false);
        m_widgets.insert(c.name, w);
    }
}

// Pictures with a fixed content, the colour bands beside the radio groups and
// the label of the port number: parts of the design that no operation names.
void TForm19::addDecorations()
{
    auto sizeOf = [this](const char *name) { return widget(QString::fromLatin1(name))->size(); };
    setPicture(widget(QStringLiteral("JasLED_Pc")), lampIcon(sizeOf("JasLED_Pc")));
    setPicture(widget(QStringLiteral("VykonIR_Pc")), moonIcon(sizeOf("VykonIR_Pc")));
    setPicture(widget(QStringLiteral("ZpomalLED_Pc")), clockIcon(sizeOf("ZpomalLED_Pc")));
    setPicture(widget(QStringLiteral("Image8")), globeIcon(sizeOf("Image8")));
    setPicture(widget(QStringLiteral("OrvatrinPowerPc")), colourChange(QSize(419, 98)));

    auto picture = [](QWidget *parent, const QRect &geometry, const QPixmap &pm) {
        auto *l = new QLabel(parent);
        l->setGeometry(geometry);
        l->setPixmap(pm);
        return l;
    };
    const QColor lilac; // invalid: the gradient band
    picture(widget(QStringLiteral("Panel6")), QRect(68, 8, 70, 98),
            bands(QSize(70, 98), {Qt::white, lilac, QColor(128, 0, 128)}));

    QWidget *panel8 = widget(QStringLiteral("Panel8"));
    const QColor blue(0, 0, 255), green(0, 170, 0), yellow(255, 230, 0);
    const QList<QColor> three = {blue, green, yellow};
    const QSize icon(30, 30);
    picture(panel8, QRect(8, 36, 30, 30), moonIcon(icon));
    picture(panel8, QRect(84, 28, 60, 62), bands(QSize(60, 62), three));
    picture(panel8, QRect(8, 134, 30, 30), circleIcon(icon, QColor(150, 150, 150)));
    picture(panel8, QRect(84, 126, 60, 62), bands(QSize(60, 62), three));
    picture(panel8, QRect(8, 270, 30, 30), lampIcon(icon));
    picture(panel8, QRect(84, 224, 60, 126),
            bands(QSize(60, 126), {QColor(143, 0, 255), blue, green, yellow, QColor(255, 140, 0), QColor(255, 0, 0)}));

    auto *com = new QLabel(QStringLiteral("COM:"), widget(QStringLiteral("PanelSettigCOM")));
    com->setGeometry(10, 22, 36, 14);
}

void TForm19::applyFixedColours()
{
    const QPalette system = QGuiApplication::palette();
    for (const QString &name : design::clientPanelLabels())
        setBackground(widget(name), QPalette::Window, design::ClientLabelColour);
    setBackground(widget(QStringLiteral("Kolikrate")), QPalette::Window, design::ClientLabelColour);
    setBackground(widget(QStringLiteral("MemoWish")), QPalette::Base, design::SkyBlue);
    setBackground(widget(QStringLiteral("ZovTWisch")), QPalette::Base, design::SkyBlue);
    setBackground(widget(QStringLiteral("Zakladmemo")), QPalette::Base, Qt::white);
    for (const char *n : {"Panel2", "Panel5", "PopisP1", "PopisP2"})
        setBackground(widget(QString::fromLatin1(n)), QPalette::Window, system.color(QPalette::Dark));
    setBackground(widget(QStringLiteral("PanelSettig")), QPalette::Window, design::ActiveBorder);
    setBackground(widget(QStringLiteral("PanelSettigCOM")), QPalette::Window, design::ComStripGrey);
}

void TForm19::applyColourScheme(bool dark)
{
    const QColor colour = design::schemeColour(dark);
    setBackground(this, QPalette::Window, colour);
    for (const QString &name : design::schemePanels())
        setBackground(widget(name), QPalette::Window, colour);
}

void TForm19::setPointSize(const QString &name, int points)
{
    QWidget *w = widget(name);
    QFont f = w->font();
    f.setPointSize(std::max(points, 1));
    w->setFont(f);
    if (w->property("autoSize").toBool())
        w->adjustSize();
}

void TForm19::applyFontSizes(int main, int secondary)
{
    for (const QString &name : design::secondaryFontControls())
        setPointSize(name, secondary);
    for (const QString &name : design::mainFontControls())
        setPointSize(name, main);
}

void TForm19::centreOnScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect r = frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
}

bool TForm19::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *picture = qobject_cast<QLabel *>(watched);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (picture && mouse->button() == Qt::LeftButton && picture->rect().contains(mouse->position().toPoint()))
            emit pictureClicked(picture->objectName());
    } else if (event->type() == QEvent::Resize) {
        auto *panel = static_cast<QWidget *>(watched);
        for (QWidget *child : panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (child->property("fill").toBool())
                child->setGeometry(panel->rect());
    }
    return QWidget::eventFilter(watched, event);
}

void TForm19::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

void TForm19::closeEvent(QCloseEvent *event)
{
    emit closing();
    event->accept();
}

} // namespace zovt
