// Turns on the device and the port cycles beneath them, in virtual time: an
// operation asked for while another has the device waits for its turn, a
// refused open leaves the holder alone, the auxiliary buttons take over a
// suspended cycle, a lost device is reported, and a lighting group on no
// item of its own sends nothing.

#include "device/PortLink.h"
#include "support/Headless.h"

#include <QRegularExpression>
#include <QtTest>

#include <stdexcept>

using namespace zovt;

namespace {

// An operation of one cycle: writes text, waits a second, closes.
std::function<void()> oneCycle(test::Headless &h, QByteArray text, QStringList *log = nullptr)
{
    return [&h, text, log] {
        if (log)
            *log << QStringLiteral("%1 %2").arg(h.clock.nowMs()).arg(QString::fromLatin1(text));
        h.device.cycle([&h, text] {
            h.device.write(text);
            h.waits.TimenZapsatPul();
        });
    };
}

} // namespace

class TestDeviceLink : public QObject {
    Q_OBJECT
private slots:
    void turnsInOrder_data();
    void turnsInOrder();
    void refusedOpenLeavesTheHolder();
    void waitOnAHeldPortIsBounded();
    void auxiliaryButtonTakesOverASuspendedCycle();
    void lostDeviceIsReported_data();
    void lostDeviceIsReported();
    void lightingGroupOnNoItem_data();
    void lightingGroupOnNoItem();
};

void TestDeviceLink::turnsInOrder_data()
{
    QTest::addColumn<QList<int>>("asks");     // when each of three operations asks
    QTest::addColumn<QStringList>("started"); // when each began, and its text

    // Each holds the device 1.3 s (a wait and the close).
    QTest::newRow("one after another") << QList<int>{0, 2000, 4000} << QStringList{"0 a", "2000 b", "4000 c"};
    QTest::newRow("asked inside the first cycle") << QList<int>{0, 500, 600} << QStringList{"0 a", "1300 b", "2600 c"};
    QTest::newRow("asked between two waiting") << QList<int>{0, 900, 1500} << QStringList{"0 a", "1300 b", "2600 c"};
}

// Operations asked for while another has the device run in the order asked,
// each as soon as the one before it has ended, and never inside it.
void TestDeviceLink::turnsInOrder()
{
    QFETCH(QList<int>, asks);
    QFETCH(QStringList, started);
    test::Headless h;
    QStringList log;
    const char *texts[] = {"a", "b", "c"};
    for (int i = 0; i < 3; ++i)
        h.at(asks.at(i), [&h, &log, t = texts[i]] { h.device.takeTurn(oneCycle(h, t, &log)); });
    h.clock.advance(10000);
    QCOMPARE(log, started);
    QCOMPARE(h.writes(), started);
    QVERIFY(!h.device.busy());
    QVERIFY(!h.ui.isChecked(QStringLiteral("PortOpen")));
}

// A cycle opened inside another (nothing should do that any more) is
// refused like a second open of the component, and the holder's port and
// PortOpen stay as they are.
void TestDeviceLink::refusedOpenLeavesTheHolder()
{
    test::Headless h;
    bool refused = false;
    h.device.cycle([&] {
        h.device.write("44");
        try {
            h.device.cycle([&] { h.device.write("98"); });
        } catch (const EVaCommError &e) {
            refused = e.message() == QLatin1String("Can't perform this operation while port is open");
        }
        QVERIFY(h.ui.isChecked(QStringLiteral("PortOpen")));
        QVERIFY(h.port.active());
        h.device.write("12");
    });
    QVERIFY(refused);
    QCOMPARE(h.texts(), (QStringList{"44", "12"}));
    QCOMPARE(h.port.openCount(), 1);
    QVERIFY(!h.ui.isChecked(QStringLiteral("PortOpen")));
}

// A waiting operation does not wait for ever on a port that stays held: it
// runs once the limit has passed, and its refused open is a port error.
void TestDeviceLink::waitOnAHeldPortIsBounded()
{
    test::Headless h;
    QStringList errors;
    h.clock.setErrorSink([&](const char *, std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const EVaCommError &ex) {
            errors << QStringLiteral("%1 %2").arg(h.clock.nowMs()).arg(ex.message());
        } catch (...) {
            errors << QStringLiteral("other");
        }
    });
    h.at(1000, [&] { h.device.takeTurn(oneCycle(h, "98")); });
    h.device.cycle([&] {
        h.device.write("44");
        h.clock.advance(40000); // a cycle that never ends its wait
    });
    QCOMPARE(errors, QStringList{QStringLiteral("%1 Can't perform this operation while port is open")
                                     .arg(1000 + DeviceLink::kPortWaitLimitMs)});
    QCOMPARE(h.texts(), QStringList{"44"});
    QCOMPARE(h.device.waiting(), 0);
}

