// Wish mode: the wish program and the playable test as plain functions, and
// the whole window headless in virtual time after start-up: switching wish
// mode with and without a client, the play buttons following every change of
// the wish text, the memory slots, and a wish played to its end.

#include "app/Application.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "device/PortLink.h"
#include "i18n/Catalogue.h"
#include "playback/PlaybackController.h"
#include "program/ProgramController.h"
#include "program/RowParser.h"
#include "storage/FileIO.h"
#include "storage/Paths.h"
#include "support/Rows.h"
#include "support/HeadlessApp.h"
#include "support/TempDrive.h"
#include "ui/MainWindowDesign.h"
#include "wishes/WishController.h"
#include "wishes/WishProgram.h"

#include <QtTest>

#include <optional>

using namespace zovt;

namespace {

constexpr qint32 kLowestRandom = 9467;
constexpr qint32 kHighestRandom = 22713639;

QString czech(int number) { return Catalogue::mainWindow().FATisk(number, Czech); }

QStringList minutesOf(const QStringList &program)
{
    QStringList m;
    for (qsizetype i = 1; i + 1 < program.size(); ++i)
        m << program.at(i).split(QLatin1Char('\t')).value(6);
    return m;
}

// The window after start-up on a drive with the pictures (so the running
// bar animates), headless and in virtual time.
struct Window : test::HeadlessApp {
    int klientOpen = 0;
    std::function<void()> clientChoice; // what the operator does in the client choice

    Window()
    {
        app->ctx().ops.KlientOpen = [this] {
            ++klientOpen;
            if (clientChoice)
                clientChoice();
        };
        run([this] { app->shell().Nastav(); });
        clock.advance(5000); // the stand-by lighting after start-up
        port.clearWrites();
    }

    WishController &wishes() { return app->wishes(); }
    using HeadlessApp::run;
    // An operation as a handler runs it: errors end it silently.
    void run(const std::function<void()> &f) { app->run("test", f); }

    void setClient(const QString &jmeno, const QString &prijmeni = QStringLiteral("Nováková"),
                   const QString &den = QStringLiteral("12"), const QString &mesic = QStringLiteral("3"),
                   const QString &rok = QStringLiteral("1970"))
    {
        ui.setText(QStringLiteral("Jmeno"), jmeno);
        ui.setText(QStringLiteral("Prijmeni"), prijmeni);
        ui.setText(QStringLiteral("Datum_naroz_den"), den);
        ui.setText(QStringLiteral("Datum_naroz_mesic"), mesic);
        ui.setText(QStringLiteral("Datum_naroz_rok"), rok);
    }
    // The operator types into the wish text.
    void type(const QStringList &lines)
    {
        ui.setLines(QStringLiteral("MemoWish"), lines);
        run([this] { wishes().MemoWishChange(); });
    }
    QStringList wish() const { return ui.lines(QStringLiteral("MemoWish")); }
    bool wishMode() const { return ui.isVisible(QStringLiteral("MemoWish")); }
    // The two play buttons always go together.
    bool playButtons() const
    {
        const bool top = ui.isVisible(QStringLiteral("Wishes1"));
        const bool below = ui.isVisible(QStringLiteral("Wishes1dole"));
        if (top != below)
            qWarning("Wishes1 and Wishes1dole differ");
        return top && below;
    }
    QStringList messages() const
    {
        QStringList out;
        for (const auto &s : dialogs.shown())
            out << QStringLiteral("%1 %2").arg(s.kind == ScriptedDialogs::Shown::Confirm ? "?" : "!", s.text);
        return out;
    }
    // Visible (1) or hidden (0), for a list of controls.
    QString shown(std::initializer_list<const char *> names) const
    {
        QString s;
        for (const char *n : names)
            s += ui.isVisible(QString::fromLatin1(n)) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    QString enabled(std::initializer_list<const char *> names) const
    {
        QString s;
        for (const char *n : names)
            s += ui.isEnabled(QString::fromLatin1(n)) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    void loadProgram(const QStringList &lines)
    {
        ui.setLines(QStringLiteral("NacistMemo"), lines);
        run([this] { app->program().VyplnZaklMemo(); });
        ui.setIndex(QStringLiteral("Zakladmemo"), 0);
        run([this] { app->program().ZakladMemoCliknul(); });
    }
};

// Every control that wish mode shows or hides, in one string.
#define WISH_PANEL "MemoWish", "Memory1", "Memory2", "Memory3", "Memory4", "Memory5", "Memory6", "MemoryDel", \
                   "Panelprani", "ZovTWisch", "Panel2"
#define PROGRAM_SIDE "ZovToolEdit", "MemoPlayShow", "Open", "OpenZov", "OpenSBZ", "OpenPopis", "Orva_Tlac", "OrvaTGener"

} // namespace

class TestWishes : public QObject {
    Q_OBJECT
private slots:
    void playable_data();
    void playable();
    void wishProgramForASeed();
    void wishProgramMinutesCoverTheirRange();

