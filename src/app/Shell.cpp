#include "app/Shell.h"

#include "app/Appearance.h"

#include "core/Clock.h"
#include "core/ErrorPolicy.h"
#include "core/Excerpt.h"
#include "core/Dialogs.h"
#include "core/WindowState.h"
#include "device/DeviceLink.h"
#include "device/PortLink.h"
#include "device/PortList.h"
#include "device/VaComm.h"
#include "panels/SettingsPanel.h"
#include "device/Waits.h"
#include "i18n/Captions.h"
#include "i18n/Catalogue.h"
#include "storage/DataFiles.h"
#include "program/Totals.h"
#include "storage/FileError.h"
#include "storage/FileIO.h"
#include "storage/Paths.h"
#include "storage/WinPath.h"
#include "core/ControlSurface.h"
#include "core/Form19Names.h"
#include "core/Form19States.h"

#include <QDateTime>
#include <cstdio>

namespace zovt {

namespace {


void logDropped(const char *where, std::exception_ptr error) { logError(where, error, "error dropped"); }

constexpr int kOtherController = 3001;
constexpr int kInterruptedForClient = 3002;
constexpr int kInterrupted = 3003;
constexpr int kPlayTheRest = 3004;
constexpr int kInterruptedMark = 3005;

} // namespace

LastRun lastRun(bool markerExists, bool heldElsewhere, bool journalFound)
{
    if (heldElsewhere)
        return LastRun::StillRunning;
    if (journalFound)
        return LastRun::Interrupted;
    return markerExists ? LastRun::NotClosed : LastRun::Orderly;
}

Shell::Shell(AppContext &ctx, WindowHooks hooks) : m_ctx(ctx), m_hooks(std::move(hooks))
{
    m_timerColorByStart = ctx.clock.createTimer();
    m_timerColorByStart->setSingleShot(true);
    m_timerColorByStart->setInterval(3000);
    m_timerColorByStart->setCallback([this] { TimerColorByStartElapsed(); });
    m_resumeTimer = ctx.clock.createTimer();
    m_resumeTimer->setSingleShot(true);
    m_resumeTimer->setInterval(0);
    m_resumeTimer->setCallback([this] {
        if (m_resume && resumePlayback && !m_ended)
            resumePlayback(*std::exchange(m_resume, std::nullopt));
    });
}

Shell::~Shell() = default;

QString Shell::text(int number) const { return Catalogue::mainWindow().FATisk(number, m_ctx.state.Languagem); }

void Shell::restore()
{
    m_ctx.clock.processPending();
    if (m_hooks.restoreIfMinimized)
        m_hooks.restoreIfMinimized();
}

void Shell::applyCaptions()
{
    zovt::applyCaptions(m_ctx.ui, captions::mainWindowStartup(), Texts{m_ctx.state.Languagem, &Catalogue::mainWindow()});
}

void Shell::Nastav()
{
    try {
        prepareWindowAndSettings();
    } catch (const ExitUnwind &) {
        throw;
    } catch (const std::exception &e) {
        // Before the handler exists an error is reported plainly and start-up
        // ends here, with the window open and the port never opened.
        m_ctx.dialogs.errorReport(excerpt(QString::fromUtf8(e.what()), kMessageChars));
        return;
    }
    if (m_ended)
        return;
    meetTheDevice();
}

void Shell::prepareWindowAndSettings()
{
    showWindowAtRest();
    readClientFolders();
    showIndicatorsAtRest();
    makeSharedFolders();
    readLanguage();
    if (!settleLastRun())
        return;
    applyLookAndCaptions();
    resetSessionState();
    readPortAndLighting();
}

// The window shows; nothing is open or playing; the colours and the firmware
// are as the data folder says.
void Shell::showWindowAtRest()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;

