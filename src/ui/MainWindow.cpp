#include "ui/MainWindow.h"

#include "ui/Accessibility.h"

#include "ui/FormBuilder.h"
#include "ui/Icons.h"
#include "ui/MainWindowDesign.h"
#include "ui/WidgetLook.h"
#include "core/Form19Names.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
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

using namespace icons;

namespace {

using design::Kind;

void setPicture(QWidget *w, const QPixmap &pm)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        label->setPixmap(pm);
}

} // namespace

TForm19::TForm19(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form19"));
    setWindowTitle(design::windowTitle());
    setWindowIcon(appIcon());
    setFont(QFont(design::designFontFamily(), design::DesignPointSize));
    resize(design::ClientSize);
    // Below the design size the rules would push controls over each other
    // or out of the window.
    setMinimumSize(design::ClientSize);
    m_widgets = buildForm(this, design::mainWindowControls(), this);
    // The globe opens the language dialog: by keyboard too.
    accessibility::makePictureButton(control<QLabel>(f19::Image8));
    accessibility::keepCoveredOutOfTabChain(this);
    accessibility::setReadingOrder(this, design::mainWindowReadingOrder());
    addDecorations();
    applyFixedColours();
    applyColourScheme(false);
    centreOnScreen();
}

TForm19::~TForm19() = default;


// Pictures with a fixed content, the colour bands beside the radio groups and
// the label of the port number: parts of the design that no operation names.
void TForm19::addDecorations()
{
    auto sizeOf = [this](const char *name) { return widget(QString::fromLatin1(name))->size(); };
    setPicture(widget(f19::JasLED_Pc), lampIcon(sizeOf(f19::JasLED_Pc)));
    setPicture(widget(f19::VykonIR_Pc), moonIcon(sizeOf(f19::VykonIR_Pc)));
    setPicture(widget(f19::ZpomalLED_Pc), clockIcon(sizeOf(f19::ZpomalLED_Pc)));
    setPicture(widget(f19::Image8), globeIcon(sizeOf(f19::Image8)));
    setPicture(widget(f19::OrvatrinPowerPc), colourChange(QSize(419, 98)));

    auto picture = [](QWidget *parent, const QRect &geometry, const QPixmap &pm) {
        auto *l = new QLabel(parent);
        l->setGeometry(geometry);
        l->setPixmap(pm);
        return l;
    };
    const QColor lilac; // invalid: the gradient band
    picture(widget(f19::Panel6), QRect(68, 8, 70, 98),
            bands(QSize(70, 98), {Qt::white, lilac, QColor(128, 0, 128)}));

    QWidget *panel8 = widget(f19::Panel8);
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

    auto *com = new QLabel(QStringLiteral("COM:"), widget(f19::PanelSettigCOM));
    com->setGeometry(10, 22, 36, 14);
}

void TForm19::applyFixedColours()
{
    for (const ColourAssignment &a : fixedColours(QGuiApplication::palette()))
        setBackground(widget(a.control), a.role, a.colour);
    // The wish being played is read-only but still read: the disabled grey
    // would be lost on the sky blue.
    QWidget *wish = widget(f19::MemoWish);
    QPalette pal = wish->palette();
    pal.setColor(QPalette::Disabled, QPalette::Text, pal.color(QPalette::Active, QPalette::Text));
    pal.setColor(QPalette::Disabled, QPalette::Base, design::SkyBlue);
    wish->setPalette(pal);
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
    fitToText(w);
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
    } else if (event->type() == QEvent::KeyPress && watched->property("pictureButton").toBool()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            emit pictureClicked(watched->objectName());
            return true;
        }
    } else if (event->type() == QEvent::Resize) {
        auto *panel = static_cast<QWidget *>(watched);
        for (QWidget *child : panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (child->property("fill").toBool())
                child->setGeometry(panel->rect());
    }
    return QWidget::eventFilter(watched, event);
}

QSize TForm19::layoutSize() const { return size() + design::DesignFrame; }

layout::Geometries TForm19::geometries() const
{
    layout::Geometries g;
    for (const QString &name : layout::resizedControls())
        g.insert(name, widget(name)->geometry());
    return g;
}

void TForm19::applyGeometries(const layout::Geometries &geometries)
{
    for (auto it = geometries.cbegin(); it != geometries.cend(); ++it) {
        QWidget *w = widget(it.key());
        if (w && w->geometry() != it.value())
            w->setGeometry(it.value());
    }
}

void TForm19::noticeOuterSize()
{
    const QSize outer = outerSize();
    if (outer == m_lastOuterSize)
        return;
    m_lastOuterSize = outer;
    emit resized();
}

void TForm19::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    noticeOuterSize();
}

void TForm19::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    noticeOuterSize();
}

void TForm19::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    noticeOuterSize();
}

void TForm19::closeEvent(QCloseEvent *event)
{
    if (closeQuery && !closeQuery()) {
        event->ignore();
        return;
    }
    emit closing();
    event->accept();
}

} // namespace zovt
