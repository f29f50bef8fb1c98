#include "app/QtDialogs.h"

#include "storage/WinPath.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace zovt {

namespace {

int runCentred(QDialog &box)
{
    box.adjustSize();
    if (QScreen *s = QGuiApplication::primaryScreen()) {
        const QRect g = s->availableGeometry();
        box.move(g.center() - QPoint(box.width() / 2, box.height() / 2));
    }
    return box.exec();
}

// The application's name as its message boxes are captioned; it is not the
// application's display name, which Qt would append to every window title.
QString title() { return QStringLiteral("ZovT Generator"); }

} // namespace

void QtDialogs::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, title(), text, QMessageBox::Ok);
    runCentred(box);
}

bool QtDialogs::confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::Yes | QMessageBox::No);
    return runCentred(box) == QMessageBox::Yes;
}

void QtDialogs::errorReport(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title(), text, QMessageBox::Ok);
    runCentred(box);
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
    if (runCentred(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    return winpath::toWindows(dlg.selectedFiles().first());
}

} // namespace zovt
