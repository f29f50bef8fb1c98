// The production clock on real time: waits keep the grid their predecessors
// set, so a long playback does not drift, and a stall does not make later waits
// catch up in a burst.

#include "core/Clock.h"

#include <QElapsedTimer>
#include <QTest>

#include <chrono>
#include <thread>

using namespace zovt;

namespace {
void work(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }
} // namespace

class TestClock : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void chainedWaitsKeepTheirGrid_data();
    void chainedWaitsKeepTheirGrid();
    void stallRestartsTheSchedule();
    void exitUnwindsRunningWaits();

private:
    std::unique_ptr<QtClock> m_clock;
};

void TestClock::init()
{
    m_clock = std::make_unique<QtClock>();
}

void TestClock::cleanup()
{
    m_clock.reset();
}

void TestClock::chainedWaitsKeepTheirGrid_data()
{
    QTest::addColumn<bool>("withSleeps");
    QTest::newRow("waits") << false;
    QTest::newRow("waits and sleeps") << true;
}

// Each step does 3 ms of work and then waits; without the grid the 19 steps
// would take at least 57 ms longer than their waits.
void TestClock::chainedWaitsKeepTheirGrid()
{
    QFETCH(bool, withSleeps);
    Clock &clock = *m_clock;
    clock.wait(40);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 19; ++i) {
        work(3);
        if (withSleeps && i % 2)
            clock.sleep(40);
        else
            clock.wait(40);
    }
    const double elapsed = msSince(t);
    QVERIFY2(elapsed >= 19 * 40 - 3 && elapsed < 19 * 40 + 30, qPrintable(QString::number(elapsed)));
}

void TestClock::stallRestartsTheSchedule()
{
    Clock &clock = *m_clock;
    clock.wait(10);
    work(150); // far behind: the next waits take their whole length again
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        clock.wait(30);
        QVERIFY2(msSince(t) >= 29.0, qPrintable(QString::number(msSince(t))));
    }
    work(150);
    QElapsedTimer t;
    t.start();
    clock.sleep(30);
    QVERIFY(msSince(t) >= 29.0);
}

void TestClock::exitUnwindsRunningWaits()
{
    Clock &clock = *m_clock;
    auto trigger = clock.createTimer();
    trigger->setSingleShot(true);
    trigger->setInterval(20);
    trigger->setCallback([&] { clock.requestExit(); });
    trigger->start();
    bool innerUnwound = false;
    QElapsedTimer t;
    t.start();
    auto nested = clock.createTimer();
    nested->setSingleShot(true);
    nested->setInterval(5);
    nested->setCallback([&] {
        try {
            clock.wait(5000);
        } catch (const ExitUnwind &) {
            innerUnwound = true;
            throw;
        }
    });
    nested->start();
    QVERIFY_THROWS_EXCEPTION(ExitUnwind, clock.wait(5000));
    QVERIFY(innerUnwound);
    QVERIFY(msSince(t) < 1000);
    QVERIFY_THROWS_EXCEPTION(ExitUnwind, clock.wait(10)); // and every later one at once
}

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
