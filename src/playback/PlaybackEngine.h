#pragma once
// The row loop of a playback: for each row of the selected program (MemoPlay
// rows 1 to PocetRadkfr) it parses the row, computes the device values, writes
// the first value in a port cycle and lets the row's duration pass in ticks of
// one second, re-sending a single frequency every 23 ticks or stepping a band
// every third tick. It counts the remaining time down in CasWrite, marks the
// row being played in MemoPlayShow, holds while the Pause caption is ">" and
// ends at the end of the tick in which Stop was found disabled.
//
// Timing is by tick count: CasPLAY advances by exactly 1000 per tick whatever
// the tick's writes and port closes cost.

#include "core/AppContext.h"

#include <QString>
#include <functional>
#include <optional>
#include <utility>
#include <random>

namespace zovt {

struct RowVars;
struct EngineVars;

// The device values of a row, prepared as the loop prepares them before the
// row's first write, working on the engine variables. Exposed for the schedule preview and for tests.
struct RowPlan {
    // Whether the step recomputation ran and whether its result was raised
    // from 0 to 1.
    bool stepRecomputed = false;
    bool stepRaised = false;
};

// Prepares a row that has just been parsed into 'row', after its duration:
// CasStop, FrqCOMHM (the random value when 'generator' is set, drawn from
// rng), the band's FrqCOMDM and SunCOM, the fall-backs to single mode, the
// step recomputation and the raise of a first value below 100 to 1000.
// Throws DeviceValueError.
RowPlan prepareRow(RowVars &row, EngineVars &e, bool generator, std::mt19937 &rng);

// One sweep step (tick with a write in band mode): the next value, clamped to
// the band and to 100, and the turn of the direction at the limits. A band
// whose lower value lies below 100 turns at 100.
void sweepStep(EngineVars &e);

class PlaybackEngine {
public:
    explicit PlaybackEngine(AppContext &ctx);

    // Plays rows 1 to PocetRadkfr. CasCelkFIX and CasCelkp must hold the
    // program's total seconds. Throws ConvertError at a row that does not
    // parse and DeviceValueError at a value the device cannot take (the row
    // keeps its marker then); serial-port errors and the exit unwind pass
    // through.
    void run();

    // The row being prepared or played (1-based), 0 before the first row.
    int currentRow() const { return m_row; }

    // Where the next playback begins instead of the first row: 'row' plays
    // only the time it had left. Dropped by clearResume().
    void resumeAt(int row, qint64 rowLeftMs) { m_resume = Resume{row, rowLeftMs}; }
    void clearResume();
    // Once the program's total is known (CasCelkp), before the protocol
    // begins: the rows before the resumed one are read and prepared as if
    // played (their values carry over, as empty fields keep the previous
    // row's), nothing is written for them, and the time not to be played
    // leaves CasCelkp. Nothing without a resume. Throws as run() does.
    void prepareResume();

    // Called when a row has been prepared, right before its first write; the
    // window still shows the row before as the one played then.
    std::function<void(int row)> rowStarted;
    // Called right after a row's first value has been written, and at the
    // end of every tick of a row (the row's clock already advanced).
    std::function<void(int row)> rowPlaying;
    std::function<void(int row)> tickDone;
    // Called where the device waits for nothing until the next wake: right
    // after every write, and on a tick that writes nothing before its wait.
    // Slow work (a file synced to disk) belongs here rather than in tickDone,
    // which runs between a wake and the write due at it.
    std::function<void()> quietMoment;

private:
    // What the window shows of a write: done right after the write, so that
    // laying out text never delays what the device hears, or when the write
    // fails; once either way.
    class Shown {
    public:
        explicit Shown(std::function<void()> show) : m_show(std::move(show)) {}
        void operator()()
        {
            if (m_show)
                std::exchange(m_show, {})();
        }

    private:
        std::function<void()> m_show;
    };

    struct Resume {
        int row = 1;
        qint64 rowLeftMs = 0;
    };
    void playRow(int k, int &last);
    void writeValue(bool firstOfRow, Shown &shown);
    void unmarkPlayedRow();

    AppContext &m_ctx;
    int m_row = 0;
    int m_playedRow = 0; // a row played to its end that still shows its marker
    std::optional<Resume> m_resume;
    std::optional<qint64> m_rowLimitMs; // the resumed row's time left, until that row begins
    int m_firstRow = 1;                 // where run() begins
};

} // namespace zovt
