#pragma once
// The main window and the client editor without windows, started on a
// temporary drive C: in virtual time: what the client tests drive.

#include "app/Application.h"
#include "clients/ClientEditor.h"
#include "clients/ClientPanel.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "device/PortLink.h"
#include "support/HeadlessApp.h"
#include "support/TempDrive.h"
#include "ui/MainWindowDesign.h"

#include <QStringList>

#include <memory>

namespace zovt::test {

struct ClientsFixture : HeadlessApp {
    // What the editor asked of its window.
    QStringList focus;
    QStringList shownTitles;
    int colourCalls = 0;
    bool darkColour = false;
    // Operations that ended in an error.
    QStringList errors;

    // Runs start-up and lets the stand-by lighting pass.
    ClientsFixture();

    ClientPanel &panel() { return app->clientPanel(); }
    ClientEditor &editor() { return app->clientEditor(); }
    ControlSurface &eui() { return app->clientEditorUi(); }

    // run() runs an operation as a handler does: an error ends it and is recorded.

    // The operator types into an editor field, or types and leaves it.
    void type(const QString &field, const QString &text);
    void typeAndLeave(const QString &field, const QString &text);

    // Writes a client file (CR LF, Windows-1250) with the given lines.
    void putClient(const QString &winPath, const QStringList &lines) const;

    // The last message shown, or empty.
    QString lastMessage() const;
    int messageCount() const;
};

} // namespace zovt::test
