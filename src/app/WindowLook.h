#pragma once
// Putting the decided colours on the dialog windows.

#include "app/Appearance.h"

class QWidget;

namespace zovt {

class TForm9;

// The client editor's background for the scheme. The editor calls it each
// time it opens (its Language operation), with the scheme read then.
void applyClientEditorColour(QWidget *clientEditor, ColourScheme scheme);
// The language dialog and its radio group, when the dialog is made.
void applyLanguageDialogColour(TForm9 &dialog, ColourScheme scheme);

} // namespace zovt