    void wishModeOnAndOff();
    void clientChoice_data();
    void clientChoice();
    void clientGoneSwitchesOffWithoutAsking();
    void playButtonsFollowEveryChange();
    void nothingChangesWhileAPlaybackRuns();

    void storeAndLoadASlot();
    void slotKeepsTheEncodingItWasReadIn();
    void invisibleCharactersInASlotStayVisible();
    void loadingAMissingSlotEmptiesTheWish();
    void clearAllSlots_data();
    void clearAllSlots();
    void slotThatCannotBeWrittenDisarms_data();
    void slotThatCannotBeWrittenDisarms();
    void armedStateSurvivesWishMode();
    void infoWish();

    void wishPlayback();
    void wishTextReloadedEveryTwoSeconds();
    void stopEndsTheWishPlayback();
    void unsavedWishIsNotPlayed();
    void wishButtonsStayOutOfAnOrdinaryPlayback();
    void wishButtonsRefuseOutsideTheirState_data();
    void wishButtonsRefuseOutsideTheirState();
};

void TestWishes::playable_data()
{
    QTest::addColumn<QStringList>("client"); // Jmeno, Prijmeni, day, month, year
    QTest::addColumn<QStringList>("wish");
    QTest::addColumn<bool>("playable");

    const QStringList client{"Jana", "Nováková", "12", "3", "1970"};
    const auto with = [&](int field, const char *value) {
        QStringList c = client;
        c[field] = QString::fromUtf8(value);
        return c;
    };
    const QStringList wish{"Jsem zdravá"};
    QTest::newRow("client and wish") << client << wish << true;
    QTest::newRow("first line of 5") << client << QStringList{"abcde"} << true;
    QTest::newRow("first line of 4") << client << QStringList{"abcd"} << false;
    QTest::newRow("4, then a long line") << client << QStringList{"abcd", "a long second line"} << false;
    QTest::newRow("blanks count") << client << QStringList{"    a"} << true;
    QTest::newRow("5 with diacritics") << client << QStringList{QString::fromUtf8("Přání")} << true;
    QTest::newRow("empty wish") << client << QStringList{} << false;
    QTest::newRow("empty first line") << client << QStringList{"", "a long second line"} << false;
    QTest::newRow("no name") << with(0, "") << wish << false;
    QTest::newRow("no surname") << with(1, "") << wish << false;
    QTest::newRow("no day") << with(2, "") << wish << false;
    QTest::newRow("no month") << with(3, "") << wish << false;
    QTest::newRow("no year") << with(4, "") << wish << false;
    QTest::newRow("day 88") << with(2, "88") << wish << false;
    QTest::newRow("month 88") << with(3, "88") << wish << false;
    QTest::newRow("year 88") << with(4, "88") << wish << false;
    QTest::newRow("year 8888") << with(4, "8888") << wish << true;
    QTest::newRow("day 8") << with(2, "8") << wish << true;
    QTest::newRow("day 888") << with(2, "888") << wish << true;
}

void TestWishes::playable()
{
    QFETCH(QStringList, client);
    QFETCH(QStringList, wish);
    QFETCH(bool, playable);
    const wishes::WishClient c{client[0], client[1], client[2], client[3], client[4]};
    QCOMPARE(wishes::isPlayable(c, wish), playable);

    // The window decides the same on a change of the wish text in wish mode.
    Window w;
    w.setClient(client[0], client[1], client[2], client[3], client[4]);
    w.run([&] { w.wishes().Wishes(); });
    w.type(wish);
    QCOMPARE(w.playButtons(), playable);
}

void TestWishes::wishProgramForASeed()
{
    std::mt19937 rng(20240501);
    std::mt19937 copy = rng;
    const QStringList program = wishes::wishProgram(rng);

    QCOMPARE(program.size(), 5);
    QCOMPARE(program.first(), QStringLiteral("[QQZovT W]"));
    QCOMPARE(program.last(), QStringLiteral("[STOP]"));
    for (int i = 1; i <= 3; ++i) {
        const int m = wishes::drawMinutes(copy); // one draw per row, in line order
        QCOMPARE(program.at(i), QStringLiteral("ZovT W\t\t10.000\t0\tHz\t0\t%1\t0").arg(m));
        RowVars row;
        Nactiradekdata(program.at(i), row);
        QCOMPARE(row.CasM, m);
        QCOMPARE(row.CasH, 0);
        QCOMPARE(row.CasS, 0);
        QCOMPARE(row.InfoMEZ, 1);
    }
    // Nothing else was drawn.
    QCOMPARE(rng(), copy());
}

void TestWishes::wishProgramMinutesCoverTheirRange()
{
    std::mt19937 rng(7);
    QSet<int> seen;
    QSet<QString> programs;
    for (int i = 0; i < 200; ++i) {
        const QStringList minutes = minutesOf(wishes::wishProgram(rng));
        QCOMPARE(minutes.size(), 3);
        programs.insert(minutes.join(QLatin1Char(' ')));
        for (const QString &m : minutes) {
            const int v = m.toInt();
            QVERIFY2(v >= 7 && v <= 16, qPrintable(m));
            seen.insert(v);
        }
    }
    QCOMPARE(seen.size(), 10);
    // Consecutive programs differ only by chance: most of them do.
    QVERIFY(programs.size() > 150);
}

void TestWishes::wishModeOnAndOff()
{
    Window w;
    w.setClient("Jana");
    w.loadProgram({"[P1]", test::row("a||10.000|0|Hz|0|1|0"), "[STOP]"});
    w.ui.setIndex(QStringLiteral("Colortype"), 2);
    w.ui.setChecked(QStringLiteral("OrvaTGener"), true);
    QVERIFY(w.ui.isEnabled(QStringLiteral("Play")));
    QCOMPARE(w.shown({WISH_PANEL}), QStringLiteral("00000000000"));
    QCOMPARE(w.shown({PROGRAM_SIDE}), QStringLiteral("11110111"));

    w.run([&] { w.wishes().Wishes(); });
    QVERIFY(w.wishMode());
    QCOMPARE(w.shown({WISH_PANEL}), QStringLiteral("11111111111"));
    QCOMPARE(w.shown({PROGRAM_SIDE, "Panel5", "Wishes1", "Wishes1dole"}), QStringLiteral("00000000000"));
    QVERIFY(w.wish().isEmpty());
    QVERIFY(w.ui.lines(QStringLiteral("NacistMemo")).isEmpty());
    QVERIFY(w.ui.lines(QStringLiteral("Zakladmemo")).isEmpty());
    QVERIFY(!w.ui.isEnabled(QStringLiteral("Play")));
    QVERIFY(!w.ui.isChecked(QStringLiteral("OrvaTGener")));
    QCOMPARE(w.ui.index(QStringLiteral("Colortype")), 0);
    QCOMPARE(w.klientOpen, 0);
    QVERIFY(w.messages().isEmpty());

    w.type({"Jsem zdravá a šťastná"});
    QVERIFY(w.playButtons());
    w.ui.setIndex(QStringLiteral("Colortype"), 1);
    w.ui.setChecked(QStringLiteral("OrvaTGener"), true);

    w.run([&] { w.wishes().Wishes(); });
    QVERIFY(!w.wishMode());
    QCOMPARE(w.shown({WISH_PANEL, "Wishes1", "Wishes1dole"}), QStringLiteral("0000000000000"));
    // Every open button comes back, OpenSBZ too.
    QCOMPARE(w.shown({PROGRAM_SIDE}), QStringLiteral("11111111"));
    QVERIFY(w.wish().isEmpty());
    QVERIFY(!w.ui.isChecked(QStringLiteral("OrvaTGener")));
    QCOMPARE(w.ui.index(QStringLiteral("Colortype")), 0);
    QCOMPARE(w.klientOpen, 0);
}

void TestWishes::clientChoice_data()
{
    QTest::addColumn<bool>("clientBefore");
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<int>("choices");
    QTest::addColumn<bool>("wishMode");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("client in the panel") << true << false << 0 << true << QStringList{};
    QTest::newRow("client chosen") << false << true << 1 << true << QStringList{};
    QTest::newRow("choice cancelled") << false << false << 1 << false << QStringList{"! " + czech(2009)};
}

void TestWishes::clientChoice()
{
    QFETCH(bool, clientBefore);
    QFETCH(bool, chosen);
    QFETCH(int, choices);
    QFETCH(bool, wishMode);
    QFETCH(QStringList, messages);

    Window w;
    if (clientBefore)
        w.setClient("Jana");
    if (chosen)
        w.clientChoice = [&w] { w.setClient("Petr", "Novák"); };
    w.run([&] { w.wishes().Wishes(); });

    QCOMPARE(w.klientOpen, choices);
    QCOMPARE(w.wishMode(), wishMode);
    QCOMPARE(w.messages(), messages);
    QCOMPARE(w.shown({WISH_PANEL}), wishMode ? QStringLiteral("11111111111") : QStringLiteral("00000000000"));
    QCOMPARE(w.shown({PROGRAM_SIDE}), wishMode ? QStringLiteral("00000000") : QStringLiteral("11111111"));
    QCOMPARE(w.ui.index(QStringLiteral("Colortype")), 0);
}

void TestWishes::clientGoneSwitchesOffWithoutAsking()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    QVERIFY(w.wishMode());
    w.setClient("", "", "", "", "");
    w.run([&] { w.wishes().Wishes(); });
    QVERIFY(!w.wishMode());
    QCOMPARE(w.klientOpen, 0);
    QVERIFY(w.messages().isEmpty());
}

void TestWishes::playButtonsFollowEveryChange()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    w.drive.put(paths::wishMemory(1), "Jsem zdravá\r\n");
    w.drive.put(paths::wishMemory(2), "ahoj\r\n");

