#pragma once
// The design of the main window as data: every named control with its kind,
// its panel, its place at the design size and its state before start-up
// touches it. The real window (TForm19) is built from this table, and
// applyDesignState gives a headless MemorySurface the very same states, so
// controllers behave alike on both.

#include <QColor>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace zovt {

class MemorySurface;

namespace design {

enum class Kind {
    Panel,       // QFrame; children are placed relative to it
    Button,      // QPushButton
    GlassButton, // QPushButton drawn as a rounded glass button
    Label,       // QLabel with text
    CheckBox,    // QCheckBox
    RadioGroup,  // QGroupBox of QRadioButtons; index = the checked item
    ListBox,     // QListWidget; index = the selected row
    Memo,        // QPlainTextEdit, line by line
    Edit,        // QLineEdit, one line
    Picture,     // QLabel showing a stretched pixmap
    ScrollBar,   // horizontal QScrollBar; index = its position
    State,       // a hidden control that only holds a value: no widget
};

struct Control {
    QString name;
    Kind kind = Kind::State;
    QString parent;       // name of the panel; empty: the window itself
    QRect geometry;       // relative to the parent, at the design size
    bool visible = true;
    bool enabled = true;
    QString caption;      // language-independent or Czech design text
    QStringList items;    // radio group items, initial lines of lists
    int index = -1;       // radio item, list row, scroll bar position
    bool checked = false;
    bool readOnly = false;
    bool fill = false;    // the control fills its parent panel
    int minimum = 0;      // scroll bar range
    int maximum = 0;
};

// Client area at the design size.
inline constexpr QSize ClientSize{1030, 617};

// Caption of the main window: the product name, 80 blanks and the address of
// the project's own site.
QString windowTitle();

// Design font: Tahoma 8 point where installed, else the closest sans font.
inline constexpr int DesignPointSize = 8;
QString designFontFamily();

// All named controls of the main window; parents come before their children
// and later siblings lie on top of earlier ones.
const QList<Control> &mainWindowControls();
// The row of a name, or nullptr.
const Control *findControl(const QString &name);

// Controls that take the secondary font size, in the order they are set,
// and those that take the main size.
const QStringList &secondaryFontControls();
const QStringList &mainFontControls();

// The colour scheme: the window and these panels take the scheme colour.
const QStringList &schemePanels();
QColor schemeColour(bool dark);

// Colours that do not follow the scheme.
inline const QColor ClientLabelColour{99, 204, 254};
inline const QColor SkyBlue{166, 202, 240};
inline const QColor ComStripGrey{128, 128, 128};
inline const QColor GlassGlow{141, 189, 255};
// The system's active-border colour has no Qt palette role; this is its usual
// value on the desktop the program comes from.
inline const QColor ActiveBorder{180, 180, 180};
// Labels of the client panel (fixed background colour).
const QStringList &clientPanelLabels();

} // namespace design

// Gives a memory surface the design state of every control of the main
// window (enabled, visible, caption, checked, index, lines).
void applyDesignState(MemorySurface &surface);

} // namespace zovt
