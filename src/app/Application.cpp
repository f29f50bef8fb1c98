#include "app/Application.h"

#include "clients/ClientEditor.h"
#include "clients/ClientPanel.h"
#include "panels/GeneratorMode.h"

#include "app/CompanionTool.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "device/DeviceLink.h"
#include "panels/LightingToggles.h"
#include "panels/SettingsPanel.h"
#include "device/Waits.h"
#include "playback/PlaybackController.h"
#include "playback/Protocol.h"
#include "program/ProgramController.h"
#include "program/ProgramList.h"
#include "ui/ClientEditorDesign.h"
#include "wishes/WishController.h"
#include "core/Form19Names.h"
#include "storage/FileError.h"

#include <limits>

namespace zovt {

Application::Application(Clock &clock, ControlSurface &ui, PortLink &port, Dialogs &dialogs, WindowHooks hooks,
                         ControlSurface *editorUi, CompanionLauncher *launcher)
{
    m_waits = std::make_unique<Waits>(clock, ui);
    m_waits->setRestore(hooks.restoreIfMinimized);
    m_device = std::make_unique<DeviceLink>(clock, ui, m_state, *m_waits, port);
    m_ctx = std::unique_ptr<AppContext>(new AppContext{clock, ui, m_state, *m_waits, *m_device, dialogs, {}});
    const std::function<void()> restore = hooks.restoreIfMinimized;
    m_shell = std::make_unique<Shell>(*m_ctx, std::move(hooks));
    m_program = std::make_unique<ProgramController>(*m_ctx);
    m_playback = std::make_unique<PlaybackController>(*m_ctx);
    m_protocol = std::make_unique<ProtocolController>(*m_ctx);
    m_settings = std::make_unique<SettingsPanel>(*m_ctx);
    if (!editorUi) {
        m_ownEditorUi = std::make_unique<MemorySurface>(design::clientEditorControls());
        editorUi = m_ownEditorUi.get();
    }
    m_editorUi = editorUi;
    m_clientPanel = std::make_unique<ClientPanel>(*m_ctx);
    m_clientEditor = std::make_unique<ClientEditor>(*m_ctx, *m_editorUi);
    m_lighting = std::make_unique<LightingToggles>(*m_ctx);
    m_generator = std::make_unique<GeneratorMode>(*m_ctx);
    m_wishes = std::make_unique<WishController>(*m_ctx);

    Operations &ops = m_ctx->ops;
    ops.Konec = [this] { m_shell->Konec(); };
    ops.Stop = [this] { m_playback->Stop(); };
    ops.Play = [this] { m_playback->Play(); };
    ops.Pause = [this] { m_playback->Pause(); };
    ops.ZakladMemoCliknul = [this] { m_program->ZakladMemoCliknul(); };
    ops.VyplnZaklMemo = [this] { m_program->VyplnZaklMemo(); };
    ops.Open1 = [this] { m_program->Open1(); };
    ops.stopPlaybackTimers = [this] { m_playback->stopPlaybackTimers(); };
    ops.KlientOpen = [this] { m_clientPanel->KlientOpen(); };
    ops.Nactiklient = [this] { m_clientPanel->Nactiklient(); };
    ops.openClientEditor = [this] { m_clientEditor->open(); };
    ops.fillClientFromRecord = [this](const QString &record) { m_clientPanel->fillFromClientLine(record); };
    ops.protocolStart = [this] { m_protocol->start(); };
    ops.protocolEnd = [this] { m_protocol->end(); };
    ops.wishPlayStart = [this] { m_wishes->wishPlayStart(); };
    ops.wishPlayEnd = [this] { m_wishes->wishPlayEnd(); };
    ops.reloadWishText = [this] { m_wishes->reloadWishText(); };
    ops.showComStripAlone = [this] { m_settings->ShowComStripAlone(); };
    ops.closeAndEnd = [this] { m_shell->closeAndEnd(); };
    m_clientEditor->restoreApplication = restore;
    m_playback->describeProtocol = [this](JournalRecord &r) { m_protocol->describe(r); };
    m_shell->resumePlayback = [this](const JournalRecord &j) { resumeInterrupted(j); };
    if (!launcher) {
        m_ownLauncher = std::make_unique<WineCompanionLauncher>();
        launcher = m_ownLauncher.get();
    }
    m_companion = std::make_unique<CompanionToolController>(*m_ctx, *launcher);
    m_companion->loadedProgram = [this] {
        const ProgramFile &file = m_program->programFile();
        return files::Memo{file.lines(), file.encoding()};
    };
    // A call left unbound would silently do nothing: the application is
    // refused instead.
    ops.requireBound();
}

Application::~Application() = default;

QStringList Application::unboundHooks() const { return m_ctx->ops.unbound(); }

bool Application::closeQuery()
{
    if (m_ctx->clock.exiting() || !m_playback->playing())
        return true;
    m_playback->stopThen([this] { m_shell->closeWindow(); });
    return false;
}

void Application::endThroughClosing()
{
    if (m_ctx->clock.exiting())
        return;
    if (m_playback->playing())
        m_playback->stopThen([this] { m_shell->closeWindow(); });
    else
        m_shell->closeWindow();
}

ShownView Application::shownView() const
{
    const ControlSurface &ui = m_ctx->ui;
    ShownView v;
    v.clientFile = ui.text(f19::PRSAdresaAkt);
    v.programFile = m_state.loadedProgramFile;
    const QStringList entries = ui.lines(f19::Zakladmemo);
    const int entry = ui.index(f19::Zakladmemo);
    if (!v.programFile.isEmpty() && entry >= 0 && entry < entries.size()) {
        v.entry = entry;
        v.entryText = entries.at(entry);
    }
    return v;
}

void Application::showView(const ShownView &v)
{
    ControlSurface &ui = m_ctx->ui;
    // The client first, then the program file (unless start-up has just
    // listed that one) and the program in it.
    if (!v.clientFile.isEmpty()) {
        ui.setText(f19::PRSAdresaAkt, v.clientFile);
        m_clientPanel->Nactiklient();
    }
    if (v.programFile.isEmpty())
        return;
    if (m_state.loadedProgramFile.compare(v.programFile, Qt::CaseInsensitive) != 0)
        m_program->openProgramFile(v.programFile);
    if (v.entry < 0)
        return;
    const int entry = findListEntry(ui.lines(f19::Zakladmemo), v.entry, v.entryText);
    if (entry < 0)
        throw ReadError(QStringLiteral("%1: the program \"%2\" is no longer there").arg(v.programFile, v.entryText).toStdString());
    ui.setIndex(f19::Zakladmemo, entry);
    m_program->ZakladMemoCliknul();
}

void Application::resumeInterrupted(const JournalRecord &j)
{
    showView({j.clientFile, j.programFile, j.entry, j.entryText});
    // A row that had nothing left: the rest begins with the next one.
    int row = j.row;
    qint64 left = j.rowLeftMs;
    if (left <= 0) {
        ++row;
        left = std::numeric_limits<qint64>::max();
    }
    if (row > m_state.PocetRadkfr)
        return;
    m_playback->resume(row, left);
}

void Application::run(const char *operation, const std::function<void()> &f) { m_ctx->clock.guarded(operation, f); }

} // namespace zovt