    w.type({"abcde"});
    QVERIFY(w.playButtons());
    // Loaded from a slot, by another operation.
    w.run([&] { w.wishes().Memory(2); });
    QCOMPARE(w.wish(), QStringList{"ahoj"});
    QVERIFY(!w.playButtons());
    w.run([&] { w.wishes().Memory(1); });
    QVERIFY(w.playButtons());
    // Emptied by switching wish mode, and shown again only for a new wish.
    w.run([&] { w.wishes().Wishes(); });
    w.run([&] { w.wishes().Wishes(); });
    QVERIFY(w.wishMode());
    QVERIFY(!w.playButtons());
}

void TestWishes::nothingChangesWhileAPlaybackRuns()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    w.ui.setEnabled(QStringLiteral("Stop"), true);
    w.type({"Jsem zdravá"});
    QVERIFY(!w.playButtons());
    w.ui.setEnabled(QStringLiteral("Stop"), false);
    w.type({"Jsem zdravá"});
    QVERIFY(w.playButtons());
    w.ui.setEnabled(QStringLiteral("Stop"), true);
    w.type({});
    QVERIFY(w.playButtons());
}

void TestWishes::storeAndLoadASlot()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    QCOMPARE(w.ui.text(QStringLiteral("MemoryDel")), czech(601));
    w.type({"Jsem zdravá", "a šťastná"});

    w.run([&] { w.wishes().MemoryDel(); });
    QVERIFY(w.app->state().UlozitDoPamet);
    QCOMPARE(w.ui.text(QStringLiteral("MemoryDel")), czech(604));
    w.run([&] { w.wishes().Memory(3); });
    QVERIFY(!w.app->state().UlozitDoPamet);
    QCOMPARE(w.ui.text(QStringLiteral("MemoryDel")), czech(601));
    // Windows-1250, CR LF.
    QCOMPARE(w.drive.get(paths::wishMemory(3)), QByteArray("Jsem zdrav\xE1\r\na \x9A\x9D" "astn\xE1\r\n"));
    QVERIFY(!w.drive.has(paths::wishMemory(1)));
    // Storing leaves the text as it was.
    QCOMPARE(w.wish(), (QStringList{"Jsem zdravá", "a šťastná"}));

    w.type({});
    QVERIFY(!w.playButtons());
    w.run([&] { w.wishes().Memory(3); });
    QCOMPARE(w.wish(), (QStringList{"Jsem zdravá", "a šťastná"}));
    QVERIFY(w.playButtons());
    QVERIFY(w.messages().isEmpty());
}

