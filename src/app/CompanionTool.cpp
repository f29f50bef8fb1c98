#include "app/CompanionTool.h"

#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "storage/WinPath.h"
#include "core/Form19Names.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace zovt {

namespace companion {

bool waitForFile(Clock &clock, const QString &winPath, int boundMs)
{
    if (files::exists(winPath))
        return true;
    // Nothing signals a file's arrival; a short poll wakes the wait, which
    // handles events meanwhile.
    const qint64 deadline = clock.nowMs() + boundMs;
    auto poll = clock.createTimer();
    poll->setSingleShot(false);
    poll->setInterval(50);
    poll->setCallback([] {});
    poll->start();
    bool found = false;
    clock.processUntil([&] {
        found = files::exists(winPath);
        return found || clock.nowMs() >= deadline;
    });
    poll->stop();
    return found;
}

} // namespace companion

// --- Launcher -----------------------------------------------------------------

WineCompanionLauncher::WineCompanionLauncher(UrlOpener opener) : m_opener(std::move(opener))
{
    if (!m_opener)
        m_opener = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

QString WineCompanionLauncher::wineProgram() { return QStandardPaths::findExecutable(QStringLiteral("wine")); }

bool WineCompanionLauncher::canStart() const
{
    return files::fileExists(paths::ZovToolExe) && !wineProgram().isEmpty();
}

QStringList WineCompanionLauncher::arguments() const { return {winpath::toNative(paths::ZovToolExe)}; }

bool WineCompanionLauncher::start()
{
    const QString wine = wineProgram();
    if (wine.isEmpty())
        return false;
    const QStringList args = arguments();
    QProcess process;
    process.setProgram(wine);
    process.setArguments(args);
    // The tool must see the same drive C: as this program, also when the
    // prefix is only the default one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), winpath::prefix());
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QFileInfo(args.first()).path());
    process.setStandardOutputFile(QProcess::nullDevice());
    return process.startDetached();
}

void WineCompanionLauncher::openToolPage() { m_opener(QUrl(companion::ToolPageAddress)); }

// --- Hand-over ----------------------------------------------------------------

CompanionHandOver::CompanionHandOver(Clock &clock, CompanionLauncher &launcher)
    : m_clock(clock), m_launcher(launcher)
{
}

QString CompanionHandOver::handOverFile(bool generatorButtonVisible)
{
    return generatorButtonVisible ? paths::ZovToolHandOver : paths::OrvaHandOver;
}

CompanionHandOver::Outcome CompanionHandOver::run(const Input &input, const std::function<void()> &hideButton)
{
    if (!m_launcher.canStart()) {
        m_launcher.openToolPage();
        return Outcome::ToolPageOpened;
    }
    if (hideButton)
        hideButton();

    if (!input.clientFile.isEmpty())
        files::writeLines(paths::ClientHandOff, {input.clientFile});
    else
        files::remove(paths::ClientHandOff);

    const QString firstLine = input.program.lines.value(0);
    if (firstLine.isEmpty()) {
        files::remove(paths::ProgramHandOff);
        files::remove(paths::OrvaHandOver);
    } else {
        const QString target = handOverFile(input.generatorButtonVisible);
        files::writeLines(paths::ProgramHandOff, {target});
        files::writeMemo(target, input.program);
        if (!companion::waitForFile(m_clock, target, companion::HandOverFileWaitMs))
            throw WriteError(QStringLiteral("\"%1\" did not appear").arg(target).toStdString());
    }

    return m_launcher.start() ? Outcome::ToolStarted : Outcome::StartFailed;
}

// --- The button ------------------------------------------------------------

CompanionToolController::CompanionToolController(AppContext &ctx, CompanionLauncher &launcher)
    : m_ctx(ctx), m_launcher(&launcher)
{
}

void CompanionToolController::ZovToolEditClick()
{
    ControlSurface &ui = m_ctx.ui;
    const QString button = f19::ZovToolEdit;
    CompanionHandOver::Input input;
    input.clientFile = ui.text(f19::PRSAdresaAkt);
    input.program = loadedProgram ? loadedProgram() : files::Memo{ui.lines(f19::NacistMemo), {}};
    input.generatorButtonVisible = ui.isVisible(f19::Orva_Tlac);

    const auto outcome =
        CompanionHandOver(m_ctx.clock, *m_launcher).run(input, [&] { ui.setVisible(button, false); });
    if (outcome == CompanionHandOver::Outcome::ToolPageOpened)
        return;
    ui.setVisible(button, true);
    files::remove(paths::RunMarker);
    Operations::run(m_ctx.ops.closeAndEnd);
}

} // namespace zovt
