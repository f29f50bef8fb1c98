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
    auto t = clock.createTimer();
    t->setSingleShot(true);
    t->setInterval(int(mark + ms - clock.nowMs()));
    t->setCallback([this, f = std::move(f)] { app->run("test", f); });
    t->start();
    m_actions.push_back(std::move(t));
}

QStringList HeadlessApp::texts() const
{
    QStringList out;
    for (const auto &w : port.writes())
        out << QString::fromLatin1(w.text);
    return out;
}

QStringList HeadlessApp::writes() const
{
    QStringList out;
    for (const auto &w : port.writes())
        out << QStringLiteral("%1 %2").arg(w.ms - mark).arg(QString::fromLatin1(w.text));
    return out;
}

} // namespace zovt::test
