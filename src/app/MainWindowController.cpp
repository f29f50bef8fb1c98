#include "app/MainWindowController.h"

#include "ui/Accessibility.h"

#include "app/ClientEditorBinding.h"
#include "clients/ClientPanel.h"
#include "ui/ClientEditorDesign.h"

#include "panels/GeneratorMode.h"
#include "core/Clock.h"
#include "core/WindowState.h"
#include "panels/LightingToggles.h"
#include "i18n/Captions.h"
#include "app/CompanionTool.h"
#include "app/QtTranslations.h"
#include "app/WindowLook.h"
#include "core/Clock.h"
#include "ui/LayoutRules.h"
#include "ui/LineList.h"
#include "ui/MainWindowDesign.h"
#include "panels/SettingsPanel.h"
#include "device/Waits.h"
#include "playback/PlaybackController.h"
#include "program/ProgramController.h"
#include "wishes/WishController.h"
#include "core/Form19Names.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace zovt {

// A window minimised while a wait runs (a playback, a device cycle) comes
// straight back, as each wait would bring it back on its next round.
bool MainWindowController::RestoreWhileWaiting::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange && owner->m_window.isMinimized() && owner->m_app &&
        owner->m_app->waits().holding()) {
        QTimer::singleShot(0, &owner->m_window, [w = &owner->m_window] {
            if (w->isMinimized())
                w->showNormal();
        });
    }
    return QObject::eventFilter(watched, event);
}

bool MainWindowController::ListPress::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
        changed = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

MainWindowController::MainWindowController(Clock &clock)
    : m_clock(clock), m_ui(&m_window, design::mainWindowControls()),
      m_form2(&m_window), m_form2Ui(&m_form2, design::clientEditorControls()), m_port(clock)
{
    WindowHooks hooks;
    hooks.show = [this] {
        m_window.centreOnScreen();
        m_window.show();
    };
    hooks.restoreIfMinimized = [this] {
        if (m_window.isMinimized())
            m_window.showNormal();
    };
    hooks.applyColourScheme = [this](bool dark) { m_window.applyColourScheme(dark); };
    hooks.applyFontSizes = [this](int main, int secondary) { m_window.applyFontSizes(main, secondary); };
    hooks.applyLanguage = [](int Languagem) { qtlang::install(Languagem); };
    hooks.placeOpenButtons = [this] {
        QWidget *open = m_window.widget(f19::Open);
        QWidget *zov = m_window.widget(f19::OpenZov);
        QWidget *sbz = m_window.widget(f19::OpenSBZ);
        zov->setGeometry(open->x() + open->width(), zov->y(), 100, zov->height());
        sbz->setGeometry(zov->x() + zov->width(), sbz->y(), 40, sbz->height());
    };
    hooks.closeWindow = [this] { m_window.close(); };
    hooks.quit = [](int code) { QCoreApplication::exit(code); };
    m_dialogs.setOwner(&m_window);
    m_app = std::make_unique<Application>(clock, m_ui, m_port, m_dialogs, std::move(hooks), &m_form2Ui);
    m_window.installEventFilter(&m_restoreWhileWaiting);
    bind();
}

void MainWindowController::FormResize()
{
    const QSize outer = m_window.layoutSize();
    const bool wishMode = !m_window.widget(f19::MemoWish)->isHidden();
    m_window.applyGeometries(layout::FormResize(outer.width(), outer.height(), m_window.geometries(), wishMode));
}

MainWindowController::~MainWindowController() = default;

void MainWindowController::prepareApplication()
{
    QApplication::setQuitOnLastWindowClosed(false);
    accessibility::install();
}

void MainWindowController::FormCreate()
{
    m_app->waits().enableCreationTimers();
    m_app->run("Nastav", [this] { m_app->shell().Nastav(); });
    applyLanguageTexts();
}

