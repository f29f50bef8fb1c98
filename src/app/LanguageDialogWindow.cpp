#include "app/LanguageDialogWindow.h"
#include "core/Form9Names.h"
#include "core/Form19Names.h"

#include "app/MainWindowController.h"
#include "app/WindowLook.h"
#include "core/WindowState.h"
#include "i18n/Captions.h"
#include "ui/LanguageDialogDesign.h"

#include <QPushButton>

namespace zovt {

LanguageDialogWindow::LanguageDialogWindow(MainWindowController &main)
    : m_main(main), m_window(&main.window()), m_ui(&m_window, design::languageDialogControls()), m_choice(m_ui)
{
    applyLanguageDialogColour(m_window, readColourScheme());
    Application &app = main.app();
    m_choice.closeDialog = [this] { m_window.hide(); };
    m_choice.endApplication = [this, &app] {
        m_restartAsked = true;
        m_shownAtRestart = app.shownView();
        m_window.hide();
        app.endThroughClosing();
    };

    // Through the application's handler entry: a failed write of the
    // language file is dropped there, and the dialog stays open.
    QObject::connect(m_window.control<QPushButton>(f9::OK), &QPushButton::clicked, &m_window,
                     [this, &app] { app.run(f9::OK, [this] { m_choice.OKClick(); }); });
    QObject::connect(m_window.control<QPushButton>(f9::X), &QPushButton::clicked, &m_window,
                     [this, &app] { app.run(f9::X, [this] { m_choice.XClick(); }); });
    QObject::connect(&main.window(), &TForm19::pictureClicked, &m_window, [this](const QString &name) {
        if (name == QLatin1String(f19::Image8))
            open();
    });
}

LanguageDialogWindow::~LanguageDialogWindow() = default;

void LanguageDialogWindow::open()
{
    applyAccessibleNames(&m_window, captions::languageDialogAccessibleNames(),
                         Texts{m_main.app().state().Languagem, &Catalogue::mainWindow()});
    m_window.open();
}

} // namespace zovt
