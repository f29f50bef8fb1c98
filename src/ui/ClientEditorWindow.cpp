#include "ui/ClientEditorWindow.h"

#include "ui/Accessibility.h"
#include "ui/ClientEditorDesign.h"
#include "ui/FormBuilder.h"
#include "ui/MainWindowDesign.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <utility>

namespace zovt {

TForm2::TForm2(QWidget *parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("Form2"));
    setFont(QFont(design::designFontFamily(), design::DesignPointSize));
    setFixedSize(design::ClientEditorSize);
    m_widgets = buildForm(this, design::clientEditorControls(), this);
    accessibility::keepCoveredOutOfTabChain(this);

    QWidget *previous = nullptr;
    for (const QString &name : design::clientEditorTabOrder() + design::clientEditorButtonOrder()) {
        QWidget *w = widget(name);
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    for (auto it = m_widgets.cbegin(); it != m_widgets.cend(); ++it) {
        if (auto *edit = qobject_cast<QLineEdit *>(it.value())) {
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::textEdited, this, [this, name = it.key()] { emit fieldEdited(name); });
            connect(edit, &QLineEdit::returnPressed, this, [this, name = it.key()] { emit enterPressed(name); });
        } else if (auto *button = qobject_cast<QAbstractButton *>(it.value())) {
            // Enter presses the button that has the focus, as Space does.
            button->installEventFilter(this);
        }
    }
}

TForm2::~TForm2() = default;

void TForm2::focusControl(const QString &name)
{
    QWidget *w = widget(name);
    if (!w)
        return;
    // The focus going back after a failed check is not the operator leaving
    // the field it comes from; any other move is.
    const bool wasPlacing = std::exchange(m_placingFocus, m_settling);
    activateWindow();
    w->setFocus(Qt::OtherFocusReason);
    m_placingFocus = wasPlacing;
    // Entering a field from the keyboard selects its text, so that typing
    // replaces a placeholder.
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        edit->selectAll();
}

void TForm2::centreOnScreen()
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    QRect r = frameGeometry();
    r.moveCenter(s->availableGeometry().center());
    move(r.topLeft());
}

void TForm2::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    emit closed();
}

bool TForm2::settleFieldExit()
{
    if (m_exited.isEmpty())
        return true;
    const QString name = std::exchange(m_exited, QString());
    if (!fieldExit)
        return true;
    const bool wasSettling = std::exchange(m_settling, true);
    const bool passed = fieldExit(name);
    m_settling = wasSettling;
    return passed;
}

bool TForm2::eventFilter(QObject *watched, QEvent *event)
{
    auto *w = qobject_cast<QWidget *>(watched);
    if (event->type() == QEvent::FocusOut && qobject_cast<QLineEdit *>(w)) {
        // Only a move to another control of this window is leaving a field;
        // switching windows or a message box taking the focus is not.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool withinWindow = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
            || reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason || reason == Qt::OtherFocusReason;
        // A field that the program disables or hides while it has the focus
        // (loading a stored client locks the identity fields) hands the
        // focus on; the operator has not left it.
        const bool stillUsable = w->isEnabled() && w->isVisible();
        if (withinWindow && !m_placingFocus && stillUsable) {
            // Checked once the focus has settled, so that a message box does
            // not open in the middle of the focus change.
            m_exited = w->objectName();
            QTimer::singleShot(0, this, [this] { settleFieldExit(); });
        }
    } else if (event->type() == QEvent::KeyPress && qobject_cast<QAbstractButton *>(w)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            static_cast<QAbstractButton *>(w)->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zovt