    if (m_hooks.show)
        m_hooks.show();
    ui.setChecked(f19::PortOpen, false);
    files::remove(paths::WishesFlag);
    st.playopakTl = false;
    Operations::run(m_ctx.ops.stopPlaybackTimers);
    ui.setVisible(f19::Open, true);
    if (m_hooks.placeOpenButtons)
        m_hooks.placeOpenButtons();
    // Colour scheme.
    if (m_hooks.applyColourScheme)
        m_hooks.applyColourScheme(files::exists(paths::DarkColorFlag));
    // Firmware variant.
    ui.setChecked(f19::VerzeSwZovT, files::exists(paths::NewFirmwareFlag));
    // Program buttons shown, wish memory disarmed, client paths emptied.
    ui.show({f19::OpenZov, f19::OpenSBZ, f19::OpenPopis}, true);
    st.UlozitDoPamet = false;
    ui.show({f19::ZovTWisch, f19::Panel2}, false);
    for (const char *n : {f19::PRSAdresaDBZ, f19::PRSAdresaPresmerovani, f19::PRSAdresKlentaData})
        ui.setText(QString::fromLatin1(n), QString());
}

// The client folder and the export root.
void Shell::readClientFolders()
{
    ControlSurface &ui = m_ctx.ui;

    ui.setText(f19::PRSAdresaDBZ,
               files::exists(paths::ClientDirFile) ? files::readFirstLine(paths::ClientDirFile) : paths::DefaultClientDir);
    ui.setText(f19::PRSAdresaPresmerovani,
               files::exists(paths::ExportRootFile) ? files::readFirstLine(paths::ExportRootFile) : paths::DefaultExportRoot);
}

// The running bar, the totals and the indicators at rest, wish buttons
// hidden, the exit usable.
void Shell::showIndicatorsAtRest()
{
    ControlSurface &ui = m_ctx.ui;

    if (files::exists(paths::PicBarFlag))
        ui.showPicture(f19::TherapyL1, paths::PicBarIdle);
    ui.show({f19::Wishes1, f19::Wishes1dole}, false);
    ui.setEnabled(f19::Konec, true);
    restore();
    // Totals and indicators at rest.
    ui.setText(f19::CasWriteSUMA, QString());
    ui.showPicture(f19::COMconct, paths::PicRed);
    ui.showPicture(f19::PlayUkaz, paths::PicRed);
}

// The folders the family shares.
void Shell::makeSharedFolders()
{
    files::makeDir(paths::OrvaTherapy);
    files::makeDir(paths::OrvaQDBZ5);
    files::makeDir(paths::DataDir);
}

// The interface language: the controller's own, else the tool's, else Czech.
void Shell::readLanguage()
{
    WindowState &st = m_ctx.state;

    if (files::exists(paths::LangFile))
        st.Languagem = files::readInteger(paths::LangFile);
    else if (files::exists(paths::ZovToolLangFile))
        st.Languagem = files::readLineInteger(paths::ZovToolLangFile);
    else
        st.Languagem = paths::DefaultLanguage;
    if (m_hooks.applyLanguage)
        m_hooks.applyLanguage(st.Languagem);
}

// Wish mode by its flag file, font sizes, the captions of the language and
// the repeat counter.
void Shell::applyLookAndCaptions()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;

    ui.setVisible(f19::Wishes, files::exists(paths::WishesFlag));
    ui.clear(f19::MemoWish);
    // Font sizes.
    const FontSizes fonts = readFontSizes();
    st.ScaleFontTXT = fonts.ScaleFontTXT;
    st.ScaleFontTXTSec = fonts.ScaleFontTXTSec;
    if (m_hooks.applyFontSizes)
        m_hooks.applyFontSizes(fonts.ScaleFontTXT, fonts.ScaleFontTXTSec);
    // Captions of the language.
    applyCaptions();
    // Repeat counter.
    ui.setIndex(f19::Kikratebar, 1);
    ui.setText(f19::Kolikrate, QStringLiteral("1"));
    const bool repeat = files::exists(paths::RepeatAllFlag);
    ui.show({f19::Kikratebar, f19::Kolikrate}, repeat);
    // The later captions.
    zovt::applyCaptions(ui, captions::mainWindowLate(), Texts{st.Languagem, &Catalogue::mainWindow()});
}

