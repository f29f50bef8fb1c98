#pragma once
// A client carried in a program section header:
// "=" surname ";" name ";" character ";" day "." month "." year ";" address 1
// ";" address 2 ";" note 1 ";" note 2 ";" phone ";" e-mail ";"

#include "clients/ClientRecord.h"

#include <QString>

namespace zovt {

// The fields of the client line in 'line' (the text after its first "=";
// the whole line when there is none). Nothing is validated or trimmed; a line
// that runs out of separators repeats its remaining text in every later
// field. Only the displayed fields are set: no animal mark, key or other
// identifier.
ClientRecord parseClientLine(const QString &line);

} // namespace zovt
