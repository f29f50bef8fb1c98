// The language dialog: its controls and colour, the stored choice and the
// ways out, its opening from the main window; and Qt's own texts in the
// interface language.

#include "app/Application.h"
#include "app/CarriedView.h"
#include "app/LanguageDialogWindow.h"
#include "app/MainWindowController.h"
#include "app/QtTranslations.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "device/PortLink.h"
#include "i18n/LanguageChoice.h"
#include "playback/PlaybackController.h"
#include "program/ProgramController.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "storage/WinPath.h"
#include "support/ClientsFixture.h"
#include "support/HeadlessApp.h"
#include "support/Rows.h"
#include "support/TempDrive.h"
#include "ui/LanguageDialog.h"
#include "ui/LanguageDialogDesign.h"
#include "ui/MainWindowDesign.h"

#include <QDir>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace zovt;
using test::TempDrive;

namespace {

// The dialog headless beside a headless main window whose shell ends the
// application, as the real composition binds it.
struct Dialog : test::HeadlessApp {
    MemorySurface dialogUi{design::languageDialogControls()};
    LanguageChoice choice{dialogUi};
    int closed = 0;

    explicit Dialog(bool dataFolder = true) : HeadlessApp(options())
    {
        // An error ends the operation only: no exception handler is installed.
        choice.closeDialog = [this] { ++closed; };
        choice.endApplication = [this] { app->endThroughClosing(); };
        if (dataFolder) {
            drive.put(paths::RunMarker, QByteArray());
            drive.put(paths::LangFile, QByteArray("\x02\0\0\0", 4));
        }
    }
    static Options options()
    {
        Options o;
        o.pictures = false;
        o.checkPictures = false;
        return o;
    }
    void click(const char *button)
    {
        app->run(button, [this, button] {
            if (qstrcmp(button, "OK") == 0)
                choice.OKClick();
            else
                choice.XClick();
        });
    }
};

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT
private slots:
    void okStoresTheChoiceAndEnds_data();
    void okStoresTheChoiceAndEnds();
    void withoutAChoiceTheDialogOnlyCloses_data();
    void withoutAChoiceTheDialogOnlyCloses();
    void failedWriteKeepsTheDialogOpen();
    void okDuringAPlaybackEndsItFirst();

    void dialogDesign();
    void dialogColour_data();
    void dialogColour();
    void openedFromTheGlobeWithoutBlocking();
    void carriedViewTravelsWhole_data();
    void carriedViewTravelsWhole();
    void restartShowsTheSameView();

    void qtLocaleNames_data();
    void qtLocaleNames();
    void qtTextsFollowTheLanguage_data();
    void qtTextsFollowTheLanguage();
};

void TestLanguage::okStoresTheChoiceAndEnds_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Česky") << 0 << QByteArray("\0\0\0\0", 4);
    QTest::newRow("Svenska") << 3 << QByteArray("\x03\0\0\0", 4);
    QTest::newRow("Русский") << 4 << QByteArray("\x04\0\0\0", 4);
}

// The file is made anew with the index, and the application ends through
// its closing path: the marker goes, so the start in the new language does
// not ask whether another copy runs.
void TestLanguage::okStoresTheChoiceAndEnds()
{
    QFETCH(int, item);
    QFETCH(QByteArray, bytes);
    Dialog d;
    d.dialogUi.setIndex(QStringLiteral("Language"), item);
    d.click("OK");
    QCOMPARE(d.drive.get(paths::LangFile), bytes);
    QVERIFY(d.app->shell().ended());
    QCOMPARE(d.app->shell().exitCode(), 0);
    QVERIFY(!d.drive.has(paths::RunMarker));
    QCOMPARE(d.closed, 0);
    QVERIFY(d.port.writes().isEmpty());
}

void TestLanguage::withoutAChoiceTheDialogOnlyCloses_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("item");
    QTest::newRow("OK, nothing chosen") << "OK" << -1;
    QTest::newRow("X, nothing chosen") << "X" << -1;
    QTest::newRow("X with a choice") << "X" << 1;
}

