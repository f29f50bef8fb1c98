#include "app/QtDialogs.h"

#include "storage/FileIO.h"
#include "storage/WinPath.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

namespace zovt {

namespace {

// The application's name as its message boxes are captioned; it is not the
// application's display name, which Qt would append to every window title.
QString title() { return QStringLiteral("ZovT Generator"); }

// Where a dialog centres: the window the operator works in, else the
// screen.
QRect anchorRect(const QWidget *owner)
{
    const QWidget *w = QApplication::activeWindow();
    if (!w || !w->isVisible())
        w = owner && owner->isVisible() ? owner->window() : nullptr;
    if (w)
        return w->frameGeometry();
    if (const QScreen *s = QGuiApplication::primaryScreen())
        return s->availableGeometry();
    return QRect();
}

void centreOn(QWidget &box, const QRect &anchor)
{
    if (anchor.isEmpty())
        return;
    box.move(anchor.center() - QPoint(box.width() / 2, box.height() / 2));
}

// A message box that takes its final size only as it is shown: it is
// centred then, before it reaches the screen, and made wide enough for the
// window manager to show its whole title.
class Box : public QMessageBox {
public:
    Box(Icon icon, const QString &text, StandardButtons buttons, const QWidget *owner)
        : QMessageBox(icon, title(), text, buttons), m_owner(owner)
    {
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        const int wide = titleWidth(*this);
        if (width() < wide)
            setFixedSize(wide, height());
        centreOn(*this, anchorRect(m_owner));
    }

private:
    const QWidget *m_owner;
};

int runCentred(QDialog &dialog, const QWidget *owner)
{
    dialog.adjustSize();
    centreOn(dialog, anchorRect(owner));
    return dialog.exec();
}

} // namespace

int titleWidth(const QWidget &box)
{
    // Title bars draw a bolder, often larger font than the box's, beside an
    // icon and up to three buttons.
    QFont f = box.font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.25);
    constexpr int kTitleBarFurniture = 4 * 28;
    return QFontMetrics(f).horizontalAdvance(box.windowTitle()) + kTitleBarFurniture;
}

void QtDialogs::message(const QString &text)
{
    Box box(QMessageBox::NoIcon, text, QMessageBox::Ok, m_owner);
    box.exec();
}

bool QtDialogs::confirm(const QString &text)
{
    Box box(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, m_owner);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::errorReport(const QString &text)
{
    Box box(QMessageBox::Critical, text, QMessageBox::Ok, m_owner);
    box.exec();
}

std::optional<QString> QtDialogs::openFile(const OpenFile &r)
{
    QFileDialog dlg(nullptr, r.title, winpath::toNative(r.initialFolder), r.filter);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilter(r.filter);
    if (!r.fileName.isEmpty()) {
        const QString native = winpath::toNative(r.fileName);
        dlg.setDirectory(QFileInfo(native).path());
        dlg.selectFile(QFileInfo(native).fileName());
    }
    if (runCentred(dlg, m_owner) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    const QString picked = dlg.selectedFiles().first();
    const QString chosen = winpath::toWindows(picked);
    // The program reads the file by its Windows name, the way the companion
    // programs would. A file the operator can see but that name does not lead
    // back to would leave the list empty without a word; say why instead.
    if (QFileInfo(winpath::toNative(chosen)).canonicalFilePath() != QFileInfo(picked).canonicalFilePath()) {
        QString why = winpath::driveProblem(chosen);
        if (why.isEmpty())
            why = QStringLiteral("Its Windows name leads to another file in the Wine prefix \"%1\".").arg(winpath::prefix());
        errorReport(files::readErrorText(chosen, why));
    }
    return chosen;
}

} // namespace zovt
