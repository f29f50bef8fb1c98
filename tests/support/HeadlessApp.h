#pragma once
// The whole application without windows: a temporary drive C:, a virtual
// clock, the main window's named controls in memory in their design state,
// a port that records every text with its virtual time, scripted dialogs,
// and the controllers composed as the program composes them. The start-up,
// lighting, wish, language and client tests build on it.

#include "app/Application.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "device/PortLink.h"
#include "support/TempDrive.h"
#include "support/Timeline.h"
#include "ui/MainWindowDesign.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace zovt::test {

struct HeadlessApp {
    struct Options {
        bool pictures = true;        // the default pictures lie on drive C:
        bool checkPictures = true;   // showing a missing picture fails, as on the real window
        bool newFirmware = false;    // the new-firmware marker file exists
        bool processQtEvents = true; // waits also handle Qt's own events
    };

    TempDrive drive;
    VirtualClock clock;
    MemorySurface ui{design::mainWindowControls()};
    RecordingPort port{clock};
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;
    // at() and writes() count time from here.
    qint64 mark = 0;

    HeadlessApp();
    explicit HeadlessApp(const Options &options);
    virtual ~HeadlessApp() = default;
    HeadlessApp(const HeadlessApp &) = delete;
    HeadlessApp &operator=(const HeadlessApp &) = delete;

    // Start-up, as the window's creation runs it.
    void start();
    // Runs f as a handler runs an operation: errors go to the exception handler.
    void run(const char *operation, const std::function<void()> &f);
    // Runs f as a handler at ms after the mark, inside whatever wait is running then.
    void at(qint64 ms, std::function<void()> f);

    // What the device received: the texts alone, or "ms text" with ms from the mark.
    QStringList texts() const { return textsOf(port); }
    QStringList writes() const { return writesOf(port, mark); }

private:
    Timeline m_timeline{clock};
};

} // namespace zovt::test
