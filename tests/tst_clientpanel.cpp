// The client panel of the main window in virtual time: loading the current
// client at start-up and through KlientOpen, the paths derived for the
// protocol and the program dialog, clearing, and a program's client header
// filling the panel when it is played.

#include "clients/ClientFile.h"
#include "storage/FileVisible.h"
#include "program/ProgramController.h"
#include "playback/PlaybackController.h"
#include "storage/DataFiles.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "storage/TextCodec.h"
#include "support/ClientsFixture.h"

#include <QDir>
#include <QtTest>

using namespace zovt;
using zovt::test::ClientsFixture;

namespace {

const QString kFolder = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\");
const QString kNovak = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Novak Jan  05031980.txt");

QStringList novakLines()
{
    return {"Novak", "Jan", "05.03.1980", "Street 1", "City", "N1", "N2", "", "1.1.2001", "J",
            "Novak Jan J 05031980", "", "Novak Jan J 1980", "FNovJJ", "R", "+420123456789", "jan@example.org"};
}

QStringList panelFields(const ControlSurface &ui)
{
    QStringList out;
    for (const char *n : {"Prijmeni", "Jmeno", "JmenoFix", "Datum_naroz_den", "Datum_naroz_mesic", "Datum_naroz_rok",
                          "Bydliste1", "Bydliste2", "Poznamka1", "Poznamka2", "Telefon", "Email"})
        out << ui.text(QString::fromLatin1(n));
    return out;
}

const QStringList kCleared = {"", "", "", "88", "88", "88", "", "", "", "", "", ""};

} // namespace

class TestClientPanel : public QObject {
    Q_OBJECT
private slots:
    void startWithoutHandOff();
    void startWithHandOff_data();
    void startWithHandOff();
    void shortFileLoadsEmptyFields();
    void klientOpenTakesLine11AsKey();
    void klientOpenCancelled();
    void loadingClearsWishTextAndNote();
    void deleteJmForgetsTheClient();
    void exportRootFolders();
    void playedClientHeaderFillsThePanel();
    void waitForAFileIsBounded();
};

void TestClientPanel::startWithoutHandOff()
{
    ClientsFixture f;
    QCOMPARE(panelFields(f.ui), QStringList({"", "", "", "88", "88", "8888", "", "", "", "", "", ""}));
    QVERIFY(f.ui.text("PRSAdresaAkt").isEmpty());
    QVERIFY(f.ui.text("PRSAdresaProt").isEmpty());
}

void TestClientPanel::startWithHandOff_data()
{
    QTest::addColumn<bool>("clientExists");
    QTest::newRow("existing client") << true;
    QTest::newRow("missing client") << false;
}

// Start-up runs in the fixture's constructor, so this test starts its own
// application over a drive prepared beforehand.
void TestClientPanel::startWithHandOff()
{
    QFETCH(bool, clientExists);
    test::TempDrive drive;
    drive.installPictures();
    drive.put(paths::ClientHandOff, kNovak.toLatin1() + "\r\n");
    if (clientExists)
        drive.put(kNovak, text::encode(novakLines(), text::Encoding::Ansi));
    VirtualClock clock;
    clock.setProcessQtEvents(false);
    MemorySurface ui{design::mainWindowControls()};
    RecordingPort port{clock};
    ScriptedDialogs dialogs;
    Application app(clock, ui, port, dialogs);
    app.run("Nastav", [&] { app.shell().Nastav(); });

    QVERIFY(!drive.has(paths::ClientHandOff));
    QCOMPARE(ui.text("PRSAdresaAkt"), kNovak);
    if (clientExists) {
        QCOMPARE(panelFields(ui), QStringList({"Novak", "Jan", "J", "05", "03", "1980", "Street 1", "City", "N1", "N2",
                                               "+420123456789", "jan@example.org"}));
        QCOMPARE(ui.text("PRSAdresaProt"), QStringLiteral("C:\\OrvaTherapy\\Protocol\\Novak Jan J 05031980 SUMA.txt"));
        QCOMPARE(ui.text("SouborProtokSuma"), ui.text("PRSAdresaProt"));
        QCOMPARE(ui.text("SouborProtokSumaSUM"), paths::ProtocolWorkCopy);
        QCOMPARE(app.clientPanel().PodadrJm(), QStringLiteral("Novak Jan J 1980"));
    } else {
        QCOMPARE(panelFields(ui), kCleared);
        QVERIFY(ui.text("PRSAdresaProt").isEmpty());
        QVERIFY(ui.text("SouborProtokSumaSUM").isEmpty());
    }
    // The one-second pause of the load comes before the stand-by lighting.
    clock.advance(5000);
    QCOMPARE(port.writes().size(), 6);
}

