#include "support/ClientsFixture.h"

#include "storage/TextCodec.h"

namespace zovt::test {

namespace {

HeadlessApp::Options clientOptions()
{
    HeadlessApp::Options o;
    o.checkPictures = false;
    o.processQtEvents = false;
    return o;
}

} // namespace

ClientsFixture::ClientsFixture() : HeadlessApp(clientOptions())
{
    ClientEditorHooks &h = editor().hooks;
    h.focus = [this](const QString &name) { focus << name; };
    h.title = [this](const QString &t) { shownTitles << t; };
    h.colour = [this](bool dark) {
        ++colourCalls;
        darkColour = dark;
    };
    start();
    clock.advance(4000);
    clock.setErrorSink([this](const char *where, std::exception_ptr) { errors << QString::fromLatin1(where); });
}

void ClientsFixture::type(const QString &field, const QString &text)
{
    eui().setText(field, text);
    editor().fieldEdited(field);
}

void ClientsFixture::typeAndLeave(const QString &field, const QString &text)
{
    type(field, text);
    run("fieldExited", [&] { editor().fieldExited(field); });
}

void ClientsFixture::putClient(const QString &winPath, const QStringList &lines) const
{
    drive.put(winPath, text::encode(lines, text::Encoding::Ansi));
}

QString ClientsFixture::lastMessage() const
{
    for (auto it = dialogs.shown().rbegin(); it != dialogs.shown().rend(); ++it)
        if (it->kind == ScriptedDialogs::Shown::Message)
            return it->text;
    return QString();
}

int ClientsFixture::messageCount() const
{
    int n = 0;
    for (const auto &s : dialogs.shown())
        n += s.kind == ScriptedDialogs::Shown::Message;
    return n;
}

} // namespace zovt::test
