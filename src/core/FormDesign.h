#pragma once
// A window's design as data: every named control with its kind, its panel,
// its place at the design size and its state before any operation touches
// it. The real windows are built from such a table, and a headless surface
// takes the very same states and refuses the same names and operations.

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

namespace zovt::design {

enum class Kind {
    Panel,       // QFrame; children are placed relative to it
    Button,      // QPushButton
    GlassButton, // QPushButton drawn as a rounded glass button
    Label,       // QLabel with text
    CheckBox,    // QCheckBox
    RadioGroup,  // QGroupBox of QRadioButtons; index = the checked item
    ListBox,     // a list view of lines (ui/LineList); index = the selected row
    Memo,        // QPlainTextEdit, line by line; the program rows: ColumnMemo, a list view
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
    bool wrap = false;    // a list whose long lines wrap at its width
    int minimum = 0;      // scroll bar range
    int maximum = 0;
};

using Form = QList<Control>;

// The row of a name in a form, or nullptr.
const Control *findIn(const Form &form, const QString &name);

} // namespace zovt::design