void TestLanguage::withoutAChoiceTheDialogOnlyCloses()
{
    QFETCH(QString, button);
    QFETCH(int, item);
    Dialog d;
    d.dialogUi.setIndex(QStringLiteral("Language"), item);
    d.click(qPrintable(button));
    QCOMPARE(d.closed, 1);
    QVERIFY(!d.app->shell().ended());
    QCOMPARE(d.drive.get(paths::LangFile), QByteArray("\x02\0\0\0", 4));
}

// No data folder to write in: OK ends there, the dialog stays open and the
// application goes on.
void TestLanguage::failedWriteKeepsTheDialogOpen()
{
    Dialog d(false);
    d.dialogUi.setIndex(QStringLiteral("Language"), 3);
    QVERIFY_THROWS_EXCEPTION(WriteError, d.choice.OKClick());
    d.click("OK");
    QVERIFY(!d.app->shell().ended());
    QCOMPARE(d.closed, 0);
    QVERIFY(!d.drive.has(paths::LangFile));
}

// A language confirmed while a program plays: the playback ends as Stop
// ends it, with the device back in stand-by, before the program closes.
void TestLanguage::okDuringAPlaybackEndsItFirst()
{
    Dialog d;
    // A clean start: no marker of a run before.
    QVERIFY(QFile::remove(winpath::toNative(paths::RunMarker)));
    d.app->run("Nastav", [&] { d.app->shell().Nastav(); });
    QVERIFY(!d.app->shell().ended());
    d.clock.advance(5000);
    d.ui.setLines(QStringLiteral("NacistMemo"), {"[P1]", "a\t\t10.000\t0\tHz\t0\t5\t0", "[STOP]"});
    d.app->run("list", [&] { d.app->program().VyplnZaklMemo(); });
    d.ui.setIndex(QStringLiteral("Zakladmemo"), 0);
    d.app->run("pick", [&] { d.app->program().ZakladMemoCliknul(); });
    d.port.clearWrites();
    bool endedDuring = true;
    auto t = d.clock.createTimer();
    t->setSingleShot(true);
    t->setInterval(20000);
    t->setCallback([&] {
        d.dialogUi.setIndex(QStringLiteral("Language"), 1);
        d.click("OK");
        endedDuring = d.app->shell().ended();
    });
    t->start();
    const qint64 t0 = d.clock.nowMs();
    d.app->run("Play", [&] { d.app->playback().Play(); });

    QVERIFY(!endedDuring);
    QVERIFY(d.app->shell().ended());
    QVERIFY(!d.app->playback().playing());
    QVERIFY(d.clock.nowMs() < t0 + 20000 + 10000);
    QVERIFY(!d.port.writes().isEmpty());
    QCOMPARE(d.port.writes().last().text, QByteArray("12"));
    QVERIFY(!d.drive.has(paths::RunMarker));
    QCOMPARE(d.drive.get(paths::LangFile), QByteArray("\x01\0\0\0", 4));
}

void TestLanguage::dialogDesign()
{
    TForm9 w;
    QCOMPARE(w.objectName(), QStringLiteral("Form9"));
    QCOMPARE(w.size(), QSize(296, 420));
    QCOMPARE(QFontInfo(w.font()).family(), design::designFontFamily());
    QCOMPARE(w.font().pointSize(), 8);
    const QList<QRadioButton *> items = w.control<QGroupBox>("Language")->findChildren<QRadioButton *>();
    QStringList texts;
    for (const QRadioButton *r : items) {
        texts << r->text();
        QVERIFY(!r->isChecked());
    }
    QCOMPARE(texts, (QStringList{QStringLiteral("Česky"), QStringLiteral("English"), QStringLiteral("Deutsche"),
                                 QStringLiteral("Svenska"), QStringLiteral("Русский")}));
    QCOMPARE(w.control<QPushButton>("OK")->text(), QStringLiteral("OK"));
    QCOMPARE(w.control<QPushButton>("X")->text(), QStringLiteral("X"));
    // Every control lies inside the dialog.
    for (const design::Control &c : design::languageDialogControls())
        QVERIFY2(w.rect().contains(w.widget(c.name)->geometry()), qPrintable(c.name));
}

void TestLanguage::dialogColour_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("light") << false << QColor(138, 197, 255);
    QTest::newRow("dark: the system's grey text")
        << true << QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
}

