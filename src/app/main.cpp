#include "app/Clock.h"
#include "storage/WinPath.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    zovt::QtClock clock;
    zovt::Clock::setInstance(&clock);
    zovt::winpath::ensureDriveC();
    QLabel placeholder(QStringLiteral("ZovT Generator 1.6.04"));
    placeholder.resize(1030, 617);
    placeholder.show();
    return app.exec();
}
