#include "playback/PlaybackController.h"

#include "core/Clock.h"
#include "core/ErrorPolicy.h"
#include "core/WindowState.h"
#include "device/DeviceLink.h"
#include "device/PortLink.h"
#include "device/Waits.h"
#include "program/ProgramController.h"
#include "program/RowParser.h"
#include "program/Totals.h"
#include "storage/DataFiles.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "core/ControlSurface.h"
#include "core/Form19Names.h"
#include "core/Form19States.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace zovt {

namespace {

const QString kStopShown = QStringLiteral("          STOP");

constexpr int kNextProgramMs = 500;
constexpr int kBarStepMs = 2000;
constexpr int kBarFrames = 28;

// A row or total that does not convert, a value the device cannot take, a
// missing picture: such an error ends the playback (or one of its end steps)
// and nothing more. A port error goes on to the window's handler, which ends
// the program; the exit and programming errors go on as well.
bool endsPlaybackOnly() { return endsOperationOnly(std::current_exception()); }

} // namespace

PlaybackController::PlaybackController(AppContext &ctx)
    : m_ctx(ctx), m_engine(ctx), m_journal(std::make_unique<JournalWriter>(ctx.clock)), m_timerStrtVse(ctx.clock.createTimer()), m_casovLista(ctx.clock.createTimer())
{
    m_timerStrtVse->setSingleShot(true);
    m_timerStrtVse->setInterval(kNextProgramMs);
    m_timerStrtVse->setCallback([this] { TimerStrtVseElapsed(); });
    m_casovLista->setSingleShot(false);
    m_casovLista->setInterval(kBarStepMs);
    m_casovLista->setCallback([this] { CasovListaElapsed(); });
    // This session's share: a resumed playback's skipped part was recorded
    // by the start that resumed it.
    const auto played = [this] {
        const EngineVars &e = m_ctx.state.engine;
        return std::max<qint64>(0, qint64(e.CasCelkFIX) - e.CasCelkp - m_journal->record().earlierSeconds);
    };
    m_engine.rowPlaying = [this, played](int row) { m_journal->progress(row, m_ctx.state.engine.CasStop, played(), true); };
    m_engine.tickDone = [this, played](int row) {
        const EngineVars &e = m_ctx.state.engine;
        m_journal->progress(row, std::max<qint64>(0, qint64(e.CasStop) - e.CasPLAY), played(), false);
    };
    m_engine.quietMoment = [this] { m_journal->writeDue(); };
}

void PlaybackController::resume(int row, qint64 rowLeftMs)
{
    m_engine.resumeAt(row, rowLeftMs);
    Play();
}

void PlaybackController::keepNoJournal()
{
    m_journal.reset();
    m_engine.rowPlaying = nullptr;
    m_engine.tickDone = nullptr;
    m_engine.quietMoment = nullptr;
}

void PlaybackController::beginJournal(int entryIndex, const QString &entryText)
{
    if (!m_journal)
        return;
    const ControlSurface &ui = m_ctx.ui;
    const WindowState &st = m_ctx.state;
    JournalRecord r;
    // A wish plays a program made from its text: nothing to find again.
    if (!ui.isVisible(f19::MemoWish))
        r.programFile = st.loadedProgramFile;
    r.entry = entryIndex;
    r.entryText = entryText;
    r.header = ui.lineCount(f19::MemoPlayShow) > 0 ? ui.line(f19::MemoPlayShow, 0) : QString();
    r.clientFile = ui.text(f19::PRSAdresaAkt);
    // Also the client of an entry that carries its record, which has no file.
    r.clientName = (ui.text(f19::Jmeno) + QLatin1Char(' ') + ui.text(f19::Prijmeni)).trimmed();
    r.totalSeconds = st.engine.CasCelkFIX;
    r.earlierSeconds = std::max<qint64>(0, qint64(st.engine.CasCelkFIX) - st.engine.CasCelkp);
    if (describeProtocol)
        describeProtocol(r);
    m_journal->begin(r);
}

PlaybackController::~PlaybackController() = default;

void PlaybackController::PlayVse()
{
    m_ctx.state.playopakTl = true;
    Play();
}

void PlaybackController::Play()
{
    // A playback has the device for its whole length; one that is asked for
    // while another operation has it waits for its turn. Asking again
    // meanwhile asks nothing more.
    if (m_playAsked)
        return;
    m_playAsked = true;
    m_ctx.device.takeTurn([this] {
        m_playAsked = false;
        playNow();
    });
}

