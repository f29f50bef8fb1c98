#include "playback/Schedule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zovt {

QString scheduleTime(qint64 ms)
{
    const qint64 h = ms / 3600000;
    const qint64 m = ms / 60000 % 60;
    const qint64 s = ms / 1000 % 60;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(h)
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

bool makeScratchPrefix(const QString &dir)
{
    if (!QDir().mkpath(dir + QStringLiteral("/drive_c")) || !QDir().mkpath(dir + QStringLiteral("/dosdevices")))
        return false;
    const QString z = dir + QStringLiteral("/dosdevices/z:");
    return QFileInfo(z).isSymLink() || QFile::link(QStringLiteral("/"), z);
}

} // namespace zovt
