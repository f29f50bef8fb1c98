#include "app/StallMeter.h"

#include "app/StartMarks.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdio>

namespace zovt::stallmeter {

namespace {

// Short enough that a gap is measured to within a few ms, long enough that
// the meter itself costs nothing that shows.
constexpr int kBeatMs = 10;
constexpr int kDefaultThresholdMs = 250;

class Meter : public QObject {
public:
    Meter(QObject *owner, int thresholdMs) : QObject(owner), m_thresholdMs(thresholdMs)
    {
        m_beat.setTimerType(Qt::PreciseTimer);
        m_beat.setInterval(kBeatMs);
        QObject::connect(&m_beat, &QTimer::timeout, this, [this] { beat(); });
        m_since.start();
        m_beat.start();
    }

    ~Meter() override
    {
        beat();
        std::fprintf(stderr, "zovt-generator: longest stall %lld ms\n", m_longestMs);
        std::fflush(stderr);
    }

private:
    void beat()
    {
        const long long gapMs = m_since.restart() - kBeatMs;
        if (gapMs > m_longestMs)
            m_longestMs = gapMs;
        if (gapMs > m_thresholdMs) {
            std::fprintf(stderr, "zovt-generator: event loop stalled %lld ms, until %lld\n", gapMs, startmarks::nowNs());
            std::fflush(stderr);
        }
    }

    QTimer m_beat;
    QElapsedTimer m_since;     // since the last beat was served
    int m_thresholdMs;         // gaps longer than this are printed, ms
    long long m_longestMs = 0; // longest gap so far, ms
};

} // namespace

void startIfWanted(QObject *owner)
{
    const QByteArray value = qgetenv("ZOVT_STALLS");
    if (value.isNull())
        return;
    bool ok = false;
    const int threshold = value.toInt(&ok);
    new Meter(owner, ok && threshold >= 0 ? threshold : kDefaultThresholdMs);
}

} // namespace zovt::stallmeter
