// zovt-drive: runs the controller exactly as zovt-generator does (its main
// window, the precise clock, the serial port) and operates it the way an
// operator would: once the start-up lighting is sent it clicks a program entry
// in the list, presses Play, lets the playback run to its end and presses
// Konec. It then reports the playback's real duration and the CPU time the
// whole controller used meanwhile.
//
//   zovt-drive [--grab FILE [--grab-after S]] [--click NAME@S]... ENTRY
//
// ENTRY is the number of the entry in the program list (1 is the first); 0
// plays nothing and only clicks. --click presses the button NAME (its object
// name, e.g. JasLED or JasLED_Pom) S seconds after the start-up lighting, as
// the operator would, also in the middle of the playback.
// --grab saves a picture of the window S seconds (5 by default) into the
// playback (or after the start-up lighting when nothing plays), to look at
// the window as the operator sees it. The
// program file is the one start-up loads (the hand-off file of the data
// folder). scripts/measure-playback.sh uses it to time the real controller
// against the schedule preview.

#include "app/Application.h"
#include "core/Clock.h"
#include "app/MainWindowController.h"
#include "core/WindowState.h"
#include "storage/WinPath.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <sys/resource.h>

namespace {

double cpuSeconds(const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

struct Cpu {
    double user = 0, system = 0;
    static Cpu now()
    {
        rusage u{};
        ::getrusage(RUSAGE_SELF, &u);
        return {cpuSeconds(u.ru_utime), cpuSeconds(u.ru_stime)};
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList args = app.arguments().mid(1);
    QString grabFile;
    double grabAfter = 5.0;
    bool ok = true;
    struct Click {
        QString name;
        double at = 0;
    };
    std::vector<Click> clicks;
    for (int i = 0; ok && i + 1 < args.size();) {
        if (args.at(i) == QLatin1String("--grab")) {
            grabFile = args.takeAt(i + 1);
            args.removeAt(i);
        } else if (args.at(i) == QLatin1String("--click")) {
            const QString clickArg = args.takeAt(i + 1);
            args.removeAt(i);
            const qsizetype atSign = clickArg.indexOf(QLatin1Char('@'));
            Click c{clickArg.left(atSign), atSign > 0 ? clickArg.mid(atSign + 1).toDouble(&ok) : 0};
            ok = ok && atSign > 0;
            clicks.push_back(c);
        } else if (args.at(i) == QLatin1String("--grab-after")) {
            grabAfter = args.takeAt(i + 1).toDouble(&ok);
            args.removeAt(i);
        } else {
            ++i;
        }
    }
    const int entry = ok && args.size() == 1 ? args.first().toInt(&ok) : -1;
    if (!ok || entry < 0 || (entry == 0 && clicks.empty())) {
        std::fprintf(stderr, "usage: zovt-drive [--grab FILE [--grab-after S]] [--click NAME@S]... ENTRY\n");
        return 2;
    }
    zovt::winpath::ensureDriveC();

    zovt::QtClock clock;
    int rc = 0;
    {
        zovt::MainWindowController form(clock);
        form.FormCreate();
        if (form.ended()) {
            std::fprintf(stderr, "zovt-drive: the controller ended during start-up\n");
            return 1;
        }
        try {
            while (form.app().state().Staruji)
                clock.wait(100);
        } catch (const zovt::ExitUnwind &) {
        }

        std::vector<std::unique_ptr<zovt::ClockTimer>> clickTimers;
        double lastClick = 0;
        for (const Click &c : clicks) {
            auto *button = form.window().findChild<QAbstractButton *>(c.name);
            if (!button) {
                std::fprintf(stderr, "zovt-drive: no button %s\n", qPrintable(c.name));
                return 2;
            }
            auto t = clock.createTimer();
            t->setSingleShot(true);
            t->setInterval(int(c.at * 1000));
            t->setCallback([button, name = c.name] {
                std::printf("click %s%s\n", qPrintable(name),
                            button->isVisible() && button->isEnabled() ? "" : " (not clickable now)");
                std::fflush(stdout);
                button->click();
            });
            t->start();
            lastClick = std::max(lastClick, c.at);
            clickTimers.push_back(std::move(t));
        }

        auto grab = clock.createTimer();
        if (!grabFile.isEmpty()) {
            grab->setSingleShot(true);
            grab->setInterval(int(grabAfter * 1000));
            grab->setCallback([&] {
                if (!form.window().grab().save(grabFile))
                    std::fprintf(stderr, "zovt-drive: cannot save %s\n", qPrintable(grabFile));
            });
            grab->start();
            lastClick = std::max(lastClick, grabAfter);
        }

        auto *list = form.window().control<QListWidget>("Zakladmemo");
        auto *play = form.window().control<QPushButton>("Play");
        if (entry == 0) {
            // Long enough for the slowest toggle and its second cycle.
            try {
                clock.wait(int(lastClick * 1000) + 8000);
            } catch (const zovt::ExitUnwind &) {
            }
        } else if (entry > list->count()) {
            std::fprintf(stderr, "zovt-drive: the list has %d entries, not %d\n", int(list->count()), entry);
            rc = 1;
        } else {
            QListWidgetItem *item = list->item(entry - 1);
            list->setCurrentItem(item);
            emit list->itemClicked(item);
            if (!play->isEnabled()) {
                std::fprintf(stderr, "zovt-drive: Play is not enabled after selecting entry %d\n", entry);
                rc = 1;
            } else {
                std::printf("playing: %s\n", qPrintable(item->text()));
                std::fflush(stdout);
                const Cpu before = Cpu::now();
                QElapsedTimer real;
                real.start();
                play->click(); // returns when the playback has ended
                const Cpu after = Cpu::now();
                const double seconds = double(real.nsecsElapsed()) / 1e9;
                const double cpu = (after.user - before.user) + (after.system - before.system);
                std::printf("playback: real duration %.3f s, CPU time %.3f s user, %.3f s system (%.2f %% of one core)\n",
                            seconds, after.user - before.user, after.system - before.system,
                            seconds > 0 ? 100.0 * cpu / seconds : 0.0);
            }
        }
        if (!form.ended())
            form.window().control<QPushButton>("Konec")->click();
    }
    return rc;
}
