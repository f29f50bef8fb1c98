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
    // One per printed line of the preview: built by hand rather than by a
    // chain of arg() copies.
    const auto padded = [](qint64 v, int width) { return QString::number(v).rightJustified(width, QLatin1Char('0')); };
    QString out = QString::number(h);
    out += QLatin1Char(':');
    out += padded(m, 2);
    out += QLatin1Char(':');
    out += padded(s, 2);
    out += QLatin1Char('.');
    out += padded(ms % 1000, 3);
    return out;
}

bool makeScratchPrefix(const QString &dir)
{
    if (!QDir().mkpath(dir + QStringLiteral("/drive_c")) || !QDir().mkpath(dir + QStringLiteral("/dosdevices")))
        return false;
    const QString z = dir + QStringLiteral("/dosdevices/z:");
    return QFileInfo(z).isSymLink() || QFile::link(QStringLiteral("/"), z);
}

} // namespace zovt
