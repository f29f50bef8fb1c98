#include "app/Shell.h"

#include "app/Appearance.h"

#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/WindowState.h"
#include "device/DeviceLink.h"
#include "device/PortLink.h"
#include "device/SettingsPanel.h"
#include "device/VaComm.h"
#include "device/Waits.h"
#include "i18n/Captions.h"
#include "i18n/Catalogue.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "core/ControlSurface.h"

#include <QDateTime>
#include <cstdio>

namespace zovt {

namespace {

const QString kPic = QStringLiteral("PlayUkaz");

void logDropped(const char *where, std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "zovt: %s: error dropped: %s\n", where, e.what());
    } catch (...) {
        std::fprintf(stderr, "zovt: %s: unknown error dropped\n", where);
    }
}

} // namespace

Shell::Shell(AppContext &ctx, WindowHooks hooks) : m_ctx(ctx), m_hooks(std::move(hooks))
{
    m_timerColorByStart = ctx.clock.createTimer();
    m_timerColorByStart->setSingleShot(true);
    m_timerColorByStart->setInterval(3000);
    m_timerColorByStart->setCallback([this] { TimerColorByStartElapsed(); });
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
        startupSteps1to22();
    } catch (const ExitUnwind &) {
        throw;
    } catch (const std::exception &e) {
        // Before the handler exists an error is reported plainly and start-up
        // ends here, with the window open and the port never opened.
        m_ctx.dialogs.errorReport(QString::fromLocal8Bit(e.what()));
        return;
    }
    if (m_ended)
        return;
    startupSteps23to31();
}

void Shell::startupSteps1to22()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;

    // 1
    if (m_hooks.show)
        m_hooks.show();
    ui.setChecked(QStringLiteral("PortOpen"), false);
    files::remove(paths::WishesFlag);
    st.playopakTl = false;
    Operations::run(m_ctx.ops.stopPlaybackTimers);
    ui.setVisible(QStringLiteral("Open"), true);
    if (m_hooks.placeOpenButtons)
        m_hooks.placeOpenButtons();
    // 2
    if (m_hooks.applyColourScheme)
        m_hooks.applyColourScheme(files::exists(paths::DarkColorFlag));
    // 3
    ui.setChecked(QStringLiteral("VerzeSwZovT"), files::exists(paths::NewFirmwareFlag));
    // 4
    ui.show({"OpenZov", "OpenSBZ", "OpenPopis"}, true);
    st.UlozitDoPamet = false;
    ui.show({"ZovTWisch", "Panel2"}, false);
    for (const char *n : {"PRSAdresaDBZ", "PRSAdresaPresmerovani", "PRSAdresKlentaData"})
        ui.setText(QString::fromLatin1(n), QString());
    // 5
    ui.setText(QStringLiteral("PRSAdresaDBZ"),
               files::exists(paths::ClientDirFile) ? files::readFirstLine(paths::ClientDirFile) : paths::DefaultClientDir);
    ui.setText(QStringLiteral("PRSAdresaPresmerovani"),
               files::exists(paths::ExportRootFile) ? files::readFirstLine(paths::ExportRootFile) : paths::DefaultExportRoot);
    // 6
    if (files::exists(paths::PicBarFlag))
        ui.showPicture(QStringLiteral("TherapyL1"), paths::PicBarIdle);
    ui.show({"Wishes1", "Wishes1dole"}, false);
    ui.setEnabled(QStringLiteral("Konec"), true);
    restore();
    // 7
    ui.setText(QStringLiteral("CasWriteSUMA"), QString());
    ui.showPicture(QStringLiteral("COMconct"), paths::PicRed);
    ui.showPicture(kPic, paths::PicRed);
    // 8
    files::makeDir(paths::OrvaTherapy);
    files::makeDir(paths::OrvaQDBZ5);
    files::makeDir(paths::DataDir);
    // 9
    if (files::exists(paths::LangFile))
        st.Languagem = files::readInteger(paths::LangFile);
    else if (files::exists(paths::ZovToolLangFile))
        st.Languagem = files::readLineInteger(paths::ZovToolLangFile);
    else
        st.Languagem = paths::DefaultLanguage;
    if (m_hooks.applyLanguage)
        m_hooks.applyLanguage(st.Languagem);
    // 10
    if (files::exists(paths::RunMarker)) {
        if (!m_ctx.dialogs.confirm(text(100))) {
            endNow(0);
            return;
        }
    }
    files::createFlag(paths::RunMarker);
    // 11
    ui.setVisible(QStringLiteral("Wishes"), files::exists(paths::WishesFlag));
    ui.clear(QStringLiteral("MemoWish"));
    // 12
    const FontSizes fonts = readFontSizes();
    st.ScaleFontTXT = fonts.ScaleFontTXT;
    st.ScaleFontTXTSec = fonts.ScaleFontTXTSec;
    if (m_hooks.applyFontSizes)
        m_hooks.applyFontSizes(fonts.ScaleFontTXT, fonts.ScaleFontTXTSec);
    // 13
    applyCaptions();
    // 14
    ui.setIndex(QStringLiteral("Kikratebar"), 1);
    ui.setText(QStringLiteral("Kolikrate"), QStringLiteral("1"));
    const bool repeat = files::exists(paths::RepeatAllFlag);
    ui.show({"Kikratebar", "Kolikrate"}, repeat);
    // 15
    zovt::applyCaptions(ui, captions::mainWindowLate(), Texts{st.Languagem, &Catalogue::mainWindow()});
    // 16
    st.rng.seed(quint32(QDateTime::currentMSecsSinceEpoch()));
    ui.setChecked(QStringLiteral("OrvaTGener"), false);
    st.openDialogFolder = paths::OrvaTherapy;
    st.openDialogFileName.clear();
    // 17
    ui.enable({"JasLED", "VykonIR", "ZpomalLED", "Open", "OpenZov", "OpenSBZ"}, false);
    st.OrvatrinPower = false;
    ui.show({"OrvatrinPowerPc", "OrvatrinPowerPcPanel"}, false);
    ui.setEnabled(QStringLiteral("Wishes"), false);
    ui.show({"JasLED_Pom", "VykonIR_Pom", "ZpomalLED_Pom"}, false);
    // 18
    ui.setVisible(QStringLiteral("OpenSBZ"), files::exists(paths::VisDbzFlag));
    // 19
    for (auto id : {Waits::Timer1, Waits::Timer2, Waits::Timer3})
        m_ctx.waits.timer(id).stop();
    for (const char *lamp : {"JasLED_Pc_Zn", "VykonIR_Pc_Zn", "ZpomalLED_Pc_Zn"})
        ui.showPicture(QString::fromLatin1(lamp), paths::PicGreen);
    st.JasLED_Pc_Swich = st.VykonIR_Pc_Swich = st.ZpomalLED_Pc_Swich = true;
    ui.setText(QStringLiteral("Pause"), QStringLiteral("||"));
    ui.setText(QStringLiteral("CasWrite"), QString());
    for (const char *memo : {"NacistMemo", "Zakladmemo", "MemoPlay", "MemoPlayShow"})
        ui.clear(QString::fromLatin1(memo));
    st.Pozadplay = -1;
    restore();
    // 20
    st.Staruji = true;
    // 21
    st.comPort = files::exists(paths::ComNrFile) ? files::readLineInteger(paths::ComNrFile) : paths::DefaultComPort;
    // 22
    if (files::exists(paths::LightSettingsFile))
        readLightingSelections(ui);
}

