// The real main window bound to its controllers: what the operator's mouse
// and keys on the program list select, the window's title as the window
// manager gets it, and the close box, which ends the program at any moment.

#include "app/Application.h"
#include "app/MainWindowController.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/WindowState.h"
#include "device/Waits.h"
#include "program/ProgramController.h"
#include "storage/Paths.h"
#include "support/Rows.h"
#include "support/TempDrive.h"

#include <QListWidget>
#include <QTimer>
#include <QtTest>

using namespace zovt;

class TestWindowBinding : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void titleIsTheDesignedOne();
    void listSelectsWhatTheOperatorMovesTo();
    void closeBoxEndsTheProgram_data();
    void closeBoxEndsTheProgram();
};

void TestWindowBinding::initTestCase() { MainWindowController::prepareApplication(); }

void TestWindowBinding::cleanup()
{
    // An ended program leaves the application unable to run event loops (and
    // so waits) until its own loop has run once more.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

void TestWindowBinding::titleIsTheDesignedOne()
{
    // Qt appends an application display name to every window title it hands
    // to the window manager; the application has none, so the title is the
    // window's own.
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    QtClock clock;
    MainWindowController form(clock);
    QVERIFY(form.window().windowTitle().startsWith(QStringLiteral("ZovT Generator 1.6.04    ")));
}

void TestWindowBinding::listSelectsWhatTheOperatorMovesTo()
{
    test::TempDrive drive;
    QtClock clock;
    MainWindowController form(clock);
    ControlSurface &ui = form.app().ctx().ui;
    const WindowState &st = form.app().state();
    ui.setLines(QStringLiteral("NacistMemo"), test::rows({"[One]", "a||10.000|0|Hz|0|1|0", "[Two]",
                                                          "b||20.000|0|Hz|0|2|0", "[Three]", "c||30.000|0|Hz|0|3|0",
                                                          "[STOP]"}));
    form.app().program().VyplnZaklMemo();
    form.window().show();
    auto *list = form.window().control<QListWidget>("Zakladmemo");
    list->setFocus();
    const auto header = [&ui] { return ui.line(QStringLiteral("MemoPlay"), 0); };
    const auto clickOn = [list](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    };

    // The arrow keys select what they move to: Play plays that entry.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(st.Pozadplay, 0);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(st.Pozadplay, 1);
    QCOMPARE(header(), QStringLiteral("[Two]"));
    QVERIFY(ui.isEnabled(QStringLiteral("Play")));

    clickOn(2);
    QCOMPARE(st.Pozadplay, 2);
    QCOMPARE(header(), QStringLiteral("[Three]"));

    // After a playback Play waits for a selection: a click on the entry
    // that is current already, or Enter, makes it again.
    ui.enable({"Play", "PlayVse"}, false);
    clickOn(2);
    QVERIFY(ui.isEnabled(QStringLiteral("Play")));
    ui.enable({"Play", "PlayVse"}, false);
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(ui.isEnabled(QStringLiteral("Play")));

    // The controllers' own changes of the list are no selection: a rebuilt
    // list keeps Pozadplay until the operator selects again.
    ui.setIndex(QStringLiteral("Zakladmemo"), 0);
    QCOMPARE(st.Pozadplay, 2);
    QCOMPARE(header(), QStringLiteral("[Three]"));
    form.app().program().VyplnZaklMemo();
    QCOMPARE(st.Pozadplay, 2);
    QVERIFY(ui.lines(QStringLiteral("MemoPlay")).isEmpty());
    QVERIFY(!ui.isEnabled(QStringLiteral("Play")));
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(st.Pozadplay, 0);
    QCOMPARE(header(), QStringLiteral("[One]"));
}

void TestWindowBinding::closeBoxEndsTheProgram_data()
{
    QTest::addColumn<bool>("duringStartUp");
    // Before the event loop runs: nothing but the program's own state says
    // that it has ended.
    QTest::newRow("during start-up") << true;
    QTest::newRow("during a wait") << false;
}

void TestWindowBinding::closeBoxEndsTheProgram()
{
    QFETCH(bool, duringStartUp);
    test::TempDrive drive;
    drive.installPictures();
    QtClock clock;
    MainWindowController form(clock);
    // The first events handled are those of start-up's first wait for them
    // (or of the wait below).
    QTimer::singleShot(0, &form.window(), [&form] { form.window().close(); });
    if (duringStartUp) {
        form.FormCreate();
    } else {
        form.window().show();
        form.app().run("wait", [&form] { form.app().waits().TimenZapsat1(); });
    }
    QVERIFY(form.ended());
    QCOMPARE(form.exitCode(), 0);
    QVERIFY(!form.window().isVisible());
    QVERIFY(!drive.has(paths::RunMarker));
}

QTEST_MAIN(TestWindowBinding)
#include "tst_windowbinding.moc"
