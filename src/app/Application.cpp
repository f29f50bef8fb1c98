#include "app/Application.h"

#include "app/CompanionTool.h"
#include "core/Clock.h"
#include "device/DeviceLink.h"
#include "device/SettingsPanel.h"
#include "device/Waits.h"
#include "playback/PlaybackController.h"
#include "program/ProgramController.h"

namespace zovt {

Application::Application(Clock &clock, ControlSurface &ui, PortLink &port, Dialogs &dialogs, WindowHooks hooks,
                         CompanionLauncher *launcher)
{
    m_waits = std::make_unique<Waits>(clock, ui);
    m_waits->setRestore(hooks.restoreIfMinimized);
    m_device = std::make_unique<DeviceLink>(clock, ui, m_state, *m_waits, port);
    m_ctx = std::unique_ptr<AppContext>(new AppContext{clock, ui, m_state, *m_waits, *m_device, dialogs, {}});
    m_shell = std::make_unique<Shell>(*m_ctx, std::move(hooks));
    m_program = std::make_unique<ProgramController>(*m_ctx);
    m_playback = std::make_unique<PlaybackController>(*m_ctx);
    m_settings = std::make_unique<SettingsPanel>(*m_ctx);

    Operations &ops = m_ctx->ops;
    ops.Konec = [this] { m_shell->Konec(); };
    ops.Stop = [this] { m_playback->Stop(); };
    ops.ZakladMemoCliknul = [this] { m_program->ZakladMemoCliknul(); };
    ops.Open1 = [this] { m_program->Open1(); };
    ops.stopPlaybackTimers = [this] { m_playback->stopPlaybackTimers(); };
    m_shell->showComStripAlone = [this] { m_settings->ShowComStripAlone(); };

    if (!launcher) {
        m_ownLauncher = std::make_unique<WineCompanionLauncher>();
        launcher = m_ownLauncher.get();
    }
    m_companion = std::make_unique<CompanionToolController>(*m_ctx, *launcher);
    m_companion->loadedProgram = [this] {
        const ProgramFile &file = m_program->programFile();
        return files::Memo{file.lines(), file.encoding()};
    };
    m_companion->closeAndEnd = [this] { m_shell->closeAndEnd(); };
}

Application::~Application() = default;

QStringList Application::unboundHooks() const
{
    QStringList names = m_playback->hooks.unbound();
    if (!m_program->Nactiklient)
        names.prepend(QStringLiteral("Nactiklient"));
    return names;
}

void Application::run(const char *operation, const std::function<void()> &f) { m_ctx->clock.guarded(operation, f); }

} // namespace zovt
