#pragma once
// The behaviour of the client editor Form2 over its named controls: a new
// client or one loaded from its file, the field checks on leaving a field,
// the person / animal switch, and Save, which writes the client file (asking
// first when the file's code page would change typed characters, and when
// another program changed the file since the editor read it) and hands
// the client to the main window's panel. The window itself (or a test)
// supplies the few things a surface cannot: showing, hiding, focus, colour,
// title and placement.

#include "clients/ClientRecord.h"
#include "core/AppContext.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace zovt {

class ClockTimer;
class ControlSurface;

struct ClientEditorHooks {
    std::function<void()> show;                    // shows the window, modeless
    std::function<void()> hide;                    // closing only hides it
    std::function<void()> centre;                  // centres it on the desktop
    std::function<void(bool dark)> colour;         // grey, or the system's button highlight
    std::function<void(const QString &)> title;
    std::function<void(const QString &name)> focus;
};

class ClientEditor {
public:
    // main: the main window's context (its client folder, current client and
    // dialogs); ui: the editor's own controls.
    ClientEditor(AppContext &main, ControlSurface &ui);
    ~ClientEditor();
    ClientEditor(const ClientEditor &) = delete;
    ClientEditor &operator=(const ClientEditor &) = delete;

    // The main window's Novy: show, Language, then Novy.
    void open();

    // Named operations of the window.
    void Language();
    void Novy();
    void Edit();
    void nacti();
    void Zvire();
    void Save();
    void Konec();
    void TimerSouborAll();

    // The focus left a field: its check, if it has one. A failed check shows
    // its message, resets the field, puts the focus back and returns false.
    bool fieldExited(const QString &name);
    // The operator changed a field's text (the change rule).
    void fieldEdited(const QString &name);
    // Enter in a field moves the focus on; from Email to Save while Save can
    // be pressed.
    void enterPressed(const QString &name);

    bool isShown() const { return m_shown; }
    QString title() const { return m_title; }
    int Languagem() const { return m_Languagem; }
    bool Editedit() const;

    ClientEditorHooks hooks;
    // Brings the application back when it is minimised (every pause does).
    std::function<void()> restoreApplication;

    ClockTimer &TimerSoubor() { return *m_timerSoubor; }
    ClockTimer &Timer1() { return *m_timer1; }

    // The fields whose change enables Save.
    static const QStringList &identityFields();

private:
    void setField(const QString &name, const QString &text);
    void clearFields();
    void enableIdentity(bool on);
    void setEditedit(bool on);
    // The client key and the names formed with it, kept with the editor.
    void showIdentifiers(const ClientRecord &r);
    void showModeCaptions();
    void focus(const QString &name);
    void restore();
    ClientRecord fromFields() const;
    // Characters typed into the fields that the client file's code page
    // would write as a base letter or "?" are named to the operator, who goes
    // on or goes back to editing (false: with the focus in the first field
    // that holds one). Nothing to name: true, unasked.
    bool codePageChangesAccepted(const ClientRecord &r);
    QString text(int number) const;
    // The companion programs write client files too. What the editor last
    // read or wrote is remembered so that Save can tell whether the file it
    // is about to replace still holds that, and ask before losing someone
    // else's change.
    struct DiskCopy {
        QString path;     // Windows path
        qint64 size = -1; // -1: the file could not be looked at after reading
        qint64 mtimeNs = 0;
        QByteArray hash;
    };
    void remember(const QString &path, const QByteArray &bytes);
    bool changedOnDisk(const QString &path) const;

    AppContext &m_main;
    ControlSurface &m_ui;
    std::unique_ptr<ClockTimer> m_timerSoubor;
    std::unique_ptr<ClockTimer> m_timer1;
    quint8 m_timerc = 0;
    int m_Languagem = 0;
    bool m_shown = false;
    std::optional<DiskCopy> m_onDisk;
    // The field whose check failed last, and the text it was reset to: left
    // again with that text, the operator has been told and may go (a date
    // not known stays a placeholder instead of holding the keyboard there).
    QString m_complainedField;
    QString m_complainedReset;
    QString m_title;
};

} // namespace zovt
