#include "playback/PlaybackEngine.h"

#include "core/Clock.h"
#include "core/WindowState.h"
#include "device/DeviceLink.h"
#include "device/PortLink.h"
#include "device/Waits.h"
#include "playback/DeviceValue.h"
#include "program/RowParser.h"
#include "program/Totals.h"
#include "core/ControlSurface.h"
#include "core/Form19Names.h"
#include "core/Form19States.h"

#include <algorithm>
#include <limits>

namespace zovt {

namespace {

// The marker of the row being played: a bullet and a space.
const QString kMarker = QString(QChar(0x2022)) + QLatin1Char(' ');

// 32-bit arithmetic of the window's variables: wraps, never undefined.
qint32 wrap32(qint64 v) { return static_cast<qint32>(static_cast<quint32>(static_cast<quint64>(v))); }

// A single frequency is kept alive by writing it again on every 23rd tick.
constexpr qint32 kResendAfter = 22;
// A band moves on every third tick.
constexpr qint32 kSweepAfter = 2;
// Lowest value the device is ever sent.
constexpr qint32 kLowest = 100;

// The row's duration as the engine counts it, in ms.
qint32 rowStopMs(const RowVars &row)
{
    return wrap32(qint64(row.CasH) * 3600000 + qint64(row.CasM) * 60000 + qint64(row.CasS) * 1000);
}

} // namespace

RowPlan prepareRow(RowVars &row, EngineVars &e, bool generator, std::mt19937 &rng)
{
    RowPlan plan;
    e.CasStop = rowStopMs(row);
    e.FrqCOMHM = deviceValue(row.FrUpF, row.HzkHz);
    if (generator) {
        row.InfoMEZ = 1;
        e.FrqCOMHM = generatorValue(rng);
    }
    if (row.InfoMEZ == 2) {
        e.FrqCOMDM = deviceValue(row.FrDwF, row.HzkHz);
        if (row.HzkHz == 1 && row.SunF < 0.01)
            row.SunF = 0.01;
        e.SunCOM = stepDeviceValue(row.SunF, row.HzkHz);
        if (e.CasStop < 10000)
            row.InfoMEZ = 1;
    }
    // Made for single rows too, against the band values of an earlier row.
    const qint64 span = qint64(e.FrqCOMHM) - qint64(e.FrqCOMDM);
    if (span <= e.SunCOM)
        row.InfoMEZ = 1;
    if (row.InfoMEZ == 2) {
        const qint64 periods = e.CasStop / 3000; // whole 3-second sweep periods, at least 3
        if (span >= qint64(e.SunCOM) * periods) {
            // The row's step cannot cross the band in the row's time: spread
            // the band over the periods instead.
            plan.stepRecomputed = true;
            e.SunCOM = roundToDeviceValue(static_cast<long double>(span) / static_cast<long double>(periods - 1),
                                          "device value of the step");
            // A long row over a narrow band would otherwise stand still.
            if (e.SunCOM == 0) {
                e.SunCOM = 1;
                plan.stepRaised = true;
            }
        }
    }
    if (e.FrqCOMHM < kLowest)
        e.FrqCOMHM = 1000;
    return plan;
}

void sweepStep(EngineVars &e)
{
    qint64 v = qint64(e.FrqCOMInt) - qint64(e.SunCOM);
    if (v > e.FrqCOMHM)
        v = e.FrqCOMHM;
    if (v < e.FrqCOMDM)
        v = e.FrqCOMDM;
    if (v < kLowest)
        v = kLowest;
    e.FrqCOMInt = static_cast<qint32>(v);
    // A band reaching below 100 is clamped at 100 and must turn there, or it
    // would stay at 100 for the rest of the row.
    const qint32 lower = std::max(e.FrqCOMDM, kLowest);
    if (e.FrqCOMInt >= e.FrqCOMHM || e.FrqCOMInt <= lower)
        e.SunCOM = wrap32(-qint64(e.SunCOM));
}

PlaybackEngine::PlaybackEngine(AppContext &ctx) : m_ctx(ctx) {}

void PlaybackEngine::run()
{
    m_row = 0;
    m_playedRow = 0;
    int last = m_ctx.state.PocetRadkfr;
    const int first = std::exchange(m_firstRow, 1);
    for (int k = first; k <= last; ++k)
        playRow(k, last);
    unmarkPlayedRow();
}

void PlaybackEngine::clearResume()
{
    m_resume.reset();
    m_rowLimitMs.reset();
    m_firstRow = 1;
}

void PlaybackEngine::prepareResume()
{
    if (!m_resume)
        return;
    const Resume r = *std::exchange(m_resume, std::nullopt);
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;
    EngineVars &e = st.engine;
    const int row = std::clamp(r.row, 1, std::max(1, st.PocetRadkfr));
    for (int k = 1; k < row; ++k) {
        m_row = k;
        Nactiradekdata(ui.line(f19::MemoPlay, k), st.row);
        prepareRow(st.row, e, ui.isChecked(f19::OrvaTGener), st.rng);
        e.CasCelkp = wrap32(qint64(e.CasCelkp) - e.CasStop / 1000);
    }
    // The resumed row read aside: its own reading comes when it plays.
    RowVars aside = st.row;
    Nactiradekdata(ui.line(f19::MemoPlay, row), aside);
    const qint64 rowMs = rowStopMs(aside);
    const qint64 left = std::clamp<qint64>(r.rowLeftMs, 0, std::max<qint64>(0, rowMs));
    e.CasCelkp = wrap32(qint64(e.CasCelkp) - (rowMs - left) / 1000);
    m_rowLimitMs = left;
    m_firstRow = row;
    m_row = 0;
}

void PlaybackEngine::unmarkPlayedRow()
{
    if (m_playedRow == 0)
        return;
    m_ctx.ui.setLine(f19::MemoPlayShow, m_playedRow, m_ctx.state.engine.PomString1);
    m_playedRow = 0;
}

void PlaybackEngine::writeValue(bool firstOfRow, Shown &shown)
{
    EngineVars &e = m_ctx.state.engine;
    const QByteArray text = e.FrqCOM.toLatin1();
    try {
        m_ctx.device.cycle([&] {
            m_ctx.device.write(text);
            shown();
            if (firstOfRow && rowPlaying)
                rowPlaying(m_row);
            if (quietMoment)
                quietMoment();
            if (firstOfRow)
                m_ctx.waits.TimenZapsat1();
            else
                m_ctx.waits.TimenZapsat();
        });
    } catch (...) {
        shown();
        throw;
    }
}

void PlaybackEngine::playRow(int k, int &last)
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;
    EngineVars &e = st.engine;
    m_row = k;