void PlaybackController::playNow()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;

    // However this playback ends, a play-all run goes on only from the
    // program's end with the next one due.
    struct RunEnds {
        PlaybackController &p;
        ~RunEnds()
        {
            p.m_playing = false;
            p.m_engine.clearResume();
            if (!p.m_timerStrtVse->isActive())
                p.m_ctx.state.playopakTl = false;
        }
    } runEnds{*this};

    // Mark the entry, or take its client.
    const int entryIndex = st.Pozadplay;
    if (entryIndex < 0 || entryIndex >= ui.lineCount(f19::Zakladmemo))
        throw std::out_of_range("List index out of bounds (" + std::to_string(entryIndex) + ")");
    QString entry = ui.line(f19::Zakladmemo, entryIndex);
    const QString entryBefore = entry;
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    if (eq < 0)
        entry.prepend(QLatin1Char('#'));
    else if (m_ctx.ops.fillClientFromRecord)
        m_ctx.ops.fillClientFromRecord(entry.mid(eq + 1));
    ui.setLine(f19::Zakladmemo, entryIndex, entry);

    // Not while a device write is being shown.
    if (m_ctx.waits.running(Waits::Timer3) || m_ctx.waits.running(Waits::Timer5))
        return;

    // Wish mode.
    if (ui.isVisible(f19::MemoWish))
        Operations::run(m_ctx.ops.wishPlayStart);

    // The running bar.
    if (files::fileExists(paths::PicBarFlag)) {
        st.timercas = 0;
        m_casovLista->start();
    }

    // The device is looked up once for the whole playback: every tick's cycle
    // opens the one the first cycle found.
    struct HeldDevice {
        PortLink &port;
        explicit HeldDevice(PortLink &p) : port(p) { port.holdDevice(true); }
        ~HeldDevice() { port.holdDevice(false); }
    } heldDevice(m_ctx.device.port());

    m_lastFault.reset();
    Stage stage = Stage::Start;
    bool protocolStarted = false;
    m_playing = true;
    try {
        // Controls into the playing state.
        switchControlsToPlaying();
        if (playStarted)
            playStarted(entryIndex);
        // Device lighting for playback.
        m_ctx.device.playbackStartLight();
        m_ctx.device.armEndGuard();
        // Total time of the program.
        stage = Stage::Total;
        computeTotal();
        m_engine.prepareResume();
        stage = Stage::Start;
        // Protocol lines begin.
        Operations::run(m_ctx.ops.protocolStart);
        protocolStarted = true;
        beginJournal(entryIndex, entryBefore);
        // New firmware runs one lighting cycle first.
        if (m_ctx.device.newFirmware())
            m_ctx.device.runLightingCycle();
        // The rows themselves.
        stage = Stage::Rows;
        m_engine.run();
    } catch (const std::exception &e) {
        if (!endsPlaybackOnly())
            throw;
        // The playback ends as after its last row, so the device goes back to
        // stand-by and the window leaves the playing state; but its protocol
        // lines are dropped, and both protocol files stay as they were.
        recordFault(stage, e);
        protocolStarted = false;
    }

    // Device, protocol and controls back; then what follows.
    endSteps(protocolStarted);
    m_playing = false;
    if (playEnded)
        playEnded(entryIndex);
    if (m_afterEnd) {
        const auto then = std::move(m_afterEnd);
        m_afterEnd = nullptr;
        then();
    }
}

void PlaybackController::stopThen(std::function<void()> then)
{
    m_afterEnd = std::move(then);
    Stop();
}

void PlaybackController::recordFault(Stage stage, const std::exception &e)
{
    PlaybackFault f;
    f.entry = m_ctx.state.Pozadplay;
    f.reason = QString::fromUtf8(e.what());
    if (stage == Stage::Rows)
        f.row = m_engine.currentRow();
    else if (stage == Stage::Total)
        f.row = m_totalRows + 1; // the row after the last one the total counted
    m_lastFault = f;
    if (faulted)
        faulted(f);
}

