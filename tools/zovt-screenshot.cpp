// Shows the main window in its design state and saves a picture of it, for
// checking the layout without a device or data files:
//
//   xvfb-run -a zovt-screenshot [options] [out.png]
//
//   --dark              the dark colour scheme
//   --fonts MAIN,SEC    font sizes as start-up would set them (e.g. 10,8)
//   --show A,B,...      show these controls (hidden ones of the design)
//   --hide A,B,...      hide these controls
//   --size WxH          resize the window before grabbing
//   --picture NAME=PATH show a picture (a Windows path, resolved through
//                       WINEPREFIX) in a picture control
//
// The default output is /tmp/mainwindow.png.

#include "storage/FileError.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowDesign.h"
#include "ui/WidgetSurface.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    zovt::TForm19 w;
    zovt::WidgetSurface surface(&w, zovt::design::mainWindowControls());

    QString out = QStringLiteral("/tmp/mainwindow.png");
    const QStringList args = app.arguments().mid(1);
    auto names = [](const QString &list) { return list.split(QLatin1Char(','), Qt::SkipEmptyParts); };
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const QString next = args.value(i + 1);
        if (a == QLatin1String("--dark")) {
            w.applyColourScheme(true);
        } else if (a == QLatin1String("--fonts")) {
            const QStringList s = names(next);
            w.applyFontSizes(s.value(0).toInt(), s.value(1).toInt());
            ++i;
        } else if (a == QLatin1String("--show") || a == QLatin1String("--hide")) {
            for (const QString &n : names(next)) {
                if (QWidget *c = w.widget(n))
                    c->setVisible(a == QLatin1String("--show"));
                else
                    std::fprintf(stderr, "no control %s\n", qPrintable(n));
            }
            ++i;
        } else if (a == QLatin1String("--picture")) {
            const qsizetype eq = next.indexOf(QLatin1Char('='));
            try {
                surface.showPicture(next.left(eq), next.mid(eq + 1));
            } catch (const std::exception &e) {
                std::fprintf(stderr, "%s\n", e.what());
            }
            ++i;
        } else if (a == QLatin1String("--size")) {
            const QStringList s = next.split(QLatin1Char('x'));
            w.resize(s.value(0).toInt(), s.value(1).toInt());
            ++i;
        } else {
            out = a;
        }
    }

    w.show();
    QTimer::singleShot(300, &app, [&] {
        if (!w.grab().save(out)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
            app.exit(1);
            return;
        }
        std::printf("%s\n", qPrintable(out));
        app.quit();
    });
    return app.exec();
}