    // The row before loses its marker and this one gets it once the first
    // value is written, or when the row fails before that.
    Shown marked([&] {
        unmarkPlayedRow();
        e.PomString1 = ui.line(f19::MemoPlayShow, k);
        ui.setLine(f19::MemoPlayShow, k, kMarker + e.PomString1);
    });
    try {
        Nactiradekdata(ui.line(f19::MemoPlay, k), st.row);
        prepareRow(st.row, e, ui.isChecked(f19::OrvaTGener), st.rng);
        if (m_rowLimitMs) {
            // Limited once prepared, so that a band keeps the step its whole
            // row would have had.
            e.CasStop = static_cast<qint32>(std::clamp<qint64>(*std::exchange(m_rowLimitMs, std::nullopt), 0, e.CasStop));
        }
        if (rowStarted)
            rowStarted(k);
        e.FrqCOM = QString::number(e.FrqCOMHM);
    } catch (...) {
        marked();
        throw;
    }
    writeValue(true, marked);

    // Reset the row's counters and clock.
    e.MezeCount = 0;
    e.FrqCOMInt = e.FrqCOMHM;
    e.CasCelk = e.CasCelkp;
    e.CasPLAY = 0;

    while (e.CasPLAY < e.CasStop) {
        // Countdown.
        e.CasCelkp = wrap32(qint64(e.CasCelk) - (qint64(e.CasPLAY) / 1000 + 1));
        Shown countdown([&] {
            ui.setText(f19::CasWrite,
                       QLatin1Char(' ') + CasPrevod(e.CasCelkFIX) + QStringLiteral(" / ") + CasPrevod(e.CasCelkp));
        });

        // A single frequency is sent again, a band moves on by a step,
        // every so many ticks (the parser leaves no mode but these two).
        const bool band = st.row.InfoMEZ == 2;
        if (e.MezeCount == (band ? kSweepAfter : kResendAfter)) {
            if (band) {
                sweepStep(e);
                e.FrqCOM = QString::number(e.FrqCOMInt);
            }
            writeValue(false, countdown);
            m_ctx.clock.processPending();
            e.MezeCount = 0;
        } else {
            countdown();
            ++e.MezeCount;
            if (quietMoment)
                quietMoment();
            m_ctx.waits.TimenZapsat1();
            // A row may go many ticks without a write: a device that went
            // away meanwhile is reported within the tick.
            m_ctx.device.port().checkPresent();
        }

        // Pause: time stands still and nothing is written.
        m_ctx.waits.holdWhile([&ui] { return f19::playbackHeld(ui); });

        // Stop.
        if (!f19::playbackRuns(ui)) {
            ui.setLine(f19::MemoPlayShow, k, e.PomString1);
            e.CasPLAY = e.CasStop;
            last = k;
        }

        // Kept from wrapping past the end of a row near the 32-bit limit.
        e.CasPLAY = static_cast<qint32>(std::min<qint64>(qint64(e.CasPLAY) + 1000, std::numeric_limits<qint32>::max()));
        if (tickDone)
            tickDone(k);
    }

    // The marker goes when the next row's first value has been written, so
    // that re-laying the display does not stand between the two.
    if (f19::playbackRuns(ui))
        m_playedRow = k;
}

} // namespace zovt