// The colour the dialog takes when it is made, on screen: the dialog and its
// radio group.
void TestLanguage::dialogColour()
{
    QFETCH(bool, dark);
    QFETCH(QColor, colour);
    TempDrive drive;
    if (dark)
        drive.put(paths::DarkColorFlag, QByteArray());
    QtClock clock;
    MainWindowController main(clock);
    LanguageDialogWindow form9(main);
    const QImage shot = form9.window().grab().toImage();
    QCOMPARE(shot.pixelColor(4, 4), colour);
    QWidget *group = form9.window().widget(QStringLiteral("Language"));
    QCOMPARE(shot.pixelColor(group->geometry().bottomRight() - QPoint(10, 6)), colour);
}

// The globe picture opens the dialog beside the main window, which stays
// usable; X hides it and a choice with OK ends the application.
void TestLanguage::openedFromTheGlobeWithoutBlocking()
{
    TempDrive drive;
    drive.put(paths::RunMarker, QByteArray());
    QtClock clock;
    MainWindowController main(clock);
    LanguageDialogWindow form9(main);
    TForm9 &w = form9.window();
    QVERIFY(!w.isVisible());
    emit main.window().pictureClicked(QStringLiteral("COMconct"));
    QVERIFY(!w.isVisible());
    emit main.window().pictureClicked(QStringLiteral("Image8"));
    QVERIFY(w.isVisible());
    QVERIFY(!w.isModal());
    QVERIFY(!QApplication::activeModalWidget());

    QTest::mouseClick(w.control<QPushButton>("X"), Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QVERIFY(!drive.has(paths::LangFile));

    emit main.window().pictureClicked(QStringLiteral("Image8"));
    QRadioButton *svenska = w.control<QGroupBox>("Language")->findChildren<QRadioButton *>().at(3);
    QTest::mouseClick(svenska, Qt::LeftButton, {}, QPoint(8, svenska->height() / 2)); // on its mark
    QTest::mouseClick(w.control<QPushButton>("OK"), Qt::LeftButton);
    QCOMPARE(drive.get(paths::LangFile), QByteArray("\x03\0\0\0", 4));
    QVERIFY(main.ended());
    QVERIFY(form9.restartAsked());
    QVERIFY(!w.isVisible());
    QVERIFY(!drive.has(paths::RunMarker));
}

void TestLanguage::carriedViewTravelsWhole_data()
{
    QTest::addColumn<QByteArray>("text"); // empty: the view itself, encoded
    QTest::addColumn<bool>("whole");
    QTest::newRow("a client and a program") << QByteArray() << true;
    QTest::newRow("not JSON") << QByteArray("C:\\a.txt") << false;
    QTest::newRow("no fields") << QByteArray("{}") << false;
    QTest::newRow("entry not a number") << QByteArray(R"({"client":"","program":"C:\\p.txt","entry":"1","entryText":""})") << false;
    QTest::newRow("entry without a program") << QByteArray(R"({"client":"","program":"","entry":1,"entryText":"A"})") << false;
    QTest::newRow("entry below -1") << QByteArray(R"({"client":"","program":"C:\\p.txt","entry":-2,"entryText":""})") << false;
    QTest::newRow("nothing shown") << QByteArray(R"({"client":"","program":"","entry":-1,"entryText":""})") << true;
}

// What one run carries to the next comes back as it was, and anything else
// is no view at all.
void TestLanguage::carriedViewTravelsWhole()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, whole);
    const ShownView view{QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Dvořák \"Honza\".txt"),
                         QStringLiteral("Z:\\home\\jiří\\programy.txt"), 3, QStringLiteral("# [Алфа]\t1")};
    const std::optional<ShownView> back = carriedview::decode(text.isEmpty() ? carriedview::encode(view) : text);
    QCOMPARE(back.has_value(), whole);
    if (back && text.isEmpty())
        QCOMPARE(*back, view);
}

