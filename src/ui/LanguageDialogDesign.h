#pragma once
// The design of the language dialog Form9 as data.

#include "core/FormDesign.h"

#include <QSize>

namespace zovt::design {

inline constexpr QSize LanguageDialogSize{296, 420};

const Form &languageDialogControls();

} // namespace zovt::design
