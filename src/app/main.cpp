#include "core/Clock.h"
#include "app/MainWindowController.h"
#include "storage/WinPath.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("ZovT Generator"));
    QApplication::setQuitOnLastWindowClosed(false);
    zovt::winpath::ensureDriveC();

    zovt::QtClock clock;

    zovt::MainWindowController form19(clock);
    form19.FormCreate();
    if (form19.ended())
        return form19.exitCode();
    const int rc = app.exec();
    return rc;
}