// The session starts at rest: random generator, generator mode, the file
// dialog's start, lighting and open buttons waiting for the device, waits
// stopped, lamps green.
void Shell::resetSessionState()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;

    st.rng.seed(quint32(QDateTime::currentMSecsSinceEpoch()));
    ui.setChecked(f19::OrvaTGener, false);
    st.openDialogFolder = paths::OrvaTherapy;
    st.openDialogFileName.clear();
    // Lighting switches and open buttons wait for the device.
    ui.enable({f19::JasLED, f19::VykonIR, f19::ZpomalLED, f19::Open, f19::OpenZov, f19::OpenSBZ}, false);
    st.OrvatrinPower = false;
    ui.show({f19::OrvatrinPowerPc, f19::OrvatrinPowerPcPanel}, false);
    ui.setEnabled(f19::Wishes, false);
    ui.show({f19::JasLED_Pom, f19::VykonIR_Pom, f19::ZpomalLED_Pom}, false);
    // The database button by its flag file.
    ui.setVisible(f19::OpenSBZ, files::exists(paths::VisDbzFlag));
    // Waits stopped, lamps green, playback state at rest.
    for (auto id : {Waits::Timer1, Waits::Timer2, Waits::Timer3})
        m_ctx.waits.timer(id).stop();
    for (const char *lamp : {f19::JasLED_Pc_Zn, f19::VykonIR_Pc_Zn, f19::ZpomalLED_Pc_Zn})
        ui.showPicture(QString::fromLatin1(lamp), paths::PicGreen);
    st.JasLED_Pc_Swich = st.VykonIR_Pc_Swich = st.ZpomalLED_Pc_Swich = true;
    ui.setText(f19::Pause, f19::PauseCaptionRunning);
    ui.setText(f19::CasWrite, QString());
    for (const char *memo : {f19::NacistMemo, f19::Zakladmemo, f19::MemoPlay, f19::MemoPlayShow})
        ui.clear(QString::fromLatin1(memo));
    st.Pozadplay = -1;
    restore();
}

// Start-up runs until its own steps are over; the port number and the
// lighting selections.
void Shell::readPortAndLighting()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;

    st.Staruji = true;
    // Port number.
    st.comPort = files::exists(paths::ComNrFile) ? files::readLineInteger(paths::ComNrFile) : paths::DefaultComPort;
    // Lighting selections.
    if (files::exists(paths::LightSettingsFile))
        readLightingSelections(ui);
}

bool Shell::settleLastRun()
{
    // One controller per data folder: a live one is told by its lock, not
    // by the marker, which a killed run leaves behind.
    m_markerNotOurs = true;
    const InstanceLock::Result lock = m_instance.acquire(paths::RunLock, paths::RunOwner);
    const bool held = lock == InstanceLock::Result::HeldElsewhere;
    std::optional<JournalRecord> journal;
    // Without the lock nobody can tell a live controller's journal from a
    // dead one's: it is left alone, and the marker's question is asked.
    if (lock == InstanceLock::Result::Taken && files::fileExists(paths::PlayJournal)) {
        try {
            journal = journal::decode(files::readAll(paths::PlayJournal, files::cap::Setting));
        } catch (const FileError &) {
        }
        // A journal torn or unreadable tells no more than the marker does.
        if (!journal)
            files::remove(paths::PlayJournal);
    }
    switch (lastRun(files::exists(paths::RunMarker), held, journal.has_value())) {
    case LastRun::StillRunning: {
        const std::optional<InstanceHolder> &h = m_instance.holder();
        const QString unknown = QStringLiteral("?");
        m_ctx.dialogs.message(text(kOtherController)
                                  .arg(h ? QString::number(h->pid) : unknown, h ? h->host : unknown,
                                       h && h->since.isValid() ? h->since.toString(QStringLiteral("HH:mm")) : unknown,
                                       paths::DataDir));
        endNow(1);
        return false;
    }
    case LastRun::NotClosed:
        if (!m_ctx.dialogs.confirm(text(100))) {
            endNow(0);
            return false;
        }
        break;
    case LastRun::Interrupted:
        settleInterrupted(*journal);
        break;
    case LastRun::Orderly:
        break;
    }
    // A signal during the question has ended the program meanwhile.
    if (m_ended)
        return false;
    files::createFlag(paths::RunMarker);
    m_markerNotOurs = false;
    removeAbandonedSaves();
    return true;
}

