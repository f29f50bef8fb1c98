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

#include "core/CommandLine.h"
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
    zovt::cli::Program program;
    program.name = QStringLiteral("zovt-screenshot");
    program.synopsis = QStringLiteral("[OPTION...] [OUT.png]");
    program.usage = QStringLiteral(
        "Shows the main window in its design state and saves a picture of it into OUT.png\n"
        "(default /tmp/mainwindow.png), for checking the layout without a device or data files.\n"
        "The options act in the order given.");
    program.options = {
        {QStringLiteral("dark"), {}, QStringLiteral("The dark colour scheme.")},
        {QStringLiteral("fonts"), QStringLiteral("MAIN,SEC"), QStringLiteral("Font sizes as start-up would set them (e.g. 10,8).")},
        {QStringLiteral("show"), QStringLiteral("A,B,..."), QStringLiteral("Show these controls (hidden ones of the design).")},
        {QStringLiteral("hide"), QStringLiteral("A,B,..."), QStringLiteral("Hide these controls.")},
        {QStringLiteral("size"), QStringLiteral("WxH"), QStringLiteral("Resize the window before grabbing.")},
        {QStringLiteral("picture"), QStringLiteral("NAME=PATH"),
         QStringLiteral("Show a picture (a Windows path, resolved through WINEPREFIX) in a picture control.")},
    };
    program.maxOperands = 1;
    program.qtOptions = true;
    const zovt::cli::Arguments args = zovt::cli::parse(program, argc, argv);
    if (args.exitCode)
        return *args.exitCode;

    QApplication app(argc, argv);
    zovt::TForm19 w;
    zovt::WidgetSurface surface(&w, zovt::design::mainWindowControls());

    const QString out = args.operands.value(0, QStringLiteral("/tmp/mainwindow.png"));
    auto names = [](const QString &list) { return list.split(QLatin1Char(','), Qt::SkipEmptyParts); };
    for (const auto &[a, next] : args.given) {
        if (a == QLatin1String("dark")) {
            w.applyColourScheme(true);
        } else if (a == QLatin1String("fonts")) {
            const QStringList s = names(next);
            w.applyFontSizes(s.value(0).toInt(), s.value(1).toInt());
        } else if (a == QLatin1String("show") || a == QLatin1String("hide")) {
            for (const QString &n : names(next)) {
                if (QWidget *c = w.widget(n))
                    c->setVisible(a == QLatin1String("show"));
                else
                    std::fprintf(stderr, "no control %s\n", qPrintable(n));
            }
        } else if (a == QLatin1String("picture")) {
            const qsizetype eq = next.indexOf(QLatin1Char('='));
            try {
                surface.showPicture(next.left(eq), next.mid(eq + 1));
            } catch (const std::exception &e) {
                std::fprintf(stderr, "%s\n", e.what());
            }
        } else if (a == QLatin1String("size")) {
            const QStringList s = next.split(QLatin1Char('x'));
            w.resize(s.value(0).toInt(), s.value(1).toInt());
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
