#include "app/WindowLook.h"

#include "ui/LanguageDialog.h"
#include "ui/WidgetLook.h"

#include <QGuiApplication>
#include <QWidget>

namespace zovt {

void applyClientEditorColour(QWidget *clientEditor, ColourScheme scheme)
{
    setBackground(clientEditor, QPalette::Window, schemeColours(scheme, QGuiApplication::palette()).clientEditor);
}

void applyLanguageDialogColour(TForm9 &dialog, ColourScheme scheme)
{
    dialog.applyColour(schemeColours(scheme, QGuiApplication::palette()).languageDialog);
}

} // namespace zovt