void Shell::settleInterrupted(const JournalRecord &j)
{
    // Recorded before anything is asked: whatever the answer, the client's
    // history holds the session.
    try {
        journal::recordInterrupted(j, text(kInterruptedMark));
    } catch (const FileError &) {
        logDropped("interrupted playback", std::current_exception());
    }
    files::remove(paths::PlayJournal);
    const QString when = j.updated.toString(QStringLiteral("HH:mm"));
    const QString program = j.header.trimmed();
    const QString what = j.clientName.isEmpty() ? text(kInterrupted).arg(when, program)
                                                : text(kInterruptedForClient).arg(when, program, j.clientName);
    const qint64 rest = j.restSeconds();
    if (!j.resumable() || rest <= 0) {
        m_ctx.dialogs.message(what);
        return;
    }
    if (m_ctx.dialogs.confirm(what + QLatin1Char(' ') + text(kPlayTheRest).arg(CasPrevod(rest))))
        m_resume = j;
}

void Shell::removeAbandonedSaves()
{
    // The data folder is this controller's alone now. The client and
    // protocol folders may be shared with writers on other hosts, whose pids
    // mean nothing here: there only files no save could still be writing.
    constexpr qint64 kAnyone = 0;
    constexpr qint64 kNoSaveLastsSeconds = 600;
    const QStringList own{paths::DataDir, paths::ClientDatFull};
    QStringList shared{paths::OrvaProtocol, m_ctx.ui.text(f19::PRSAdresaDBZ), m_ctx.ui.text(f19::PRSAdresaPresmerovani)};
    shared.removeDuplicates();
    const auto clean = [](const QString &folder, qint64 minAge) {
        if (!folder.isEmpty() && files::dirExists(folder))
            files::removeAbandonedTemporaries(winpath::toNative(folder), minAge);
    };
    for (const QString &folder : own)
        clean(folder, kAnyone);
    for (const QString &folder : shared)
        clean(folder, kNoSaveLastsSeconds);
}

void Shell::meetTheDevice()
{
    DeviceLink &dev = m_ctx.device;

    // From here on errors go to the exception handler.
    m_handlerInstalled = true;
    m_ctx.clock.setErrorSink([this](const char *where, std::exception_ptr e) { HandleException(where, e); });

    try {
        // The device's first turn; nothing else can have it yet.
        dev.takeTurn([this] { firstDeviceTurn(); });
    } catch (const ExitUnwind &) {
        throw;
    } catch (...) {
        HandleException("Nastav", std::current_exception());
    }
}

void Shell::firstDeviceTurn()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;
    // One port cycle puts the device at rest; with new firmware opening the
    // port is the port test.
    m_ctx.device.startupCycle([&] { ui.enable({f19::Stop, f19::StopVse, f19::Play, f19::PlayVse, f19::Pause}, false); },
                              [&] { ui.showPicture(f19::PlayUkaz, paths::PicOrange); });
    // The device answered: indicators green, no current client file.
    ui.showPicture(f19::COMconct, paths::PicGreen);
    ui.showPicture(f19::PlayUkaz, paths::PicGreen);
    for (const char *n : {f19::PRSAdresaAkt, f19::PRSAdresaProt, f19::PRSAdresaData})
        ui.setText(QString::fromLatin1(n), QString());
    st.SoborJm = QStringLiteral("   ");
    st.Z_OrvaT = false;
    // The handed-over program, and with it the current client.
    Operations::run(m_ctx.ops.Open1);
    // Stand-by lighting in three seconds.
    m_timerColorByStart->start();
    // The rest of an interrupted playback, from the event loop once start-up
    // has returned; the stand-by lighting waits for its turn behind it.
    if (m_resume)
        m_resumeTimer->start();
}