void TestClientPanel::shortFileLoadsEmptyFields()
{
    ClientsFixture f;
    const QString path = kFolder + QStringLiteral("Short.txt");
    f.putClient(path, {"Novak", "Jan", "05.03.1980"});
    f.dialogs.chooseFile(path);
    f.run("KlientOpen", [&] { f.panel().KlientOpen(); });
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(panelFields(f.ui), QStringList({"Novak", "Jan", "", "05", "03", "1980", "", "", "", "", "", ""}));
    // No key in line 11: the protocol is named after the file, not after an
    // empty key that every such client would share.
    QCOMPARE(f.ui.text("PRSAdresaProt"), QStringLiteral("C:\\OrvaTherapy\\Protocol\\Short SUMA.txt"));
    QCOMPARE(f.ui.text("PRSAdresaAkt"), path);
}

void TestClientPanel::klientOpenTakesLine11AsKey()
{
    ClientsFixture f;
    const QString path = kFolder + QStringLiteral("Renamed by hand.txt");
    f.putClient(path, novakLines());
    f.drive.put(paths::ProgramHandOff, "C:\\Old program.txt\r\n");
    f.dialogs.chooseFile(path);
    const qint64 start = f.clock.nowMs();
    f.run("KlientOpen", [&] { f.panel().KlientOpen(); });
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.dialogs.shown().back().text, kFolder);
    QCOMPARE(f.ui.text("PRSAdresaAkt"), path);
    QCOMPARE(f.panel().AdresaAkt(), QStringLiteral("Novak Jan J 05031980"));
    QCOMPARE(f.ui.text("PRSAdresaProt"), QStringLiteral("C:\\OrvaTherapy\\Protocol\\Novak Jan J 05031980 SUMA.txt"));
    QVERIFY(!f.drive.has(paths::ClientHandOff));
    QVERIFY(!f.drive.has(paths::ProgramHandOff));
    QCOMPARE(f.clock.nowMs() - start, 1000);
}

void TestClientPanel::klientOpenCancelled()
{
    ClientsFixture f;
    f.putClient(kNovak, novakLines());
    f.dialogs.chooseFile(kNovak);
    f.run("KlientOpen", [&] { f.panel().KlientOpen(); });
    const QStringList before = panelFields(f.ui);
    f.drive.put(paths::ProgramHandOff, "C:\\Program.txt\r\n");
    f.dialogs.chooseFile(std::nullopt);
    f.run("KlientOpen", [&] { f.panel().KlientOpen(); });
    QCOMPARE(panelFields(f.ui), before);
    QVERIFY(f.drive.has(paths::ProgramHandOff));
    QCOMPARE(f.ui.text("PRSAdresaAkt"), kNovak);
}

void TestClientPanel::loadingClearsWishTextAndNote()
{
    ClientsFixture f;
    f.putClient(kNovak, novakLines());
    f.ui.setLines("MemoWish", {"A wish"});
    f.ui.setText("Poznamka3", "Room 2");
    f.dialogs.chooseFile(kNovak);
    f.run("KlientOpen", [&] { f.panel().KlientOpen(); });
    QVERIFY(f.ui.lines("MemoWish").isEmpty());
    QVERIFY(f.ui.text("Poznamka3").isEmpty());
}

void TestClientPanel::deleteJmForgetsTheClient()
{
    ClientsFixture f;
    f.putClient(kNovak, novakLines());
    f.dialogs.chooseFile(kNovak);
    f.run("KlientOpen", [&] { f.panel().KlientOpen(); });
    f.ui.setLines("MemoWish", {"A wish"});
    f.ui.setText("Poznamka3", "Room 2");
    f.ui.setText("PRSAdresKlentaData", "C:\\Somewhere\\");
    f.run("DeleteJm", [&] { f.panel().DeleteJm(); });
    QCOMPARE(panelFields(f.ui), kCleared);
    QVERIFY(f.ui.text("Poznamka3").isEmpty());
    for (const char *n : {"PRSAdresaAkt", "PRSAdresaProt", "PRSAdresKlentaData"})
        QVERIFY2(f.ui.text(QString::fromLatin1(n)).isEmpty(), n);
    QCOMPARE(f.ui.lines("MemoWish"), QStringList{"A wish"});
    QVERIFY(f.drive.has(kNovak));
    // With no current client a later load changes nothing.
    f.run("Nactiklient", [&] { f.panel().Nactiklient(); });
    QCOMPARE(panelFields(f.ui), kCleared);
}

