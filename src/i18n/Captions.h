#pragma once
// Which control gets which catalogue text: the caption tables of the main
// window and the client editor, the item texts of the language dialog, and
// the functions that put a table onto a window's controls.

#include "i18n/Catalogue.h"

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace zovt {

class ControlSurface;

// A line of a caption list that stays empty.
inline constexpr int BlankLine = -1;

// One control and the catalogue number of its caption.
struct Caption {
    QString control; // objectName
    int number = 0;
};

// A list box filled line by line; each line a catalogue number or BlankLine.
struct CaptionList {
    QString control;
    QList<int> lines;
};

// Captions are applied first, in their order, then the lists.
struct CaptionTable {
    QList<Caption> captions;
    QList<CaptionList> lists;

    // The text lines of a list in a language.
    static QStringList linesOf(const CaptionList &list, const Texts &texts);
};

namespace captions {

// Main window, start-up: the captions and the two help lists (`PopisPT1`,
// `PopisPT2`) set right after the font sizes.
const CaptionTable &mainWindowStartup();
// Main window, start-up: `OpenPopis` and `Konec`, set a little later.
const CaptionTable &mainWindowLate();

// Client editor, every time it opens (its `Language` operation).
const CaptionTable &clientEditor();
// Client editor: the name labels for a person and for an animal.
const CaptionTable &clientEditorPerson();
const CaptionTable &clientEditorAnimal();
// Client editor: its window title, text 2001 followed by " / Edit".
inline constexpr int ClientEditorTitleNumber = 2001;
QString clientEditorTitle(const Texts &texts);

// Items of the language dialog's radio group `Language`, in the order of the
// language index. They are the same in every language.
const QStringList &languageDialogItems();

} // namespace captions

// The tool tip of a control without a caption of its own: catalogue texts,
// one per line, long lines wrapped at blanks (a plain tool tip never wraps).
struct ToolTip {
    QString control; // objectName
    QList<int> numbers;

    static constexpr int WrapColumn = 60;
    QString text(const Texts &texts) const;
};

namespace captions {
// The main window: the lighting toggles, their auxiliary buttons, icons and
// lamps, and the three "i" buttons.
const QList<ToolTip> &mainWindowToolTips();
} // namespace captions

// Sets the tool tips on a widget tree; names that are not there are skipped.
void applyToolTips(QWidget *root, const QList<ToolTip> &tips, const Texts &texts);

// Puts a caption table onto the window's controls; every control of the
// table must be known to the surface. The real window's surface
// (WidgetSurface) sets each kind of widget as it takes a caption.
void applyCaptions(ControlSurface &ui, const CaptionTable &table, const Texts &texts);

// The name a screen reader gives a control that says nothing by itself: a
// field whose label stands beside it, a button showing a symbol (">", "X",
// "⚙"), a list, a toggle or a picture the operator can act on. A control
// with a caption of its own is named by it and needs no row here.
struct AccessibleName {
    QString control;     // objectName
    int item = -1;       // the item of a radio group; -1: the control itself
    QList<int> numbers;  // catalogue texts, after the labels' texts
    QStringList labels;  // objectNames of the labels whose current texts name it
    QString suffix;      // appended after a blank ("2" for a second line)

    // Texts end without the colon a label carries; %1 in a text takes the suffix.
    QString text(const Texts &texts, QWidget *root) const;
};

namespace captions {
const QList<AccessibleName> &mainWindowAccessibleNames();
const QList<AccessibleName> &clientEditorAccessibleNames();
const QList<AccessibleName> &languageDialogAccessibleNames();
} // namespace captions

// Sets the accessible names of a table onto a window's controls, in the
// language of 'texts'; labels are read as they show now.
void applyAccessibleNames(QWidget *root, const QList<AccessibleName> &names, const Texts &texts);

} // namespace zovt
