#include "storage/WinPath.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace zovt::winpath {

QString prefix()
{
    const QString p = qEnvironmentVariable("WINEPREFIX");
    if (!p.isEmpty())
        return QDir::cleanPath(p);
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.wine"));
}

QString prefixProblem()
{
    const QString p = qEnvironmentVariable("WINEPREFIX");
    if (p.isEmpty() || QDir::isAbsolutePath(p))
        return QString();
    return QStringLiteral("WINEPREFIX must be an absolute path, not \"%1\" (Wine refuses it too)").arg(p);
}

QString driveDirectory(QChar letter)
{
    const QChar l = letter.toLower();
    const QString dos = prefix() + QStringLiteral("/dosdevices/") + l + QLatin1Char(':');
    if (l == QLatin1Char('c') && !QFileInfo(dos).isDir())
        return prefix() + QStringLiteral("/drive_c");
    // Every prefix Wine makes links z: to the root; a prefix made without
    // Wine has no link, and a file dialog's path outside every drive (given
    // as Z:) must still be found. A z: that is there, even dangling, wins.
    if (l == QLatin1Char('z') && !QFileInfo::exists(dos) && !QFileInfo(dos).isSymLink())
        return QStringLiteral("/");
    return dos;
}

namespace {

bool hasDrive(const QString &p)
{
    return p.size() >= 2 && p.at(1) == QLatin1Char(':') && p.at(0).isLetter() && p.at(0).unicode() < 128;
}

// Appends one component, matching an existing entry case-insensitively when
// the exact name does not exist.
QString appendComponent(const QString &dir, const QString &name)
{
    if (name.isEmpty() || name == QLatin1String("."))
        return dir;
    if (name == QLatin1String(".."))
        return QFileInfo(dir).path();
    const QString exact = dir + QLatin1Char('/') + name;
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink())
        return exact;
    QDir d(dir.isEmpty() ? QStringLiteral("/") : dir);
    if (d.exists()) {
        const QStringList entries = d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &e : entries)
            if (e.compare(name, Qt::CaseInsensitive) == 0)
                return dir + QLatin1Char('/') + e;
    }
    return exact;
}

} // namespace

QString windowsName(const QString &component)
{
    qsizetype n = component.size();
    while (n > 0 && (component.at(n - 1) == QLatin1Char(' ') || component.at(n - 1) == QLatin1Char('.')))
        --n;
    return component.left(n);
}

bool validName(const QString &component)
{
    for (const QChar c : component)
        if (c.unicode() < 0x20 || QStringView(u"<>:\"|?*").contains(c))
            return false;
    return true;
}

QString driveProblem(const QString &windowsPath)
{
    if (!hasDrive(windowsPath))
        return QString();
    const QChar letter = windowsPath.at(0).toUpper();
    if (QFileInfo(driveDirectory(letter)).isDir())
        return QString();
    return QStringLiteral("Drive %1: leads nowhere in the Wine prefix \"%2\" (no folder at dosdevices/%3:).")
        .arg(letter, prefix(), letter.toLower());
}

QString toNative(const QString &windowsPath)
{
    QString p = windowsPath;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool windows = hasDrive(p);
    QString base;
    if (windows) {
        base = driveDirectory(p.at(0));
        if (base == QLatin1String("/"))
            base.clear(); // the root: components are joined with a "/" of their own
        p = p.mid(2);
    } else if (p.startsWith(QLatin1Char('/'))) {
        base = QString();
    } else {
        base = QStringLiteral(".");
    }
    const QStringList parts = p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString out = base;
    for (QString c : parts) {
        if (windows) {
            if (c == QLatin1String("..") && out == base)
                continue; // as on Windows, nothing lies above a drive's root
            if (c != QLatin1String(".") && c != QLatin1String("..")) {
                // Never let such a name reach the file system: the file is
                // simply not there.
                if (!validName(c))
                    return QString();
                c = windowsName(c);
            }
        }
        out = appendComponent(out, c);
    }
    if (out.isEmpty())
        out = QStringLiteral("/");
    // Keep a trailing separator: folder paths such as the client folder end with one.
    if (windowsPath.endsWith(QLatin1Char('\\')) || windowsPath.endsWith(QLatin1Char('/')))
        if (!out.endsWith(QLatin1Char('/')))
            out += QLatin1Char('/');
    return out;
}

QString toWindows(const QString &nativePath)
{
    const QString abs = QDir::cleanPath(QFileInfo(nativePath).absoluteFilePath());
    const QString canon = QFileInfo(abs).canonicalFilePath();
    QString bestRest;
    QChar bestDrive;
    int bestLen = -1;
    for (char c = 'a'; c <= 'z'; ++c) {
        const QChar letter = QLatin1Char(c);
        const QString dir = driveDirectory(letter);
        QFileInfo di(dir);
        if (!di.isDir())
            continue;
        QStringList roots{QDir::cleanPath(di.absoluteFilePath())};
        const QString dirCanon = di.canonicalFilePath();
        if (!dirCanon.isEmpty())
            roots << dirCanon;
        for (const QString &root : roots) {
            for (const QString &candidate : {abs, canon}) {
                if (candidate.isEmpty())
                    continue;
                const bool under = root == QLatin1String("/")
                    ? true
                    : (candidate == root || candidate.startsWith(root + QLatin1Char('/')));
                if (!under)
                    continue;
                // The most specific drive wins; Z: (usually "/") only as a last resort.
                const int len = root == QLatin1String("/") ? 0 : int(root.size());
                if (len > bestLen) {
                    bestLen = len;
                    bestDrive = letter.toUpper();
                    bestRest = root == QLatin1String("/") ? candidate.mid(1) : candidate.mid(root.size() + 1);
                }
            }
        }
    }
    if (bestLen > 0) {
        QString rest = bestRest;
        rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
        return QString(bestDrive) + QStringLiteral(":\\") + rest;
    }
    QString rest = abs;
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (rest.startsWith(QLatin1Char('\\')))
        rest = rest.mid(1);
    return QStringLiteral("Z:\\") + rest;
}

void ensureDriveC()
{
    const QString dir = driveDirectory(QLatin1Char('c'));
    if (!QFileInfo(dir).isDir())
        QDir().mkpath(dir);
}

} // namespace zovt::winpath