// An 8-bit slot has no room for a zero-width space or a direction mark: each
// leaves a "?", so that the wish read back is not silently another one.
void TestWishes::invisibleCharactersInASlotStayVisible()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    w.type({QStringLiteral("Zdrav\u200B\u00E1"), QStringLiteral("\u200Ek\u0159\uFE0F")});
    w.run([&] { w.wishes().MemoryDel(); });
    w.run([&] { w.wishes().Memory(2); });
    QCOMPARE(w.drive.get(paths::wishMemory(2)), QByteArray("Zdrav?\xE1\r\n?k\xF8?\r\n"));
}

void TestWishes::slotKeepsTheEncodingItWasReadIn()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    const QByteArray utf8 = "\xEF\xBB\xBF" "Jsem zdrav\xC3\xA1 \xD0\x96\r\n";
    w.drive.put(paths::wishMemory(1), utf8);
    w.run([&] { w.wishes().Memory(1); });
    QCOMPARE(w.wish(), QStringList{QString::fromUtf8("Jsem zdravá Ж")});
    w.run([&] { w.wishes().MemoryDel(); });
    w.run([&] { w.wishes().Memory(4); });
    QCOMPARE(w.drive.get(paths::wishMemory(4)), utf8);
}

void TestWishes::loadingAMissingSlotEmptiesTheWish()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    w.type({"Jsem zdravá"});
    QVERIFY(w.playButtons());
    w.run([&] { w.wishes().Memory(5); });
    QVERIFY(w.wish().isEmpty());
    QVERIFY(!w.playButtons());
    QVERIFY(w.messages().isEmpty());
}

