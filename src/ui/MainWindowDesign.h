#pragma once
// The design of the main window (Unit19) as data: every named control with
// its kind, its panel, its place at the design size and its state before
// start-up touches it. The real window (TForm19) is built from this table,
// and a headless MemorySurface made from it takes the very same states, so
// controllers behave alike on both.

#include "core/FormDesign.h"
#include "ui/WidgetLook.h"

#include <QColor>
#include <QList>
#include <QPalette>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace zovt {

namespace design {

// Client area at the design size.
inline constexpr QSize ClientSize{1030, 617};
// What the design's window frame adds to the client area (borders and
// title bar). The resize rules take the outer size of a window with this
// frame: window managers draw frames of every thickness, and the controls
// live in the client area. The borders are as thin as keeps the progress
// strip, which the rules place from the outer right edge, inside the client
// area at the design size.
inline constexpr QSize DesignFrame{14, 38};

// Caption of the main window: the product name, 80 blanks and the address of
// the project's own site.
QString windowTitle();

// The window's own controls and panels in reading order, for Tab: the left
// column from the top, the program list, then the playback side.
const QStringList &mainWindowReadingOrder();

// Design font: Tahoma 8 point where installed, else the closest sans font.
inline constexpr int DesignPointSize = 8;
QString designFontFamily();

// All named controls of the main window; parents come before their children
// and later siblings lie on top of earlier ones.
const Form &mainWindowControls();
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
// The system's active-border colour has no Qt palette role; the window takes
// the grey that Windows gives it by default.
inline const QColor ActiveBorder{180, 180, 180};
// Labels of the client panel (fixed background colour).
const QStringList &clientPanelLabels();

// The glass buttons: the lighting switches on the shaded face, and the
// settings button, black with a large caption, lit from within.
inline const GlassLook SwitchGlass{.caption = Qt::white,
                                   .captionPixelSize = 0,
                                   .cornerRadius = 10,
                                   .face = QColor(),
                                   .rim = GlassGlow,
                                   .glow = GlassGlow,
                                   .glowLightsFace = false,
                                   .pressedFace = QColor(0x30, 0x30, 0x30),
                                   .disabledRim = QColor(0x50, 0x50, 0x50)};
inline const GlassLook SettingGlass{.caption = Qt::white,
                                    .captionPixelSize = 20,
                                    .cornerRadius = 10,
                                    .face = Qt::black,
                                    .rim = QColor(64, 64, 64),
                                    .glow = GlassGlow,
                                    .glowLightsFace = true,
                                    .pressedFace = GlassGlow,
                                    .disabledRim = QColor()};

} // namespace design

// One background to set: the control's palette role gets the colour. Panels
// and labels paint QPalette::Window, edits, lists and memos QPalette::Base.
struct ColourAssignment {
    QString control;
    QPalette::ColorRole role = QPalette::Window;
    QColor colour;
    bool operator==(const ColourAssignment &) const = default;
};

// The system's dark bevel edge.
QColor systemButtonShadow(const QPalette &system);

// The main window's colours that do not follow the scheme; the window
// applies exactly these.
QList<ColourAssignment> fixedColours(const QPalette &system);

} // namespace zovt
