#include "app/ClientEditorBinding.h"
#include "core/Form2Names.h"

#include "app/Application.h"
#include "app/WindowLook.h"
#include "clients/ClientEditor.h"
#include "core/WindowState.h"
#include "i18n/Captions.h"
#include "ui/ClientEditorWindow.h"

#include <QAbstractButton>

namespace zovt {

void bindClientEditor(TForm2 &form, Application &app)
{
    ClientEditor &editor = app.clientEditor();
    // Screen readers take the fields' names from the labels beside them, as
    // they read now (a person's or an animal's).
    const auto name = [&form, &app] {
        applyAccessibleNames(&form, captions::clientEditorAccessibleNames(),
                             Texts{app.state().Languagem, &Catalogue::clientEditor()});
    };
    editor.hooks.show = [&form, name] {
        name();
        form.show();
        form.raise();
        form.activateWindow();
    };
    editor.hooks.hide = [&form] { form.hide(); };
    editor.hooks.centre = [&form] { form.centreOnScreen(); };
    editor.hooks.colour = [&form](bool dark) { applyClientEditorColour(&form, colourScheme(dark)); };
    editor.hooks.title = [&form](const QString &title) { form.setWindowTitle(title); };
    editor.hooks.focus = [&form](const QString &name) { form.focusControl(name); };

    form.fieldExit = [&app, &editor](const QString &name) {
        bool passed = true;
        app.run("fieldExited", [&] { passed = editor.fieldExited(name); });
        return passed;
    };
    QObject::connect(&form, &TForm2::fieldEdited, &form,
                     [&app, &editor](const QString &name) { app.run("fieldEdited", [&] { editor.fieldEdited(name); }); });
    QObject::connect(&form, &TForm2::enterPressed, &form,
                     [&app, &editor](const QString &name) { app.run("enterPressed", [&] { editor.enterPressed(name); }); });

    // The close box does what Konec does: the window only hides.
    QObject::connect(&form, &TForm2::closed, &form, [&app, &editor] { app.run(f2::Konec, [&] { editor.Konec(); }); });

    const auto onClick = [&form, &app, name](const char *button, void (ClientEditor::*op)()) {
        QObject::connect(form.control<QAbstractButton>(button), &QAbstractButton::clicked, &form,
                         [&form, &app, button, op, name] {
                             // A field left for this button is checked first; a
                             // failed check keeps the focus there and the click
                             // does nothing.
                             if (!form.settleFieldExit())
                                 return;
                             app.run(button, [&app, op] { (app.clientEditor().*op)(); });
                             name();
                         });
    };
    onClick(f2::Save, &ClientEditor::Save);
    onClick(f2::Zvire, &ClientEditor::Zvire);
    onClick(f2::Novy, &ClientEditor::Novy);
    onClick(f2::Edit, &ClientEditor::Edit);
    onClick(f2::Konec, &ClientEditor::Konec);
}

} // namespace zovt
