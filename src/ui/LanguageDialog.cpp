#include "ui/LanguageDialog.h"

#include "ui/FormBuilder.h"
#include "ui/LanguageDialogDesign.h"
#include "ui/MainWindowDesign.h"
#include "core/Form9Names.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

namespace zovt {

TForm9::TForm9(QWidget *parent) : QWidget(parent, Qt::Window | Qt::Dialog)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Language"));
    setFont(QFont(design::designFontFamily(), design::DesignPointSize));
    setFixedSize(design::LanguageDialogSize);
    m_widgets = buildForm(this, design::languageDialogControls(), this);
    // The style draws a group's frame in a shade of its own; the dialog's
    // colour is to show in the whole group, inside a plain line.
    control<QGroupBox>(f9::Language)->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(dark); }"));
}

TForm9::~TForm9() = default;

void TForm9::applyColour(const QColor &colour)
{
    for (QWidget *w : {static_cast<QWidget *>(this), widget(f9::Language)}) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, colour);
        w->setPalette(pal);
        w->setAutoFillBackground(true);
    }
}

void TForm9::open()
{
    if (const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
    raise();
    activateWindow();
}

} // namespace zovt
