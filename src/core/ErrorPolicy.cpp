#include "core/ErrorPolicy.h"

#include "core/Clock.h"
#include "core/Excerpt.h"

#include <cstdio>

namespace zovt {

ErrorKind errorKind(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const ExitUnwind &) {
        return ErrorKind::Exit;
    } catch (const ProgramEndingError &) {
        return ErrorKind::EndsProgram;
    } catch (const std::logic_error &) {
        return ErrorKind::Programming;
    } catch (...) {
        return ErrorKind::EndsOperation;
    }
}

QString errorMessage(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("unknown error");
    }
}

void logError(const char *where, const std::exception_ptr &error, const char *note)
{
    const QString prefix = QString::fromUtf8(where) + QStringLiteral(": ")
                           + (note && *note ? QString::fromUtf8(note) + QStringLiteral(": ") : QString());
    std::fprintf(stderr, "zovt: %s%s\n", qPrintable(prefix), qPrintable(excerpt(errorMessage(error), kMessageChars)));
}

} // namespace zovt
