#include "ui/LanguageDialogDesign.h"

#include "ui/DesignRows.h"
#include "core/Form9Names.h"

namespace zovt::design {

const Form &languageDialogControls()
{
    using K = Kind;
    // The languages in the order of their stored index; none is chosen until
    // the operator picks one.
    static const Form table = toForm({
        ctl(K::RadioGroup, f9::Language, "", 24, 16, 248, 300).items({"Česky", "English", "Deutsche", "Svenska", "Русский"}, -1),
        ctl(K::Button, f9::OK, "", 24, 340, 160, 56).text("OK"),
        ctl(K::Button, f9::X, "", 200, 340, 72, 56).text("X"),
    });
    return table;
}

} // namespace zovt::design