void TestClientPanel::exportRootFolders()
{
    ClientsFixture f;
    // The export root as start-up read it, with a final "\" so that the
    // program folder can be found; the protocol folders are created.
    f.drive.put(paths::ExportRootFile, "C:\\Export\\  \r\n");
    f.drive.put(paths::SubFoldersFlag, {});
    f.ui.setText("PRSAdresaPresmerovani", "C:\\Export\\");
    QVERIFY(QDir().mkpath(f.drive.native("C:\\Export\\Novak Jan J 1980\\Program")));
    f.putClient(kNovak, novakLines());
    f.dialogs.chooseFile(kNovak);
    f.run("KlientOpen", [&] { f.panel().KlientOpen(); });
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.ui.text("PRSAdresKlentaData"), QStringLiteral("C:\\Export\\Novak Jan J 1980\\Program\\"));
    QCOMPARE(f.ui.text("PRSAdresaProt"),
             QStringLiteral("C:\\Export\\Novak Jan J 1980\\Protocol\\Novak Jan J 05031980 SUMA.txt"));
    QVERIFY(f.drive.has("C:\\Export\\Novak Jan J 1980\\Protocol"));
    QCOMPARE(f.panel().SoubExporAdr(), QStringLiteral("C:\\Export\\"));
}

void TestClientPanel::playedClientHeaderFillsThePanel()
{
    ClientsFixture f;
    f.putClient(kNovak, novakLines());
    f.dialogs.chooseFile(kNovak);
    f.run("KlientOpen", [&] { f.panel().KlientOpen(); });
    const QString prot = f.ui.text("PRSAdresaProt");

    f.drive.put("C:\\OrvaTherapy\\Client program.txt",
                "[=Svoboda;Eva;;07.11.1975;A1;A2;N1;N2;T=1;E;]\r\nAlpha\t\t10.000\t0\tHz\t0\t0\t2\r\n[STOP]\r\n");
    f.drive.put(paths::ProgramHandOff, "C:\\OrvaTherapy\\Client program.txt\r\n");
    f.run("Open", [&] { f.app->program().Open(); });
    QCOMPARE(f.ui.lineCount("Zakladmemo"), 1);
    f.ui.setIndex("Zakladmemo", 0);
    f.run("ZakladMemoCliknul", [&] { f.app->program().ZakladMemoCliknul(); });
    f.run("Play", [&] { f.app->playback().Play(); });
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join(',')));
    QVERIFY(f.port.writes().size() > 6);
    QCOMPARE(panelFields(f.ui), QStringList({"Svoboda", "Eva", "", "07", "11", "1975", "A1", "A2", "N1", "N2", "T=1",
                                             "E"}));
    // Only the shown fields change: the current client stays.
    QCOMPARE(f.ui.text("PRSAdresaAkt"), kNovak);
    QCOMPARE(f.ui.text("PRSAdresaProt"), prot);
}

void TestClientPanel::waitForAFileIsBounded()
{
    VirtualClock clock;
    clock.setProcessQtEvents(false);
    test::TempDrive drive;
    int pauses = 0;
    const auto pause = [&] {
        ++pauses;
        clock.wait(100);
    };
    QVERIFY_THROWS_EXCEPTION(WriteError, waitUntilVisible(clock, "C:\\Never.txt", pause));
    QCOMPARE(clock.nowMs(), qint64(FileVisibleBoundMs));
    QCOMPARE(pauses, FileVisibleBoundMs / 100);
    // A file that is there costs no pause.
    drive.put("C:\\There.txt", "x");
    pauses = 0;
    waitUntilVisible(clock, "C:\\There.txt", pause);
    QCOMPARE(pauses, 0);
}

QTEST_GUILESS_MAIN(TestClientPanel)
#include "tst_clientpanel.moc"
