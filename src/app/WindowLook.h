#pragma once
// Putting the decided colours and looks on the widgets of the windows.

#include "app/Appearance.h"

#include <QColor>
#include <QPalette>
#include <QString>

class QPushButton;
class QWidget;

namespace zovt {

class TForm9;

// The background of a widget in one palette role; a panel or a window fills
// its background with it.
void setBackground(QWidget *widget, QPalette::ColorRole role, const QColor &colour);

// The client editor's background for the scheme. The editor calls it each
// time it opens (its Language operation), with the scheme read then.
void applyClientEditorColour(QWidget *clientEditor, ColourScheme scheme);
// The language dialog and its radio group, when the dialog is made.
void applyLanguageDialogColour(TForm9 &dialog, ColourScheme scheme);

// A rounded glass button: solid face, caption in the foreground colour, and
// the glow colour lighting it up while the mouse is over it.
QString glassStyleSheet(const GlassLook &look);
void applyGlass(QPushButton *button, const GlassLook &look);

} // namespace zovt
