#include "storage/CodePageSafe.h"

#include "storage/TextCodec.h"

namespace zovt {

bool inCodePage(char32_t cp) { return text::ansiHolds(cp); }

QString codePageSafe(const QString &text, QChar replacement) { return text::ansiSafe(text, replacement); }

} // namespace zovt
