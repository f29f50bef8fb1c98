// zovt-drive: runs the controller exactly as zovt-generator does (its main
// window, the precise clock, the serial port) and operates it the way an
// operator would: once the start-up lighting is sent it clicks a program entry
// in the list, presses Play, lets the playback run to its end and presses
// Konec. It then reports the playback's real duration and the CPU time the
// whole controller used meanwhile.
//
//   zovt-drive [--grab FILE [--grab-after S]] [--play-all] [--press-after S]
//              [--close-after S] [--hold] [--guardian] ENTRY
//
// ENTRY is the number of the entry in the program list (1 is the first).
// --play-all presses ">>" instead of ">". --press-after presses S seconds after
// start-up instead of after the start-up lighting (0: at once). --close-after
// closes the window with its close box S seconds after the press. Messages the
// controller shows are printed with their time and answered OK or No.
// --grab saves a picture of the window S seconds (5 by default) into the
// playback, to look at the window as the operator sees it. The
// program file is the one start-up loads (the hand-off file of the data
// folder). scripts/measure-playback.sh uses it to time the real controller
// against the schedule preview.
//
// --hold never presses Konec: the controller stays until it is closed or
// killed. --guardian starts the guardian as zovt-generator does, so that a
// controller killed during the playback can be watched making the device safe
// (scripts/measure-kill.sh).

#include "app/Application.h"
#include "core/Form19Names.h"
#include "core/Clock.h"
#include "core/CommandLine.h"
#include "app/MainWindowController.h"
#include "core/WindowState.h"
#include "storage/WinPath.h"
#include "ui/LineList.h"

#include "device/DeviceLink.h"
#include "device/Guardian.h"
#include "device/WriteTimings.h"
#include "playback/PlaybackController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
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

int drive(int argc, char **argv, int entry, bool hold, zovt::Guardian &guardian, const QString &grabFile,
          double grabAfter, bool playAll, double pressAfter, double closeAfter);

} // namespace

int main(int argc, char **argv)
{
    zovt::cli::Program program;
    program.name = QStringLiteral("zovt-drive");
    program.synopsis = QStringLiteral("[OPTION...] ENTRY");
    program.usage = QStringLiteral(
        "Runs the controller as zovt-generator does and operates it as an operator would: once the\n"
        "start-up lighting is sent it clicks entry ENTRY (1 is the first) of the program list that\n"
        "start-up loaded, presses Play, lets the playback run to its end and presses Konec. Reports\n"
        "the playback's real duration and the CPU time the controller used meanwhile. Messages the\n"
        "controller shows are printed with their time and answered OK or No.");
    program.options = {
        {QStringLiteral("play-all"), {}, QStringLiteral("Press \">>\" instead of \">\".")},
        {QStringLiteral("press-after"), QStringLiteral("S"),
         QStringLiteral("Press S seconds after start-up instead of after the start-up lighting (0: at once).")},
        {QStringLiteral("close-after"), QStringLiteral("S"),
         QStringLiteral("Close the window with its close box S seconds after the press.")},
        {QStringLiteral("grab"), QStringLiteral("FILE"), QStringLiteral("Save a picture of the window into FILE.")},
        {QStringLiteral("grab-after"), QStringLiteral("S"), QStringLiteral("Grab S seconds into the playback (default 5).")},
        {QStringLiteral("hold"), {}, QStringLiteral("Never press Konec: stay until closed or killed.")},
        {QStringLiteral("guardian"), {}, QStringLiteral("Start the guardian as zovt-generator does, and print its pid.")},
    };
    program.maxOperands = 1;
    program.qtOptions = true;
    const zovt::cli::Arguments args = zovt::cli::parse(program, argc, argv);
    if (args.exitCode)
        return *args.exitCode;
    const auto number = [&](const QString &name, double fallback, bool &ok) {
        if (!args.isSet(name))
            return fallback;
        bool good = false;
        const double v = args.value(name).toDouble(&good);
        ok = ok && good;
        return v;
    };
    bool ok = true;
    const QString grabFile = args.value(QStringLiteral("grab"));
    const double grabAfter = number(QStringLiteral("grab-after"), 5.0, ok);
    const bool playAll = args.isSet(QStringLiteral("play-all"));
    const double pressAfter = number(QStringLiteral("press-after"), -1, ok);
    const double closeAfter = number(QStringLiteral("close-after"), -1, ok);
    const int entry = ok && args.operands.size() == 1 ? args.operands.first().toInt(&ok) : 0;
    if (!ok || entry < 1) {
        std::fprintf(stderr, "zovt-drive: needs one ENTRY of 1 or more, and numbers of seconds (see zovt-drive --help)\n");
        return 2;
    }
    const bool hold = args.isSet(QStringLiteral("hold"));
    // As zovt-generator: before anything exists that the guardian could inherit.
    zovt::Guardian guardian;
    if (args.isSet(QStringLiteral("guardian")) && guardian.start("zovt-drive")) {
        std::printf("guardian: pid %d\n", int(guardian.pid()));
        std::fflush(stdout);
    }
    const int rc = drive(argc, argv, entry, hold, guardian, grabFile, grabAfter, playAll, pressAfter, closeAfter);
    guardian.farewell();
    return rc;
}

