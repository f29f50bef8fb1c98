// The production clock on real time: waits keep the grid their predecessors
// set, so a long playback does not drift, and a stall does not make later waits
// catch up in a burst.

#include "core/Clock.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

using namespace zovt;

namespace {
void work(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }
constexpr qint64 kMs = 1'000'000;
} // namespace

class TestClock : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void gridDue_data();
    void gridDue();
    void chainedWaitsKeepTheirGrid_data();
    void chainedWaitsKeepTheirGrid();
    void stallRestartsTheSchedule();
    void exitUnwindsRunningWaits();

private:
    std::unique_ptr<QtClock> m_clock;
};

void TestClock::init() { m_clock = std::make_unique<QtClock>(); }

void TestClock::cleanup() { m_clock.reset(); }

void TestClock::gridDue_data()
{
    QTest::addColumn<qint64>("nowNs");
    QTest::addColumn<bool>("hasPrevious");
    QTest::addColumn<qint64>("previousDueNs");
    QTest::addColumn<qint64>("previousWokeNs");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<qint64>("dueNs");

    const qint64 prev = 1000 * kMs;
    QTest::newRow("first wait") << prev << false << qint64(0) << qint64(0) << 40 << prev + 40 * kMs;
    QTest::newRow("serviced late") << prev + 3 * kMs << true << prev << prev + 3 * kMs << 40 << prev + 40 * kMs;
    QTest::newRow("at the due time") << prev << true << prev << prev << 40 << prev + 40 * kMs;
    QTest::newRow("before the due time") << prev - kMs / 2 << true << prev << prev - kMs / 2 << 40 << prev + 40 * kMs;
    QTest::newRow("at the window's edge: due already passed")
        << prev + kGridWindowNs << true << prev << prev << 40 << prev + 40 * kMs;
    QTest::newRow("work just past the window") << prev + kGridWindowNs + 1 << true << prev << prev << 40
                                               << prev + kGridWindowNs + 1 + 40 * kMs;
    QTest::newRow("after a stall") << prev + 150 * kMs << true << prev << prev << 30 << prev + 180 * kMs;
    // A loaded machine: the wake itself is late, the next tick is not.
    QTest::newRow("woke half a second late") << prev + 513 * kMs << true << prev << prev + 512 * kMs << 1000
                                             << prev + 1000 * kMs;
    QTest::newRow("woke late, then the window's worth of work")
        << prev + 512 * kMs + kGridWindowNs << true << prev << prev + 512 * kMs << 1000 << prev + 1000 * kMs;
    // A tick's work may stall for up to half the next wait (a journal synced
    // to a busy disk) and the ticks after it stay where they were planned.
    QTest::newRow("a tick's work stalls 400 ms") << prev + 400 * kMs << true << prev << prev << 1000
                                                 << prev + 1000 * kMs;
    QTest::newRow("woke late, then stalled, within half the wait")
        << prev + 212 * kMs + 500 * kMs << true << prev << prev + 212 * kMs << 1000 << prev + 1000 * kMs;
    QTest::newRow("stalled past half the wait") << prev + 500 * kMs + 1 << true << prev << prev << 1000
                                                << prev + 1500 * kMs + 1;
    QTest::newRow("a stall half a short wait long is past the window")
        << prev + 60 * kMs << true << prev << prev << 100 << prev + 160 * kMs;
    QTest::newRow("woke later than the whole next wait") << prev + 1200 * kMs << true << prev << prev + 1200 * kMs
                                                          << 1000 << prev + 2200 * kMs;
    QTest::newRow("zero interval") << prev + 2 * kMs << true << prev << prev + 2 * kMs << 0 << prev;
    QTest::newRow("negative interval") << prev << false << qint64(0) << qint64(0) << -5 << prev;
    QTest::newRow("an hour") << prev + kMs << true << prev << prev + kMs << 3'600'000 << prev + 3'600'000 * kMs;
}

void TestClock::gridDue()
{
    QFETCH(qint64, nowNs);
    QFETCH(bool, hasPrevious);
    QFETCH(qint64, previousDueNs);
    QFETCH(qint64, previousWokeNs);
    QFETCH(int, intervalMs);
    QFETCH(qint64, dueNs);
    const auto previous = hasPrevious ? std::optional(GridMark{previousDueNs, previousWokeNs}) : std::nullopt;
    QCOMPARE(gridDueNs(nowNs, previous, intervalMs), dueNs);
}

void TestClock::chainedWaitsKeepTheirGrid_data()
{
    QTest::addColumn<bool>("withSleeps");
    QTest::newRow("waits") << false;
    QTest::newRow("waits and sleeps") << true;
}

// Twenty waits of 40 ms with 10 ms of work before all but the first. The chain
// starts with the first wait, so the k-th wait may end no sooner than k * 40 ms
// after the stopwatch started. Without the grid every wait would end at least
// 50 ms after the one before (the work, then the whole wait); on the grid the
// waits end 40 ms apart give or take the difference of two wake-up latencies,
// so the median gap shows the grid whatever a busy machine does to single
// wake-ups (a very late one may even restart the chain).
void TestClock::chainedWaitsKeepTheirGrid()
{
    QFETCH(bool, withSleeps);
    constexpr int kWaits = 20, kLength = 40, kWork = 10;
    Clock &clock = *m_clock;
    QElapsedTimer t;
    t.start();
    std::vector<double> ends;
    for (int k = 1; k <= kWaits; ++k) {
        if (k > 1)
            work(kWork);
        if (withSleeps && k % 2)
            clock.sleep(kLength);
        else
            clock.wait(kLength);
        ends.push_back(msSince(t));
        QVERIFY2(ends.back() >= double(kLength * k),
                 qPrintable(QStringLiteral("wait %1 ended at %2 ms").arg(k).arg(ends.back())));
    }
    std::vector<double> gaps;
    for (size_t i = 1; i < ends.size(); ++i)
        gaps.push_back(ends[i] - ends[i - 1]);
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    const double median = gaps[gaps.size() / 2];
    QVERIFY2(median < kLength + kWork,
             qPrintable(QStringLiteral("median gap %1 ms, chain %2 ms").arg(median).arg(ends.back())));
}

// After a stall the next waits take their whole length again: measured from
// the start of the new chain, none of them ends early.
void TestClock::stallRestartsTheSchedule()
{
    Clock &clock = *m_clock;
    clock.wait(10);
    work(150);
    QElapsedTimer t;
    t.start();
    for (int i = 1; i <= 3; ++i) {
        clock.wait(30);
        QVERIFY2(msSince(t) >= 30.0 * i, qPrintable(QStringLiteral("wait %1 ended at %2 ms").arg(i).arg(msSince(t))));
    }
    work(150);
    t.start();
    clock.sleep(30);
    QVERIFY2(msSince(t) >= 30.0, qPrintable(QString::number(msSince(t))));
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
