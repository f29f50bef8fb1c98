#pragma once
// The real main window: the window definition, its named controls as a
// surface, Qt's dialogs, the serial port, and the controllers bound to the
// widgets' signals.

#include "app/Application.h"
#include "app/QtDialogs.h"
#include "device/VaCommPort.h"
#include "device/WritePriority.h"
#include "ui/ClientEditorWindow.h"
#include "ui/MainWindow.h"
#include "ui/WidgetSurface.h"

namespace zovt {

class MainWindowController {
public:
    explicit MainWindowController(Clock &clock);
    ~MainWindowController();

    // What the application object needs before the window is made: it lives
    // on while no window is shown (a modal message during start-up), and it
    // carries no display name, which Qt would append to the window's title.
    static void prepareApplication();

    // Creates the window's state: the create event runs the start-up sequence.
    void FormCreate();
    bool ended() const { return m_app->shell().ended(); }
    int exitCode() const { return m_app->shell().exitCode(); }

    // The texts no caption table sets, in the language start-up read (it is
    // chosen once per run): tool tips and the names screen readers read.
    void applyLanguageTexts();

    // The resize rules on the window's present outer size; runs on every
    // change of it.
    void FormResize();

    // While a playback runs, the window's thread, which writes to the device,
    // is in the real-time class where the system grants it (the running
    // program does this; tests and previews on the virtual clock do not).
    void raiseWritesWhilePlaying();
    const WritePriority &writePriority() const { return m_writePriority; }

    TForm19 &window() { return m_window; }
    TForm2 &clientEditorWindow() { return m_form2; }
    Application &app() { return *m_app; }

private:
    void bind();
    void showToggleStates();
    void onClick(const char *name, std::function<void()> f);

    struct RestoreWhileWaiting : QObject {
        explicit RestoreWhileWaiting(MainWindowController *o) : owner(o) {}
        bool eventFilter(QObject *watched, QEvent *event) override;
        MainWindowController *owner;
    };

    // Whether the current entry of the program list changed since the last
    // mouse press or key press on it: a click or Enter that changed it has
    // selected it already.
    struct ListPress : QObject {
        bool eventFilter(QObject *watched, QEvent *event) override;
        bool changed = false;
    };

    Clock &m_clock;
    TForm19 m_window;
    WidgetSurface m_ui;
    // The client editor, created once after the main window and owned by it,
    // so that the window manager keeps it above the main window.
    TForm2 m_form2;
    WidgetSurface m_form2Ui;
    QtDialogs m_dialogs;
    VaCommPort m_port;
    std::unique_ptr<Application> m_app;
    WritePriority m_writePriority;
    RestoreWhileWaiting m_restoreWhileWaiting{this};
    ListPress m_listPress;
};

} // namespace zovt
