#include "storage/FileVisible.h"

#include "core/Clock.h"
#include "storage/DataFiles.h"

namespace zovt {

void waitUntilVisible(Clock &clock, const QString &winPath, const std::function<void()> &pause, int boundMs)
{
    const qint64 start = clock.nowMs();
    while (!files::fileExists(winPath)) {
        if (clock.nowMs() - start >= boundMs)
            throw WriteError(QStringLiteral("Cannot create file \"%1\". It did not appear within %2 ms")
                                 .arg(winPath)
                                 .arg(boundMs)
                                 .toStdString());
        pause();
    }
}

} // namespace zovt
