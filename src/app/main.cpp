#include "core/Clock.h"
#include "app/LanguageDialogWindow.h"
#include "app/MainWindowController.h"
#include "ui/Icons.h"
#include "storage/CodePage.h"
#include "storage/WinPath.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    // Files shared with Wine programs are unusable under a wrong prefix or codec.
    QString why = zovt::winpath::prefixProblem();
    if (why.isEmpty())
        why = zovt::codepage::ensureUsable();
    if (!why.isEmpty()) {
        std::fprintf(stderr, "zovt-generator: %s\n", qPrintable(why));
        return 1;
    }
    QApplication app(argc, argv);
    zovt::MainWindowController::prepareApplication();
    QApplication::setWindowIcon(zovt::icons::appIcon());
    zovt::winpath::ensureDriveC();

    zovt::QtClock clock;

    zovt::MainWindowController form19(clock);
    form19.FormCreate();
    if (form19.ended())
        return form19.exitCode();
    zovt::LanguageDialogWindow form9(form19);
    const int rc = app.exec();
    return rc;
}
