#include "support/HeadlessApp.h"

#include "storage/Paths.h"

namespace zovt::test {

HeadlessApp::HeadlessApp() : HeadlessApp(Options{}) {}

HeadlessApp::HeadlessApp(const Options &options)
{
    if (options.pictures)
        drive.installPictures();
    if (options.newFirmware)
        drive.put(paths::NewFirmwareFlag, {});
    if (options.checkPictures)
        checkPictures(ui);
    clock.setProcessQtEvents(options.processQtEvents);
    app = std::make_unique<Application>(clock, ui, port, dialogs);
    clock.setErrorSink({});
}

void HeadlessApp::start()
{
    app->run("Nastav", [this] { app->shell().Nastav(); });
}

void HeadlessApp::run(const char *operation, const std::function<void()> &f) { app->run(operation, f); }

void HeadlessApp::at(qint64 ms, std::function<void()> f)
{
    m_timeline.at(mark + ms, [this, f = std::move(f)] { app->run("test", f); });
}

} // namespace zovt::test