// The auxiliary buttons run inside a paused playback's turn: they close the
// port of its suspended cycle, run their own cycles, and the playback's own
// close later finds the port closed and changes nothing.
void TestDeviceLink::auxiliaryButtonTakesOverASuspendedCycle()
{
    test::Headless h;
    qint64 auxEnded = 0;
    h.at(500, [&] {
        h.device.releaseSuspendedCycle();
        QVERIFY(!h.port.active());
        QVERIFY(!h.ui.isChecked(QStringLiteral("PortOpen")));
        oneCycle(h, "77")();
        auxEnded = h.clock.nowMs();
    });
    h.device.takeTurn([&] {
        h.device.cycle([&] {
            h.device.write("1000");
            h.waits.TimenZapsat();
        });
        QVERIFY(!h.ui.isChecked(QStringLiteral("PortOpen")));
        h.device.cycle([&] { h.device.write("1001"); });
    });
    // The release pays the close's 300 ms; the playback's own close then costs nothing.
    QCOMPARE(h.writes(), (QStringList{"0 1000", "800 77", QStringLiteral("%1 1001").arg(auxEnded + 500)}));
    QCOMPARE(auxEnded, 800 + 1300);
    QCOMPARE(h.port.openCount(), 3);
    QVERIFY(!h.ui.isChecked(QStringLiteral("PortOpen")));
    // Nothing to take over: nothing happens.
    h.device.releaseSuspendedCycle();
    QCOMPARE(h.port.openCount(), 3);
}

void TestDeviceLink::lostDeviceIsReported_data()
{
    QTest::addColumn<bool>("secondWrite");
    QTest::newRow("at the close") << false;
    QTest::newRow("at the next write") << true;
}

// A device that stops taking bytes in the middle of a cycle is a port error,
// not a cycle sent: the next write or the close raises it, and the port is
// left closed.
void TestDeviceLink::lostDeviceIsReported()
{
    QFETCH(bool, secondWrite);
    test::Headless h;
    h.at(200, [&] { h.port.loseDevice(); });
    QVERIFY_THROWS_EXCEPTION(EVaCommError, h.device.cycle([&] {
        h.device.write("22", QStringLiteral("I22"));
        h.waits.TimenZapsatPul();
        h.device.write("12", QStringLiteral("I12"));
        h.waits.TimenZapsatPul();
        if (secondWrite)
            h.device.write("44", QStringLiteral("I44"));
    }));
    QCOMPARE(h.texts(), QStringList{"22"});
    QCOMPARE(h.ui.text(QStringLiteral("WritedCom")), QStringLiteral("I12"));
    QVERIFY(!h.port.active());
    QVERIFY(!h.ui.isChecked(QStringLiteral("PortOpen")));
    QVERIFY(!h.device.portHeld());
}

void TestDeviceLink::lightingGroupOnNoItem_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("stored");
    QTest::newRow("stand-by 5") << "R_Stadby" << 5 << -1;
    QTest::newRow("stand-by -1") << "R_Stadby" << -1 << -1;
    QTest::newRow("power 6") << "R_Power" << 6 << -1;
    QTest::newRow("power 9") << "R_Power" << 9 << -1;
    QTest::newRow("power 5 is an item") << "R_Power" << 5 << 5;
    QTest::newRow("night 3") << "R_Night" << 3 << -1;
}

// A radio group stands on one of its items or on none, headless as in the
// window; on none, the selectors refuse and nothing reaches the device.
void TestDeviceLink::lightingGroupOnNoItem()
{
    QFETCH(QString, group);
    QFETCH(int, item);
    QFETCH(int, stored);
    test::Headless h;
    h.ui.setIndex(QStringLiteral("Colortype"), 2);
    h.ui.setIndex(group, item);
    QCOMPARE(h.ui.index(group), stored);
    const bool refused = stored < 0 && group != QLatin1String("R_Night");
    const auto send = [&] {
        h.device.cycle([&] {
            h.device.runLightByPause();
            h.device.runLightByRun();
        });
    };
    if (refused) {
        QVERIFY_THROWS_EXCEPTION(std::range_error, send());
        for (const QString &t : h.texts())
            QVERIFY2(QRegularExpression(QStringLiteral("^(2[0-7]|[34][0-5])$")).match(t).hasMatch(), qPrintable(t));
        QCOMPARE(h.texts().size(), group == QLatin1String("R_Power") ? 1 : 0);
    } else {
        send();
        QCOMPARE(h.texts().size(), 2);
    }
    QVERIFY(!h.port.active());
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
