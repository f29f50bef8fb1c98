#pragma once
// What makes the windows usable with a screen reader and the keyboard alone,
// beyond the names the caption tables give: the windows' roles, Return and
// Enter on a focused button, a picture that acts as a button, controls
// covered by another left out of the Tab chain, and Tab in reading order.

#include <QStringList>

class QLabel;
class QWidget;

namespace zovt::accessibility {

// Once per application: the windows report themselves as a frame (the main
// window) and as dialogs (the client editor, the language dialog), and
// Return or Enter presses the focused button of every window that is not a
// Qt dialog (those have their own default buttons).
void install();

// A picture the operator clicks becomes reachable by Tab, shows a focus
// frame, and reports itself as a button; its window turns Return, Enter and
// Space on it into the click.
void makePictureButton(QLabel *picture);

// A control lying exactly under a later sibling is out of the Tab chain
// while that sibling shows (two Stop buttons in one place are one stop).
void keepCoveredOutOfTabChain(QWidget *window);

// Tab goes through 'containers' (objectNames of the window's own controls
// and panels) in this order, and within each from left to right, top to
// bottom, a nested panel where it lies.
void setReadingOrder(QWidget *window, const QStringList &containers);

} // namespace zovt::accessibility