void TestWishes::clearAllSlots_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestWishes::clearAllSlots()
{
    QFETCH(bool, yes);
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    for (int n = 1; n <= 6; ++n)
        w.drive.put(paths::wishMemory(n), QByteArray("wish ") + QByteArray::number(n) + "\r\n");
    w.type({"Jsem zdravá"});
    yes ? w.dialogs.answerYes() : w.dialogs.answerNo();

    w.run([&] { w.wishes().MemoryDel(); });
    w.run([&] { w.wishes().MemoryDel(); });
    QCOMPARE(w.messages(), QStringList{"? " + czech(602)});
    QVERIFY(!w.app->state().UlozitDoPamet);
    QCOMPARE(w.ui.text(QStringLiteral("MemoryDel")), czech(601));
    for (int n = 1; n <= 6; ++n) {
        QCOMPARE(w.drive.has(paths::wishMemory(n)), !yes);
        if (!yes)
            QCOMPARE(w.drive.get(paths::wishMemory(n)), QByteArray("wish ") + QByteArray::number(n) + "\r\n");
    }
    // The next memory button loads again.
    w.run([&] { w.wishes().Memory(2); });
    QCOMPARE(w.wish(), yes ? QStringList{} : QStringList{"wish 2"});
}

void TestWishes::slotThatCannotBeWrittenDisarms_data()
{
    QTest::addColumn<bool>("fullDisk"); // else the slot's name is taken by a folder
    QTest::newRow("slot name taken by a folder") << false;
    QTest::newRow("full disk") << true;
}

// A store that fails ends the store: the next MemoryDel arms again instead of
// offering to clear every slot.
void TestWishes::slotThatCannotBeWrittenDisarms()
{
    QFETCH(bool, fullDisk);
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    w.drive.put(paths::wishMemory(1), "ahoj\r\n");
    if (!fullDisk)
        w.drive.put(paths::wishMemory(6) + QStringLiteral("\\inside"), "x");
    w.type({"Jsem zdravá"});
    w.run([&] { w.wishes().MemoryDel(); });
    {
        std::optional<files::testing::WriteFault> full;
        if (fullDisk)
            full.emplace(files::testing::WriteStep::Write);
        w.run([&] { w.wishes().Memory(6); });
    }
    QVERIFY(!w.app->state().UlozitDoPamet);
    QCOMPARE(w.ui.text(QStringLiteral("MemoryDel")), czech(601));
    QCOMPARE(w.wish(), QStringList{"Jsem zdravá"});
    QVERIFY(!w.drive.has(paths::wishMemory(6)) || !fullDisk);
    w.run([&] { w.wishes().MemoryDel(); });
    QVERIFY(w.messages().isEmpty());
    QCOMPARE(w.ui.text(QStringLiteral("MemoryDel")), czech(604));
    QCOMPARE(w.drive.get(paths::wishMemory(1)), QByteArray("ahoj\r\n"));
}

