// The real main window bound to its controllers: what the operator's mouse
// and keys on the program list select, the window's title as the window
// manager gets it, and the close box, which ends the program at any moment.

#include "app/Application.h"
#include "app/MainWindowController.h"
#include "app/QtDialogs.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/WindowState.h"
#include "device/Waits.h"
#include "program/ProgramController.h"
#include "storage/Paths.h"
#include "support/Rows.h"
#include "support/TempDrive.h"
#include "ui/LineList.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QWindow>
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
    void editorStaysAboveTheMainWindow();
    void messagesCentredOnTheirWindow_data();
    void messagesCentredOnTheirWindow();
    void openingTheEditorChecksNoField_data();
    void openingTheEditorChecksNoField();
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
    auto *list = form.window().control<LineList>("Zakladmemo");
    list->setFocus();
    const auto header = [&ui] { return ui.line(QStringLiteral("MemoPlay"), 0); };
    const auto clickOn = [list](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(row).center());
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

// The window manager keeps the editor above the main window: a click there
// does not bury it.
void TestWindowBinding::editorStaysAboveTheMainWindow()
{
    test::TempDrive drive;
    QtClock clock;
    MainWindowController form(clock);
    form.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&form.window()));
    QTest::mouseClick(form.window().control<QPushButton>("Novy"), Qt::LeftButton);
    TForm2 &editor = form.clientEditorWindow();
    QTRY_VERIFY(editor.isVisible());
    QVERIFY(editor.windowHandle());
    QCOMPARE(editor.windowHandle()->transientParent(), form.window().windowHandle());
    editor.hide();
}

void TestWindowBinding::messagesCentredOnTheirWindow_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("message") << 0;
    QTest::newRow("confirmation") << 1;
    QTest::newRow("error report") << 2;
}

// Boxes open in the middle of the window they belong to, as wide as their
// whole title needs, whatever their text.
void TestWindowBinding::messagesCentredOnTheirWindow()
{
    QFETCH(int, kind);
    QWidget owner;
    owner.setGeometry(40, 30, 620, 420);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QtDialogs dialogs;
    dialogs.setOwner(&owner);
    QRect shown;
    int needed = 0;
    QTimer::singleShot(0, [&] {
        QWidget *box = QApplication::activeModalWidget();
        QVERIFY(box);
        shown = box->frameGeometry();
        needed = titleWidth(*box);
        box->close();
    });
    const QString text = QStringLiteral("OK?");
    if (kind == 0)
        dialogs.message(text);
    else if (kind == 1)
        dialogs.confirm(text);
    else
        dialogs.errorReport(text);
    QVERIFY(shown.isValid());
    const QPoint off = shown.center() - owner.frameGeometry().center();
    QVERIFY2(off.manhattanLength() <= 2, qPrintable(QStringLiteral("%1, %2").arg(off.x()).arg(off.y())));
    QVERIFY2(shown.width() >= needed, qPrintable(QStringLiteral("%1 < %2").arg(shown.width()).arg(needed)));
}

void TestWindowBinding::openingTheEditorChecksNoField_data()
{
    QTest::addColumn<QString>("dateLine");
    QTest::newRow("short date") << "5.3.1980";
    QTest::newRow("no date") << "";
    QTest::newRow("full date") << "05.03.1980";
}

// The current client's file holds a date that the editor's checks would
// refuse; opening the editor on it, with the window manager's focus moves,
// shows no message: only the operator leaving a field is checked.
void TestWindowBinding::openingTheEditorChecksNoField()
{
    QFETCH(QString, dateLine);
    test::TempDrive drive;
    const QString client = QStringLiteral("C:\\Zov_Tool Data\\Klienti\\Novakova Jana.txt");
    QStringList lines{"Nováková", "Jana", dateLine, "", "", "", "", ""};
    while (lines.size() < 25)
        lines << QString();
    drive.put(client, lines.join("\r\n").toLatin1() + "\r\n");
    QtClock clock;
    MainWindowController form(clock);
    form.window().show();
    form.app().ctx().ui.setText(QStringLiteral("PRSAdresaAkt"), client);

    QStringList boxes;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            boxes << box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text();
            box->close();
        }
    });
    watch.start(20);
    QTest::mouseClick(form.window().control<QPushButton>("Novy"), Qt::LeftButton);
    QTest::qWait(500);
    QVERIFY(form.clientEditorWindow().isVisible());
    QCOMPARE(boxes, QStringList());

    // Leaving a refused year is still checked.
    TForm2 &editor = form.clientEditorWindow();
    editor.control<QLineEdit>("Datum_naroz_rok")->setText(QStringLiteral("80"));
    editor.focusControl(QStringLiteral("Datum_naroz_rok"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().contains(QStringLiteral("rok")), qPrintable(boxes.first()));
    form.clientEditorWindow().hide();
}

QTEST_MAIN(TestWindowBinding)
#include "tst_windowbinding.moc"