void MainWindowController::raiseWritesWhilePlaying()
{
    PlaybackController &playback = m_app->playback();
    playback.playStarted = [this](int) { m_writePriority.raise(); };
    playback.playEnded = [this](int) { m_writePriority.lower(); };
}

void MainWindowController::applyLanguageTexts()
{
    const Texts texts{m_app->state().Languagem, &Catalogue::mainWindow()};
    applyToolTips(&m_window, captions::mainWindowToolTips(), texts);
    applyAccessibleNames(&m_window, captions::mainWindowAccessibleNames(), texts);
    showToggleStates();
}

void MainWindowController::showToggleStates()
{
    // The lamps beside the lighting toggles show on or off to the eye; the
    // buttons themselves say it to a screen reader.
    const WindowState &st = m_app->state();
    const std::pair<const char *, bool> toggles[] = {
        {f19::JasLED, st.JasLED_Pc_Swich},   {f19::JasLED_Pom, st.JasLED_Pc_Swich},
        {f19::VykonIR, st.VykonIR_Pc_Swich}, {f19::VykonIR_Pom, st.VykonIR_Pc_Swich},
        {f19::ZpomalLED, st.ZpomalLED_Pc_Swich}, {f19::ZpomalLED_Pom, st.ZpomalLED_Pc_Swich},
    };
    for (const auto &[name, on] : toggles) {
        auto *b = m_window.control<QPushButton>(name);
        b->setCheckable(true);
        b->setChecked(on);
    }
}

void MainWindowController::onClick(const char *name, std::function<void()> f)
{
    auto *b = m_window.control<QAbstractButton>(name);
    QObject::connect(b, &QAbstractButton::clicked, &m_window, [this, name, f] {
        m_app->run(name, f);
        showToggleStates();
    });
}