void PlaybackController::switchControlsToPlaying()
{
    ControlSurface &ui = m_ctx.ui;
    f19::lockWhilePlaying(ui, true);
    ui.enable({f19::Play, f19::PlayVse}, false);
    ui.enable({f19::Stop, f19::StopVse, f19::Pause}, true);
    ui.setText(f19::Pause, f19::PauseCaptionRunning);
    ui.show({f19::JasLED, f19::VykonIR, f19::ZpomalLED}, false);
    ui.show({f19::JasLED_Pom, f19::VykonIR_Pom, f19::ZpomalLED_Pom}, true);
    showIndicator(f19::PlayUkaz, paths::PicRed);
    ui.show({f19::OrvatrinPowerPc, f19::OrvatrinPowerPcPanel}, m_ctx.state.OrvatrinPower);
}

void PlaybackController::computeTotal()
{
    EngineVars &e = m_ctx.state.engine;
    showProgramTotal(m_ctx.ui, m_ctx.state, m_totalRows);
    e.CasCelkp = e.CasCelk;
    e.CasCelkFIX = e.CasCelk;
}

void PlaybackController::showIndicator(const QString &name, const QString &picture)
{
    // The playing indicator and the running bar are decoration: a picture
    // that cannot be shown leaves the old one, and the playback goes on.
    try {
        m_ctx.ui.showPicture(name, picture);
    } catch (const ReadError &) {
    }
}

void PlaybackController::endStep(const std::function<void()> &step)
{
    try {
        step();
    } catch (const std::exception &e) {
        if (!endsPlaybackOnly())
            throw;
        // A missing indicator picture ends this step only: the steps after it
        // still bring the device to stand-by and the controls back, so the
        // window never stays in its playing state.
        if (!m_lastFault)
            recordFault(Stage::End, e);
    }
}

void PlaybackController::endSteps(bool protocolStarted)
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;
    Waits &w = m_ctx.waits;
    DeviceLink &d = m_ctx.device;

    // A record that fell due on the last tick (the program's end, Stop, or
    // a row that failed before its first write) is the current one: the end
    // steps take seconds, and a controller killed during them must leave
    // it, not one a minute old. Nothing is due at the device until the
    // stand-by wait is over.
    if (m_journal)
        m_journal->writeDue();

    // The device back to stand-by.
    ui.setText(f19::CasWrite, kStopShown);
    ui.setText(f19::Pause, f19::PauseCaptionRunning);
    m_ctx.clock.notify();
    endStep([&] { w.TimenZapsatSTOP(); });
    d.playbackEndLight([this](const std::function<void()> &part) { endStep(part); });
    d.disarmEndGuard();

    // Only a protocol that was begun is ended.
    if (protocolStarted)
        Operations::run(m_ctx.ops.protocolEnd);
    // Recorded: an end from here on is no longer an interrupted playback.
    if (m_journal)
        m_journal->end();

    // Controls back.
    ui.setEnabled(f19::Pause, false);
    f19::lockWhilePlaying(ui, false);
    ui.setText(f19::CasWrite, QString());
    showIndicator(f19::PlayUkaz, paths::PicGreen);
    ui.show({f19::OrvatrinPowerPc, f19::OrvatrinPowerPcPanel}, false);
    m_ctx.clock.processPending();
    ui.show({f19::JasLED, f19::VykonIR, f19::ZpomalLED}, true);
    ui.show({f19::JasLED_Pom, f19::VykonIR_Pom, f19::ZpomalLED_Pom}, false);
    m_casovLista->stop();
    if (files::fileExists(paths::PicBarFlag))
        showIndicator(f19::TherapyL1, paths::PicBarIdle);
    if (ui.isVisible(f19::MemoWish))
        Operations::run(m_ctx.ops.wishPlayEnd);

    // What follows. A playback that an error ended ends its run as
    // StopVse would: no next program, no closing, and the window keeps
    // showing the row where it stopped.
    if (m_lastFault)
        StopVse();
    if (next() != AfterPlayback::End) {
        m_timerStrtVse->start();
    } else {
        st.playopakTl = false;
        // Stop still enabled: the playback ran to its end.
        if (f19::playbackRuns(ui) && files::fileExists(paths::CloseByStopFlag))
            Operations::run(m_ctx.ops.Konec);
    }

    // Stop buttons off.
    ui.enable({f19::Stop, f19::StopVse}, false);
}

