#pragma once
#include "core/Dialogs.h"

class QWidget;

namespace zovt {

// Qt's message boxes and file dialog, centred on the window the operator
// works in (the active one, else the owner, else the screen). Dialog paths
// are native; they are mapped to and from Windows form here.
class QtDialogs : public Dialogs {
public:
    // The window the dialogs belong to when none of the program's is active.
    void setOwner(const QWidget *owner) { m_owner = owner; }

    void message(const QString &text) override;
    bool confirm(const QString &text) override;
    void errorReport(const QString &text) override;
    std::optional<QString> openFile(const OpenFile &request) override;

private:
    const QWidget *m_owner = nullptr;
};

// The width a message box needs for its whole title in a window manager's
// title bar.
int titleWidth(const QWidget &box);

} // namespace zovt
