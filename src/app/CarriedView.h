#pragma once
// What was shown, carried from one run of the program to the next when it
// starts itself again (a language change): the next run shows the same
// client, program file and program. It travels in the environment, which
// the new run inherits and removes at once, so no program started later
// sees it.

#include "app/Application.h"

#include <QByteArray>

#include <optional>

namespace zovt::carriedview {

inline constexpr char kVariable[] = "ZOVT_SHOWN_VIEW";

QByteArray encode(const ShownView &view);
// nullopt for anything that is not a whole view.
std::optional<ShownView> decode(const QByteArray &text);

// Puts the view into this process's environment for the next run.
void carry(const ShownView &view);
// The view an earlier run carried over, removed from the environment.
std::optional<ShownView> take();

} // namespace zovt::carriedview