void Shell::startupSteps23to31()
{
    DeviceLink &dev = m_ctx.device;

    // 23
    m_handlerInstalled = true;
    m_ctx.clock.setErrorSink([this](const char *where, std::exception_ptr e) { HandleException(where, e); });

    try {
        // 24 to 31 take the device's first turn; nothing else can have it yet.
        dev.takeTurn([this] { startupSteps24to31(); });
    } catch (const ExitUnwind &) {
        throw;
    } catch (...) {
        HandleException("Nastav", std::current_exception());
    }
}

void Shell::startupSteps24to31()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;
    // 24 to 28: one port cycle; with new firmware opening the port is the port test.
    m_ctx.device.startupCycle([&] { ui.enable({"Stop", "StopVse", "Play", "PlayVse", "Pause"}, false); },
                              [&] { ui.showPicture(kPic, paths::PicOrange); });
    // 29
    ui.showPicture(QStringLiteral("COMconct"), paths::PicGreen);
    ui.showPicture(kPic, paths::PicGreen);
    for (const char *n : {"PRSAdresaAkt", "PRSAdresaProt", "PRSAdresaData"})
        ui.setText(QString::fromLatin1(n), QString());
    st.SoborJm = QStringLiteral("   ");
    st.Z_OrvaT = false;
    // 30
    Operations::run(m_ctx.ops.Open1);
    // 31
    m_timerColorByStart->start();
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
    try {
        std::rethrow_exception(error);
    } catch (const ExitUnwind &) {
        return;
    } catch (const EVaCommError &) {
        // handled below
    } catch (...) {
        logDropped(where, error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "zovt: %s: port error: %s\n", where, e.what());
    }
    if (m_ended)
        return;
    try {
        if (m_ctx.state.Staruji) {
            if (m_ctx.dialogs.confirm(text(905))) {
                if (showComStripAlone)
                    showComStripAlone();
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
    // C.1, C.2
    step("Konec", [&] {
        Operations::run(m_ctx.ops.stopPlaybackTimers);
        if (files::exists(paths::PicBarFlag))
            ui.showPicture(QStringLiteral("TherapyL1"), paths::PicBarIdle);
    });
    // C.3
    step("Konec", [&] {
        ui.show({"MemoWish", "Memory1", "Memory2", "Memory3", "Memory4", "Memory5", "Memory6", "MemoryDel", "Panelprani"},
                false);
        ui.setVisible(QStringLiteral("MemoPlayShow"), true);
    });
    // C.4
    step("Konec", [&] { m_ctx.device.abandonCycle(); });
    // C.5
    for (auto id : {Waits::Timer1, Waits::Timer2, Waits::Timer3})
        m_ctx.waits.timer(id).stop();
    // C.6
    files::remove(paths::RunMarker);
    // C.7
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

void Shell::FormClose() { files::remove(paths::RunMarker); }

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