void Shell::TimerColorByStartElapsed()
{
    m_timerColorByStart->stop();
    // The timer fires inside the waits of whatever runs then; stand-by
    // lighting in the middle of a playback is wrong, so it waits for its turn.
    if (!m_ctx.device.takeTurn([this] { m_ctx.device.startupLighting(); })) {
        // Start-up is over: what has the device now is an operation of the
        // operator's, and a port error in it is no start-up error.
        m_ctx.state.Staruji = false;
    }
}

void Shell::HandleException(const char *where, std::exception_ptr error)
{
    switch (errorKind(error)) {
    case ErrorKind::Exit:
        return;
    case ErrorKind::EndsOperation:
    case ErrorKind::Programming:
        logDropped(where, error);
        return;
    case ErrorKind::EndsProgram:
        break;
    }
    logError(where, error, "port error");
    // The designed messages say only that the port failed; the operator at a
    // terminal, and the port field's hint, learn why and what helps.
    const QString reason = portlist::explainFailure(m_ctx.device.port().portNum(), errorMessage(error));
    if (!reason.isEmpty())
        std::fprintf(stderr, "zovt: %s\n", qPrintable(excerpt(reason, kMessageChars)));
    if (m_ended)
        return;
    try {
        if (m_ctx.state.Staruji) {
            if (m_ctx.dialogs.confirm(text(905))) {
                m_ctx.ui.setToolTip(f19::COM_Nr, reason);
                Operations::run(m_ctx.ops.showComStripAlone);
                return;
            }
        } else {
            m_ctx.dialogs.message(text(902));
        }
        Operations::run(m_ctx.ops.Stop);
        Konec();
    } catch (const ExitUnwind &) {
    } catch (...) {
        // A failure while ending must still end the program.
        logDropped(where, std::current_exception());
        endNow(1);
    }
}

void Shell::Konec()
{
    ControlSurface &ui = m_ctx.ui;
    // The pictures are decoration here: a missing one must not keep the
    // program from ending.
    const auto step = [](const char *what, const std::function<void()> &f) {
        try {
            f();
        } catch (const ExitUnwind &) {
        } catch (...) {
            logDropped(what, std::current_exception());
        }
    };
    // No playback timer may fire into the closing window; the running bar
    // shows its idle picture.
    step(f19::Konec, [&] {
        Operations::run(m_ctx.ops.stopPlaybackTimers);
        if (files::exists(paths::PicBarFlag))
            ui.showPicture(f19::TherapyL1, paths::PicBarIdle);
    });
    // The wish memos give way to the playback display.
    step(f19::Konec, [&] {
        ui.show({f19::MemoWish, f19::Memory1, f19::Memory2, f19::Memory3, f19::Memory4, f19::Memory5, f19::Memory6, f19::MemoryDel, f19::Panelprani},
                false);
        ui.setVisible(f19::MemoPlayShow, true);
    });
    // A cycle still holding the port lets it go; nothing more is sent.
    step(f19::Konec, [&] { m_ctx.device.abandonCycle(); });
    // The waits end without firing.
    for (auto id : {Waits::Timer1, Waits::Timer2, Waits::Timer3})
        m_ctx.waits.timer(id).stop();
    // An orderly exit: the next start finds no running instance, and no
    // interrupted playback either (a port error ends a playback through
    // here, and leaves its protocol as it was).
    if (!m_markerNotOurs) {
        files::remove(paths::RunMarker);
        files::remove(paths::PlayJournal);
    }
    closeAndEnd();
}

void Shell::closeAndEnd()
{
    m_ended = true;
    m_exitCode = 0;
    m_ctx.clock.requestExit();
    if (m_hooks.closeWindow)
        m_hooks.closeWindow();
    else
        FormClose();
    if (m_hooks.quit)
        m_hooks.quit(0);
}

void Shell::FormClose()
{
    if (!m_markerNotOurs)
        files::remove(paths::RunMarker);
}

void Shell::closeWindow()
{
    if (m_hooks.closeWindow) {
        m_hooks.closeWindow();
        return;
    }
    FormClose();
    endNow(0);
}

void Shell::endNow(int code)
{
    m_ended = true;
    m_exitCode = code;
    m_ctx.clock.requestExit();
    if (m_hooks.quit)
        m_hooks.quit(code);
}

} // namespace zovt
