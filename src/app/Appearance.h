#pragma once
// Font sizes and colours of the three windows, as decided from the settings
// files the companion programs leave in the data folder. The decisions are
// plain functions of the values read; the readers beside them only fetch
// those values. The windows apply the results.

#include "ui/MainWindowDesign.h"

#include <QColor>
#include <QList>
#include <QPalette>
#include <QString>

#include <optional>

namespace zovt {

// --- Font sizes --------------------------------------------------------------

struct FontSizes {
    qint32 ScaleFontTXT = 10;    // the wish text and the close button
    qint32 ScaleFontTXTSec = 10; // labels, lists, client fields, buttons
    bool operator==(const FontSizes &) const = default;
};

// dataFolderScale: the byte of the data folder's font-scale file when it
// exists; toolScale: the companion tool's, consulted only when the data
// folder has none; scaleWindows: the smaller-fonts flag file exists.
FontSizes fontSizes(std::optional<quint8> dataFolderScale, std::optional<quint8> toolScale, bool scaleWindows);

// Reads the files and decides. A font-scale file that exists but is empty
// throws ReadError (a start-up read error).
FontSizes readFontSizes();

// --- Colours -----------------------------------------------------------------

enum class ColourScheme { Light, Dark };

ColourScheme colourScheme(bool darkColorFlagExists);
// From the dark-colour flag file; read at start-up and again by the language
// dialog and the client editor when they are made or opened.
ColourScheme readColourScheme();

// Colours that follow the scheme. `system` supplies the desktop colours some
// of them take (the grey-text and button-highlight colours).
struct SchemeColours {
    QColor mainWindow;     // the main window and design::schemePanels()
    QColor languageDialog; // Form9 and its radio group Language
    QColor clientEditor;   // Form2
};
SchemeColours schemeColours(ColourScheme scheme, const QPalette &system);

// The system colours the windows use, as Qt palette roles.
QColor systemGreyText(const QPalette &system);       // disabled text
QColor systemButtonHighlight(const QPalette &system); // light bevel edge
// The dark bevel edge and the main window's fixed colours: ui/MainWindowDesign.h.

} // namespace zovt
