#pragma once
// Handing the loaded program and the current client over to the companion
// frequency tool: the hand-off files it reads, the program file it edits, and
// starting it. The window hides and shows its button and ends itself around
// this; nothing here touches a widget or the device.

#include "core/AppContext.h"
#include "storage/DataFiles.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace zovt {

class Clock;

namespace companion {

// The tool's page on the project's site, opened when the tool cannot be
// started here.
inline const QString ToolPageAddress = QStringLiteral("https://zovt-generator.example.org/zov-tool/");

// How long the hand-over waits for the program file to show up on disk.
inline constexpr int HandOverFileWaitMs = 5000;

// Waits, handling events, until the file exists or boundMs have passed on the
// clock. True when it exists. Throws ExitUnwind when an exit begins meanwhile.
bool waitForFile(Clock &clock, const QString &winPath, int boundMs);

} // namespace companion

// Starting the companion tool, or its web page instead.
class CompanionLauncher {
public:
    virtual ~CompanionLauncher() = default;
    // The tool is installed and there is a way to run it here.
    virtual bool canStart() const = 0;
    // Starts the tool without waiting for it; false when it could not be
    // started (nobody is told: the hand-over goes on as if it had).
    virtual bool start() = 0;
    // Opens the tool's web page; a failure is not reported.
    virtual void openToolPage() = 0;
};

// The tool is a Windows program: it runs under the `wine` found on PATH, in
// the same prefix the fixed paths live in, from its own folder.
class WineCompanionLauncher : public CompanionLauncher {
public:
    using UrlOpener = std::function<bool(const QUrl &)>;
    // opener defaults to QDesktopServices::openUrl.
    explicit WineCompanionLauncher(UrlOpener opener = {});

    bool canStart() const override;
    bool start() override;
    void openToolPage() override;

    // The wine executable on PATH, or empty.
    static QString wineProgram();
    // What start() runs: wine with the tool's native path as its one argument.
    QStringList arguments() const;

private:
    UrlOpener m_opener;
};

// The widget-free part of the `ZovToolEdit` operation.
class CompanionHandOver {
public:
    struct Input {
        QString clientFile;          // PRSAdresaAkt; empty: no client
        files::Memo program;         // NacistMemo as loaded (lines and encoding)
        bool generatorButtonVisible = false; // Orva_Tlac shown: not from the therapy database
    };

    enum class Outcome {
        ToolPageOpened, // the tool cannot run here; the application goes on
        ToolStarted,    // the caller shows its button, drops the run marker and ends
        StartFailed,    // as ToolStarted: a failed start is not reported
    };

    CompanionHandOver(Clock &clock, CompanionLauncher &launcher);

    // Opens the tool's page and returns when the tool cannot run. Otherwise
    // runs hideButton, writes the client hand-off file (or deletes it), the
    // program hand-off and the program hand-over file (or deletes them when no
    // program is loaded), waits for the hand-over file and starts the tool.
    // A failed write throws WriteError, and so does a hand-over file that has
    // not appeared within the bound: the operation ends there, with the
    // button hidden, and the application goes on.
    Outcome run(const Input &input, const std::function<void()> &hideButton);

    // The program hand-over file for the generator button's visibility.
    static QString handOverFile(bool generatorButtonVisible);

private:
    Clock &m_clock;
    CompanionLauncher &m_launcher;
};

// The `ZovToolEdit` operation of the main window: its controls, the loaded
// program and the exit around the widget-free hand-over.
class CompanionToolController {
public:
    CompanionToolController(AppContext &ctx, CompanionLauncher &launcher);

    // The loaded program file with the encoding it was read in; unbound, the
    // lines of NacistMemo in the 8-bit code page.
    std::function<files::Memo()> loadedProgram;

    // Hands the program and the client over and ends the application once
    // the tool is started (or failed to start); opens the tool's page and
    // goes on when the tool cannot run here. A failed write throws and leaves
    // the button hidden. Nothing is sent to the device.
    void ZovToolEditClick();

    CompanionLauncher &launcher() { return *m_launcher; }
    void setLauncher(CompanionLauncher &launcher) { m_launcher = &launcher; }

private:
    AppContext &m_ctx;
    CompanionLauncher *m_launcher;
};

} // namespace zovt
