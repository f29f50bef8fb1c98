#pragma once
#include "core/Dialogs.h"

namespace zovt {

// Qt's message boxes and file dialog, centred on the screen. Dialog paths are
// native; they are mapped to and from Windows form here.
class QtDialogs : public Dialogs {
public:
    void message(const QString &text) override;
    bool confirm(const QString &text) override;
    void errorReport(const QString &text) override;
    std::optional<QString> openFile(const OpenFile &request) override;
};

} // namespace zovt