void PlaybackController::TimerStrtVseElapsed()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;
    m_timerStrtVse->stop();
    // A step that fails before its Play ends the run.
    struct RunEndsOnError {
        WindowState &st;
        int uncaught = std::uncaught_exceptions();
        ~RunEndsOnError()
        {
            if (std::uncaught_exceptions() > uncaught)
                st.playopakTl = false;
        }
    } runEndsOnError{st};
    switch (next()) {
    case AfterPlayback::NextEntry:
        ++st.Pozadplay;
        ui.setIndex(f19::Zakladmemo, st.Pozadplay);
        Operations::run(m_ctx.ops.ZakladMemoCliknul);
        Play();
        break;
    case AfterPlayback::RepeatFromFirst:
        st.Pozadplay = 0;
        ui.setIndex(f19::Zakladmemo, 0);
        Operations::run(m_ctx.ops.ZakladMemoCliknul);
        ui.setIndex(f19::Kikratebar, ui.index(f19::Kikratebar) - 1);
        KikratebarChange();
        Play();
        break;
    case AfterPlayback::End:
        st.playopakTl = false;
        if (f19::playbackRuns(ui) && files::fileExists(paths::CloseByStopFlag))
            Operations::run(m_ctx.ops.Konec);
        break;
    }
}

AfterPlayback PlaybackController::next() const
{
    const ControlSurface &ui = m_ctx.ui;
    const WindowState &st = m_ctx.state;
    // The flag file is looked at only when the list is through, as ever.
    const int entries = ui.lineCount(f19::Zakladmemo);
    const bool listThrough = !(st.Pozadplay < entries - 1);
    return nextAfterPlayback(st.playopakTl, st.Pozadplay, entries,
                             st.playopakTl && listThrough && files::fileExists(paths::RepeatAllFlag),
                             ui.index(f19::Kikratebar));
}

AfterPlayback nextAfterPlayback(bool playAll, int entry, int entries, bool repeatAll, int repeatCounter)
{
    if (!playAll)
        return AfterPlayback::End;
    if (entry < entries - 1)
        return AfterPlayback::NextEntry;
    if (repeatAll && repeatCounter > 1)
        return AfterPlayback::RepeatFromFirst;
    return AfterPlayback::End;
}

void PlaybackController::Pause()
{
    ControlSurface &ui = m_ctx.ui;
    if (f19::pauseWouldHold(ui)) {
        ui.setText(f19::Pause, f19::PauseCaptionHeld);
        m_ctx.clock.notify();
        showIndicator(f19::PlayUkaz, paths::PicYellow);
    } else {
        ui.setText(f19::Pause, f19::PauseCaptionRunning);
        m_ctx.clock.notify();
        showIndicator(f19::PlayUkaz, paths::PicRed);
    }
}

void PlaybackController::Stop()
{
    ControlSurface &ui = m_ctx.ui;
    // A paused playback is released so that it can end.
    if (f19::playbackHeld(ui))
        ui.setText(f19::Pause, f19::PauseCaptionRunning);
    ui.enable({f19::Stop, f19::StopVse}, false);
    m_ctx.state.playopakTl = false;
    ui.setIndex(f19::Kikratebar, 1);
    KikratebarChange();
    m_ctx.clock.notify();
}

void PlaybackController::StopVse()
{
    m_ctx.ui.setVisible(f19::Stop, true);
    Stop();
}

void PlaybackController::KikratebarChange()
{
    m_ctx.ui.setText(f19::Kolikrate, QString::number(m_ctx.ui.index(f19::Kikratebar)));
}

void PlaybackController::CasovListaElapsed()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;
    // The bar stands still while paused.
    if (!f19::pauseWouldHold(ui))
        return;
    // Next frame, wrapping round.
    ++st.timercas;
    if (st.timercas > kBarFrames || st.timercas < 1)
        st.timercas = 1;
    // Keep the wish text current.
    if (files::fileExists(paths::WishPlaying))
        Operations::run(m_ctx.ops.reloadWishText);
    // Show the frame, if its picture exists.
    const QString frame = paths::picBarFrame(barFrame(st.timercas));
    if (files::fileExists(frame))
        showIndicator(f19::TherapyL1, frame);
    m_ctx.clock.processPending();
    // Blink the play indicator.
    showIndicator(f19::PlayUkaz, st.timercas % 2 == 0 ? paths::PicOrange : paths::PicRed);
}

void PlaybackController::stopPlaybackTimers()
{
    m_timerStrtVse->stop();
    m_casovLista->stop();
}

} // namespace zovt
