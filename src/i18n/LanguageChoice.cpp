#include "i18n/LanguageChoice.h"
#include "core/Form9Names.h"

#include "core/ControlSurface.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"

namespace zovt {

LanguageChoice::LanguageChoice(ControlSurface &ui) : m_ui(ui) {}

void LanguageChoice::OKClick()
{
    const int chosen = m_ui.index(QString::fromLatin1(f9::Language));
    if (chosen < 0) {
        XClick();
        return;
    }
    files::writeInteger(paths::LangFile, chosen);
    if (endApplication)
        endApplication();
}

void LanguageChoice::XClick()
{
    if (closeDialog)
        closeDialog();
}

} // namespace zovt