// After a language change the program starts again in the new language and
// shows the same client, program file and program.
void TestLanguage::restartShowsTheSameView()
{
    test::ClientsFixture first;
    const QString client = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Novak Jan.txt");
    first.putClient(client, {"Novak", "Jan", "05.03.1980", "", "", "", "", "", "", "", "Novak Jan J 05031980"});
    first.ui.setText(QStringLiteral("PRSAdresaAkt"), client);
    first.run("Nactiklient", [&] { first.panel().Nactiklient(); });
    const QString program = QStringLiteral("C:\\OrvaTherapy\\Programs.txt");
    first.drive.put(program, (QStringList{QStringLiteral("[First]"), test::row("a||10.000|0|Hz|0|0|5"),
                                          QStringLiteral("[Second]"), test::row("b||20.000|0|Hz|0|0|5"),
                                          QStringLiteral("[STOP]")}.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    first.run("Open", [&] { first.app->program().openProgramFile(program); });
    first.ui.setIndex(QStringLiteral("Zakladmemo"), 1);
    first.run("ZakladMemoCliknul", [&] { first.app->program().ZakladMemoCliknul(); });
    QVERIFY(first.errors.isEmpty());
    const ShownView shown = first.app->shownView();
    QCOMPARE(shown.clientFile, client);
    QCOMPARE(shown.programFile, program);
    QCOMPARE(shown.entry, 1);
    QCOMPARE(shown.entryText.trimmed(), QStringLiteral("Second"));
    carriedview::carry(shown);
    first.run("OK", [&] { first.app->endThroughClosing(); });
    QVERIFY(first.app->shell().ended());
    first.app.reset();

    // The next run: a new application on the same data folder.
    VirtualClock clock;
    MemorySurface ui{design::mainWindowControls()};
    RecordingPort port{clock};
    ScriptedDialogs dialogs;
    Application next(clock, ui, port, dialogs);
    clock.setErrorSink({});
    next.run("Nastav", [&] { next.shell().Nastav(); });
    const std::optional<ShownView> carried = carriedview::take();
    QVERIFY(carried);
    QVERIFY(!qEnvironmentVariableIsSet(carriedview::kVariable)); // no companion started later sees it
    next.run("showView", [&] { next.showView(*carried); });
    const auto described = [](const ShownView &v) {
        return QStringList{v.clientFile, v.programFile, QString::number(v.entry), v.entryText}.join(QLatin1Char('|'));
    };
    QCOMPARE(described(next.shownView()), described(shown));
    QCOMPARE(ui.lines(QStringLiteral("Zakladmemo")), first.ui.lines(QStringLiteral("Zakladmemo")));
    QCOMPARE(ui.lines(QStringLiteral("MemoPlayShow")), first.ui.lines(QStringLiteral("MemoPlayShow")));
    QCOMPARE(ui.text(QStringLiteral("PRSAdresaProt")), first.ui.text(QStringLiteral("PRSAdresaProt")));
    QVERIFY(!carriedview::take());
}

void TestLanguage::qtLocaleNames_data()
{
    QTest::addColumn<int>("Languagem");
    QTest::addColumn<QString>("name");
    QTest::newRow("Czech") << 0 << "cs";
    QTest::newRow("English") << 1 << "en";
    QTest::newRow("German") << 2 << "de";
    QTest::newRow("Swedish") << 3 << "sv";
    QTest::newRow("Russian") << 4 << "ru";
    QTest::newRow("beyond") << 5 << "";
    QTest::newRow("negative") << -1 << "";
}

void TestLanguage::qtLocaleNames()
{
    QFETCH(int, Languagem);
    QFETCH(QString, name);
    QCOMPARE(qtlang::localeName(Languagem), name);
}

void TestLanguage::qtTextsFollowTheLanguage_data()
{
    QTest::addColumn<int>("Languagem");
    QTest::addColumn<QString>("no"); // Qt's "&No" button
    QTest::newRow("Czech") << 0 << QStringLiteral("&Ne");
    QTest::newRow("German") << 2 << QStringLiteral("&Nein");
    QTest::newRow("Russian") << 4 << QStringLiteral("&Нет");
    QTest::newRow("English") << 1 << QStringLiteral("&No");
    QTest::newRow("unknown index") << 7 << QStringLiteral("&No");
}

// Each installation replaces the one before.
void TestLanguage::qtTextsFollowTheLanguage()
{
    QFETCH(int, Languagem);
    QFETCH(QString, no);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFileInfo::exists(folder + QStringLiteral("/qtbase_ru.qm")))
        QSKIP("Qt's translations are not installed (qt6-translations-l10n)");
    QVERIFY(qtlang::install(4));
    QVERIFY(qtlang::install(Languagem));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&No"), no);
    QVERIFY(qtlang::install(1));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