void MainWindowController::bind()
{
    Application &a = *m_app;
    onClick(f19::Konec, [&a] { a.shell().Konec(); });
    onClick(f19::Open, [&a] { a.program().Open(); });
    onClick(f19::OpenZov, [&a] { a.program().OpenZov(); });
    onClick(f19::OpenSBZ, [&a] { a.program().OpenSBZ(); });
    onClick(f19::Play, [&a] { a.playback().Play(); });
    onClick(f19::PlayVse, [&a] { a.playback().PlayVse(); });
    onClick(f19::Pause, [&a] { a.playback().Pause(); });
    onClick(f19::Stop, [&a] { a.playback().Stop(); });
    onClick(f19::StopVse, [&a] { a.playback().StopVse(); });
    onClick(f19::StopPrekryv, [&a] { a.playback().Stop(); });
    onClick(f19::PausePrekryv, [&a] { a.playback().Stop(); });
    onClick(f19::Setting, [&a] { a.settings().SettingClick(); });
    onClick(f19::SettSave, [&a] {
        if (a.settings().COM_NrExit())
            a.settings().SettSaveClick();
    });
    onClick(f19::CloseSett, [&a] { a.settings().CloseSettClick(); });
    onClick(f19::KlientOpen, [&a] { a.clientPanel().KlientOpen(); });
    onClick(f19::Novy, [&a] { a.clientPanel().Novy(); });
    onClick(f19::DeleteJm, [&a] { a.clientPanel().DeleteJm(); });
    bindClientEditor(m_form2, a);
    onClick(f19::VerzeSwZovT, [&a] { a.settings().VerzeSwZovTClick(); });
    onClick(f19::C_Max, [&a] { a.settings().C_MaxClick(); });
    onClick(f19::JasLED, [&a] { a.lighting().JasLEDClick(); });
    onClick(f19::VykonIR, [&a] { a.lighting().VykonIRClick(); });
    onClick(f19::ZpomalLED, [&a] { a.lighting().ZpomalLEDClick(); });
    onClick(f19::JasLED_Pom, [&a] { a.lighting().JasLED_PomClick(); });
    onClick(f19::VykonIR_Pom, [&a] { a.lighting().VykonIR_PomClick(); });
    onClick(f19::ZpomalLED_Pom, [&a] { a.lighting().ZpomalLED_PomClick(); });
    onClick(f19::Orva_Tlac, [&a] { a.generator().Orva_Tlac(); });
    onClick(f19::BtnInfo, [&a] { a.generator().BtnInfo(); });
    onClick(f19::InfoPopis, [&a] { a.generator().InfoPopis(); });
    onClick(f19::ClosePopis, [&a] { a.generator().ClosePopis(); });
    onClick(f19::InfoPopis2, [&a] { a.generator().InfoPopis2(); });
    onClick(f19::ClosePopis2, [&a] { a.generator().ClosePopis2(); });
    onClick(f19::Wishes, [&a] { a.wishes().Wishes(); });
    onClick(f19::Wishes1, [&a] { a.wishes().Wishes1(); });
    onClick(f19::Wishes1dole, [&a] { a.wishes().Wishes1(); });
    static const char *const memories[] = {f19::Memory1, f19::Memory2, f19::Memory3, f19::Memory4, f19::Memory5, f19::Memory6};
    for (int n = 1; n <= 6; ++n)
        onClick(memories[n - 1], [&a, n] { a.wishes().Memory(n); });
    onClick(f19::MemoryDel, [&a] { a.wishes().MemoryDel(); });
    onClick(f19::InfoWish, [&a] { a.wishes().InfoWish(); });
    // Typed, loaded or emptied by any operation: every change of the wish
    // text decides again whether it can be played.
    QObject::connect(m_window.control<QPlainTextEdit>(f19::MemoWish), &QPlainTextEdit::textChanged, &m_window,
                     [this] { m_app->run(f19::MemoWish, [this] { m_app->wishes().MemoWishChange(); }); });
    onClick(f19::ZovToolEdit, [&a] { a.companion().ZovToolEditClick(); });

    QObject::connect(&m_window, &TForm19::resized, &m_window, [this] { FormResize(); });

    auto *list = m_window.control<LineList>(f19::Zakladmemo);
    const auto select = [this] { m_app->run("ZakladMemoCliknul", [this] { m_app->program().ZakladMemoCliknul(); }); };
    // Every change of the current entry selects it, by mouse or keyboard (the
    // controllers' own changes go through the surface, which keeps the list
    // quiet). A click or Enter on the entry that is current already selects
    // it again, as after a playback.
    list->installEventFilter(&m_listPress);
    list->viewport()->installEventFilter(&m_listPress);
    QObject::connect(list, &LineList::currentRowChanged, &m_window, [this, select] {
        m_listPress.changed = true;
        select();
    });
    const auto again = [this, select] {
        if (!m_listPress.changed)
            select();
    };
    QObject::connect(list, &QAbstractItemView::clicked, &m_window, again);
    QObject::connect(list, &QAbstractItemView::activated, &m_window, again);

    auto *bar = m_window.control<QScrollBar>(f19::Kikratebar);
    QObject::connect(bar, &QScrollBar::valueChanged, &m_window,
                     [this] { m_app->run(f19::Kikratebar, [this] { m_app->playback().KikratebarChange(); }); });

    auto *com = m_window.control<QLineEdit>(f19::COM_Nr);
    QObject::connect(com, &QLineEdit::editingFinished, &m_window, [this, com] {
        m_app->run(f19::COM_Nr, [this, com] {
            if (!m_app->settings().COM_NrExit())
                com->setFocus();
        });
    });

    m_window.closeQuery = [this] {
        bool now = true;
        m_app->run("FormCloseQuery", [&] { now = m_app->closeQuery(); });
        return now;
    };
    QObject::connect(&m_window, &TForm19::closing, &m_window, [this] {
        Shell &shell = m_app->shell();
        shell.FormClose();
        // Closing by any means ends every running operation and the program;
        // during start-up no event loop runs yet to be left, so the program
        // must know it has ended (main() returns then).
        shell.endNow(shell.exitCode());
    });
}

} // namespace zovt