void TestWishes::armedStateSurvivesWishMode()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    w.run([&] { w.wishes().MemoryDel(); });
    w.run([&] { w.wishes().Wishes(); });
    QVERIFY(!w.wishMode());
    QVERIFY(w.app->state().UlozitDoPamet);
    w.run([&] { w.wishes().Wishes(); });
    QVERIFY(w.wishMode());
    QCOMPARE(w.ui.text(QStringLiteral("MemoryDel")), czech(604));
    w.type({"Jsem zdravá"});
    w.run([&] { w.wishes().Memory(2); });
    QCOMPARE(w.drive.get(paths::wishMemory(2)), QByteArray("Jsem zdrav\xE1\r\n"));
    QCOMPARE(w.ui.text(QStringLiteral("MemoryDel")), czech(601));
}

void TestWishes::infoWish()
{
    Window w;
    w.app->state().Languagem = English;
    w.run([&] { w.wishes().InfoWish(); });
    QCOMPARE(w.messages(), QStringList{"! " + Catalogue::mainWindow().FATisk(2022, English)});
    QVERIFY(w.messages().first().contains(QStringLiteral("positively worded wish")));
}

void TestWishes::wishPlayback()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    const QStringList wish{"Jsem zdravá", "a šťastná"};
    w.type(wish);
    QVERIFY(w.playButtons());

    std::mt19937 copy = w.app->state().rng;
    const QStringList expectedProgram = wishes::wishProgram(copy);
    const QStringList minutes = minutesOf(expectedProgram);

    struct Row {
        qint64 ms;
        qint32 value;
        qint32 casStop;
    };
    QList<Row> rows;
    QStringList during;
    QString countdown;
    w.app->playback().engine().rowStarted = [&](int k) {
        const EngineVars &e = w.app->state().engine;
        rows.append({w.clock.nowMs(), e.FrqCOMHM, e.CasStop});
        if (k == 1) {
            w.at(w.clock.nowMs() + 1500, [&] { countdown = w.ui.text(QStringLiteral("CasWrite")); });
            during << w.shown({"Memory1", "Memory6", "MemoryDel", "Panelprani", "Wishes1", "Wishes1dole", "MemoWish",
                               "Orva_Tlac", "OrvaTGener", "Panel5"})
                   << w.enabled({"Wishes1", "Wishes1dole", "KlientOpen", "Novy", "DeleteJm", "MemoWish"})
                   << QString::fromLatin1(w.drive.get(paths::WishPlaying))
                   << QStringLiteral("%1 entry, played mark %2")
                          .arg(w.ui.lineCount(QStringLiteral("Zakladmemo")))
                          .arg(w.ui.line(QStringLiteral("Zakladmemo"), 0).left(1))
                   << (w.ui.isChecked(QStringLiteral("OrvaTGener")) ? "generator" : "no generator");
        }
    };
    const qint64 start = w.clock.nowMs();
    w.run([&] { w.wishes().Wishes1(); });

    QCOMPARE(w.ui.lines(QStringLiteral("NacistMemo")), expectedProgram);
    QCOMPARE(during, (QStringList{"0000001000", "000000", QString::fromLatin1("Jsem zdrav\xE1\r\na \x9A\x9D" "astn\xE1\r\n"),
                                  "1 entry, played mark #", "generator"}));

    // Three rows of random values, each as long as its drawn minutes.
    QCOMPARE(rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows[i].casStop, minutes[i].toInt() * 60000);
        QVERIFY2(rows[i].value >= kLowestRandom && rows[i].value <= kHighestRandom,
                 qPrintable(QString::number(rows[i].value)));
    }
    for (int i = 0; i + 1 < 3; ++i) {
        const qint64 length = rows[i + 1].ms - rows[i].ms;
        // Every re-sent value adds the port's closing time to the row.
        QVERIFY2(length >= rows[i].casStop && length < rows[i].casStop + rows[i].casStop / 50 + 1000,
                 qPrintable(QString::number(length)));
    }
    // The stream: start light (colour blending, as the generator program is an
    // Orvatrin one), the rows' values only, then stand-by.
    QStringList texts;
    for (const auto &wr : w.port.writes())
        texts << QString::fromLatin1(wr.text);
    QCOMPARE(texts.first(), QStringLiteral("55"));
    QCOMPARE(texts.mid(texts.size() - 2), (QStringList{"12", "12"}));
    int row = -1;
    for (const auto &wr : w.port.writes().mid(1, w.port.writes().size() - 3)) {
        while (row + 1 < 3 && wr.ms >= rows[row + 1].ms)
            ++row;
        QVERIFY(row >= 0);
        QCOMPARE(wr.text, QByteArray::number(rows[row].value));
    }
    const int totalMinutes = minutes[0].toInt() + minutes[1].toInt() + minutes[2].toInt();
    QVERIFY(w.clock.nowMs() - start > totalMinutes * 60000);
    // The countdown starts from the drawn minutes.
    QVERIFY2(countdown.startsWith(QStringLiteral(" 0:%1:0 / 0:%2:").arg(totalMinutes).arg(totalMinutes - 1)),
             qPrintable(countdown));

    // Back to writing the next wish.
    QVERIFY(w.wishMode());
    QVERIFY(w.wish().isEmpty());
    QCOMPARE(w.shown({"Memory1", "Memory6", "MemoryDel", "Panelprani", "Wishes1", "Wishes1dole"}),
             QStringLiteral("111100"));
    QCOMPARE(w.enabled({"Wishes1", "Wishes1dole", "KlientOpen", "Novy", "DeleteJm", "MemoWish", "Stop"}),
             QStringLiteral("1111110"));
    w.type({"Jsem zdravá"});
    QVERIFY(w.playButtons());
}