namespace {

int drive(int argc, char **argv, int entry, bool hold, zovt::Guardian &guardian, const QString &grabFile,
          double grabAfter, bool playAll, double pressAfter, double closeAfter)
{
    QApplication app(argc, argv);
    zovt::MainWindowController::prepareApplication();
    zovt::winpath::ensureDriveC();

    zovt::QtClock clock;
    QElapsedTimer sinceStart;
    sinceStart.start();
    // A message of the controller is reported and answered (OK, or No).
    QTimer answer;
    answer.setInterval(50);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::printf("%.1f s: message: %s\n", double(sinceStart.elapsed()) / 1000, qPrintable(box->text().simplified()));
            std::fflush(stdout);
            box->done(box->standardButtons() & QMessageBox::No ? QMessageBox::No : QMessageBox::Ok);
        }
    });
    answer.start();
    int rc = 0;
    {
        zovt::MainWindowController form(clock);
        if (guardian.running())
            form.app().device().setEndGuard(&guardian);
        form.raiseWritesWhilePlaying();
        form.FormCreate();
        if (form.ended()) {
            std::fprintf(stderr, "zovt-drive: the controller ended during start-up\n");
            return 1;
        }
        // A press at a given time comes from a timer, as a click would: it may
        // land inside whatever the controller is doing then.
        const auto pressAt = clock.createTimer();
        try {
            if (pressAfter < 0) {
                while (form.app().state().Staruji)
                    clock.wait(100);
            }
        } catch (const zovt::ExitUnwind &) {
        }
        const bool scripted = playAll || pressAfter >= 0 || closeAfter >= 0;

        auto *list = form.window().control<zovt::LineList>(zovt::f19::Zakladmemo);
        auto *play = form.window().control<QPushButton>(zovt::f19::Play);
        if (entry > list->count()) {
            std::fprintf(stderr, "zovt-drive: the list has %d entries, not %d\n", int(list->count()), entry);
            rc = 1;
        } else {
            list->setCurrentRow(entry - 1);
            emit list->clicked(list->model()->index(entry - 1, 0));
            if (!play->isEnabled()) {
                std::fprintf(stderr, "zovt-drive: Play is not enabled after selecting entry %d\n", entry);
                rc = 1;
            } else {
                std::printf("playing: %s\n", qPrintable(list->line(entry - 1)));
                std::fflush(stdout);
                auto grab = clock.createTimer();
                if (!grabFile.isEmpty()) {
                    grab->setSingleShot(true);
                    grab->setInterval(int(grabAfter * 1000));
                    grab->setCallback([&] {
                        if (!form.window().grab().save(grabFile))
                            std::fprintf(stderr, "zovt-drive: cannot save %s\n", qPrintable(grabFile));
                    });
                    grab->start();
                }
                zovt::WriteTimings writeTimings;
                const Cpu before = Cpu::now();
                QElapsedTimer real;
                real.start();
                auto closeBox = clock.createTimer();
                if (closeAfter >= 0) {
                    closeBox->setSingleShot(true);
                    closeBox->setInterval(int(closeAfter * 1000));
                    closeBox->setCallback([&] {
                        std::printf("%.1f s: close box\n", double(sinceStart.elapsed()) / 1000);
                        std::fflush(stdout);
                        form.window().close();
                    });
                    closeBox->start();
                }
                const auto press = [&] {
                    std::printf("%.1f s: %s\n", double(sinceStart.elapsed()) / 1000, playAll ? ">>" : ">");
                    std::fflush(stdout);
                    if (playAll)
                        form.window().control<QPushButton>(zovt::f19::PlayVse)->click();
                    else
                        play->click(); // returns when the playback has ended, or waits for its turn
                };
                if (pressAfter >= 0) {
                    pressAt->setSingleShot(true);
                    pressAt->setInterval(int(pressAfter * 1000));
                    pressAt->setCallback(press);
                    pressAt->start();
                    try {
                        for (int i = 0; i < 6000 && pressAt->isActive(); ++i)
                            clock.wait(10);
                    } catch (const zovt::ExitUnwind &) {
                    }
                } else {
                    press();
                }
                if (scripted) {
                    // A run of several programs, or one waiting for its turn.
                    zovt::Application &a = form.app();
                    const auto over = [&] {
                        return form.ended() || (!a.playback().playing() && !a.device().busy() && a.device().waiting() == 0
                                                && !a.playback().TimerStrtVse().isActive());
                    };
                    try {
                        for (int i = 0; i < 72000 && !over(); ++i)
                            clock.wait(100);
                    } catch (const zovt::ExitUnwind &) {
                    }
                    std::printf("%.1f s: run over%s\n", double(sinceStart.elapsed()) / 1000,
                                form.ended() ? ", the controller ended" : "");
                }
                const Cpu after = Cpu::now();
                const double seconds = double(real.nsecsElapsed()) / 1e9;
                const double cpu = (after.user - before.user) + (after.system - before.system);
                std::printf("playback: real duration %.3f s, CPU time %.3f s user, %.3f s system (%.2f %% of one core)\n",
                            seconds, after.user - before.user, after.system - before.system,
                            seconds > 0 ? 100.0 * cpu / seconds : 0.0);
                if (!writeTimings.empty())
                    std::printf("%s\n", qPrintable(writeTimings.summary()));
                const QString &refused = form.writePriority().refusal();
                std::printf("write priority: %s\n",
                            refused.isEmpty() ? "real-time round-robin while playing"
                                              : qPrintable(QStringLiteral("ordinary (real-time class refused: %1)").arg(refused)));
            }
        }
        if (hold && !form.ended()) {
            std::printf("%.1f s: held\n", double(sinceStart.elapsed()) / 1000);
            std::fflush(stdout);
            QApplication::exec();
        }
        if (!form.ended())
            form.window().control<QPushButton>(zovt::f19::Konec)->click();
    }
    return rc;
}

} // namespace
