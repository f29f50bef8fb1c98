#include "ui/ControlSurface.h"

#include "storage/DataFiles.h"
#include "storage/FileError.h"

namespace zovt {

const MemorySurface::State &MemorySurface::get(const QString &name) const
{
    static const State none;
    auto it = m_states.constFind(name);
    return it == m_states.cend() ? none : *it;
}

QString MemorySurface::line(const QString &name, int i) const
{
    const QStringList &l = get(name).lines;
    return i >= 0 && i < l.size() ? l.at(i) : QString();
}

void MemorySurface::setLine(const QString &name, int i, const QString &text)
{
    QStringList &l = at(name).lines;
    if (i < 0)
        return;
    while (l.size() <= i)
        l.append(QString());
    l[i] = text;
}

void MemorySurface::showPicture(const QString &name, const QString &winPath)
{
    if (m_loadPictures && !files::fileExists(winPath))
        throw ReadError(QStringLiteral("Cannot open picture \"%1\"").arg(winPath).toStdString());
    at(name).picture = winPath;
}

} // namespace zovt