void TestWishes::wishTextReloadedEveryTwoSeconds()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    w.type({"Jsem zdravá"});

    QList<qint64> reloads;
    auto &hooks = w.app->ctx().ops;
    const auto reload = hooks.reloadWishText;
    hooks.reloadWishText = [&] {
        reloads << w.clock.nowMs();
        reload();
    };
    const qint64 t0 = w.clock.nowMs();
    QStringList seen;
    const auto look = [&](qint64 ms) { w.at(t0 + ms, [&, ms] { seen << QStringLiteral("%1 %2").arg(ms).arg(w.wish().join('|')); }); };
    const auto write = [&](qint64 ms, const QByteArray &text) {
        w.at(t0 + ms, [&w, text] { w.drive.put(paths::WishPlaying, text + "\r\n"); });
    };
    write(5000, "druha");
    look(5500);
    look(6500);
    // While paused the text stays as it was.
    w.at(t0 + 10100, [&] { w.app->playback().Pause(); });
    write(11000, "treti");
    look(19000);
    w.at(t0 + 20100, [&] { w.app->playback().Pause(); });
    look(22500);
    w.at(t0 + 30100, [&] { w.app->playback().Stop(); });
    w.run([&] { w.wishes().Wishes1(); });

    QCOMPARE(seen, (QStringList{"5500 Jsem zdravá", "6500 druha", "19000 druha", "22500 treti"}));
    QVERIFY(reloads.size() >= 10);
    for (qint64 ms : reloads) {
        QCOMPARE((ms - t0) % 2000, 0);
        QVERIFY2(ms - t0 < 10100 || ms - t0 > 20100, qPrintable(QString::number(ms - t0)));
    }
    QCOMPARE(reloads.first() - t0, 2000);
    // Every step of the bar outside the pause reloaded the text.
    QCOMPARE(reloads.size(), int(reloads.last() - t0) / 2000 - 5);
}

void TestWishes::stopEndsTheWishPlayback()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    w.type({"Jsem zdravá"});
    const qint64 start = w.clock.nowMs();
    w.at(start + 65000, [&] { w.app->playback().Stop(); });
    w.run([&] { w.wishes().Wishes1(); });
    QVERIFY(w.clock.nowMs() - start < 75000);
    QVERIFY(w.wish().isEmpty());
    QVERIFY(!w.playButtons());
    QCOMPARE(w.shown({"Memory1", "MemoryDel", "Panelprani"}), QStringLiteral("111"));
    QCOMPARE(w.enabled({"MemoWish", "KlientOpen", "Wishes", "Konec"}), QStringLiteral("1111"));
}

