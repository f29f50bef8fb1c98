#pragma once
// The checks the client editor runs (fieldExited) when the focus leaves the
// birth date, phone or e-mail field: what the field shows first, whether the
// text passes, and if not, which message the operator sees and what the field
// goes back to.

#include <QString>

namespace zovt {

struct FieldVerdict {
    QString shown;     // the text after the check's preparation ("5" becomes "05")
    bool valid = true;
    int message = 0;   // editor catalogue number of the message when not valid
    QString reset;     // the field's text after a failed check
};

// A field without a check passes unchanged.
FieldVerdict checkField(const QString &name, const QString &text);

// Whether name is one of the fields checked on leaving.
bool isCheckedField(const QString &name);

} // namespace zovt
