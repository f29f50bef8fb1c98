#pragma once
// Qt's own texts (the buttons of message boxes, the file dialog, the context
// menus of fields) in the interface language, from the translations that
// come with Qt.

#include <QString>

namespace zovt::qtlang {

// The locale name of a language index (0 Czech to 4 Russian); empty for an
// index outside them.
QString localeName(int Languagem);

// Installs Qt's translations for the language, replacing those installed
// before. English, an unknown index and a language without translations
// leave Qt's own English; false when translations were wanted but none was
// found.
bool install(int Languagem);

} // namespace zovt::qtlang