void TestWishes::unsavedWishIsNotPlayed()
{
    Window w;
    w.setClient("Jana");
    w.run([&] { w.wishes().Wishes(); });
    w.type({"Jsem zdravá"});
    w.drive.put(paths::WishPlaying + QStringLiteral("\\inside"), "x"); // the file's name is a folder
    w.run([&] { w.wishes().Wishes1(); });
    QVERIFY(w.port.writes().isEmpty());
    QVERIFY(!w.ui.isEnabled(QStringLiteral("Stop")));
    QVERIFY(w.messages().isEmpty());
}

void TestWishes::wishButtonsStayOutOfAnOrdinaryPlayback()
{
    // The wish of an earlier session is still in its file; the running bar
    // animates; then an ordinary program is played and stopped.
    Window w;
    w.setClient("Jana");
    w.drive.put(paths::WishPlaying, "Jsem zdrav\xE1\r\n");
    w.loadProgram({"[P1]", test::row("a||10.000|0|Hz|0|5|0"), "[STOP]"});
    QStringList seen;
    const qint64 t0 = w.clock.nowMs();
    for (qint64 ms = 1000; ms < 20000; ms += 500)
        w.at(t0 + ms, [&] { seen << w.shown({"Wishes1", "Wishes1dole"}); });
    w.at(t0 + 9000, [&] { w.app->playback().Stop(); });
    w.run([&] { w.app->playback().Play(); });
    w.clock.advance(10000);

    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen.filter("1"), QStringList());
    QCOMPARE(w.shown({"Wishes1", "Wishes1dole", "MemoWish"}), QStringLiteral("000"));
    QVERIFY(w.wish().isEmpty());
    // Another program picked: still nothing over Play.
    w.loadProgram({"[P2]", test::row("b||20.000|0|Hz|0|1|0"), "[STOP]"});
    QVERIFY(!w.playButtons());
}

void TestWishes::wishButtonsRefuseOutsideTheirState_data()
{
    QTest::addColumn<bool>("wishMode");
    QTest::addColumn<bool>("client");
    QTest::addColumn<bool>("playing");
    QTest::addColumn<bool>("plays");

    QTest::newRow("wish mode, playable") << true << true << false << true;
    QTest::newRow("not in wish mode") << false << true << false << false;
    QTest::newRow("no client") << true << false << false << false;
    QTest::newRow("during a wish playback") << true << true << true << false;
}

void TestWishes::wishButtonsRefuseOutsideTheirState()
{
    QFETCH(bool, wishMode);
    QFETCH(bool, client);
    QFETCH(bool, playing);
    QFETCH(bool, plays);

    Window w;
    w.setClient("Jana");
    w.loadProgram({"[P1]", test::row("a||10.000|0|Hz|0|1|0"), "[STOP]"});
    if (wishMode) {
        w.run([&] { w.wishes().Wishes(); });
        w.type({"Jsem zdravá"});
    } else {
        w.ui.setLines(QStringLiteral("MemoWish"), {"Jsem zdravá"});
    }
    if (!client)
        w.ui.setText(QStringLiteral("Jmeno"), QString());
    const QStringList before = w.ui.lines(QStringLiteral("NacistMemo"));

    // A click on the spot where the button is drawn, whether shown or not.
    QStringList during;
    qint64 secondClick = -1;
    if (playing) {
        w.app->playback().engine().rowStarted = [&](int k) {
            if (k != 1 || secondClick >= 0)
                return;
            secondClick = w.clock.nowMs() + 5000;
            w.at(secondClick, [&] {
                during << w.ui.lines(QStringLiteral("NacistMemo"));
                w.run([&] { w.wishes().Wishes1(); });
                during << w.ui.lines(QStringLiteral("NacistMemo"));
                w.app->playback().Stop();
            });
        };
    }
    w.run([&] { w.wishes().Wishes1(); });

    if (playing) {
        QCOMPARE(during.size(), 10);
        QCOMPARE(during.mid(5), during.mid(0, 5));
        QVERIFY(w.clock.nowMs() < secondClick + 10000);
    } else {
        QCOMPARE(!w.port.writes().isEmpty(), plays);
        QCOMPARE(w.ui.lines(QStringLiteral("NacistMemo")) != before, plays);
    }
}

QTEST_MAIN(TestWishes)
#include "tst_wishes.moc"
