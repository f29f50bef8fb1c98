#include "core/ControlSurface.h"
#include "storage/CodePage.h"
#include "storage/DataFiles.h"
#include "storage/FileError.h"
#include "support/TempDrive.h"

#include "storage/WinPath.h"
#include "storage/WineLocale.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace zovt::test {

void checkPictures(MemorySurface &ui)
{
    ui.setPictureLoader([](const QString &winPath) {
        if (!files::fileExists(winPath))
            throw ReadError(QStringLiteral("Cannot open picture \"%1\"").arg(winPath).toStdString());
    });
}

UnixLocale::UnixLocale(const QByteArray &ctype, const QByteArray &messages, const QByteArray &lang)
{
    for (const char *name : {"LC_ALL", "LC_CTYPE", "LC_MESSAGES", "LANG"})
        m_saved.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
    const auto set = [](const char *name, const QByteArray &value) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    qunsetenv("LC_ALL");
    set("LC_CTYPE", ctype);
    set("LC_MESSAGES", messages);
    if (!lang.isNull())
        set("LANG", lang);
    QStringList installed;
    for (const QByteArray &name : {ctype, messages, lang})
        if (!name.isEmpty())
            installed << QString::fromLocal8Bit(name);
    m_accepts = winelocale::setAccepts([installed](const QString &name) {
        return installed.contains(name) || winelocale::cLibraryAccepts(name);
    });
    codepage::reset();
}

UnixLocale::~UnixLocale()
{
    for (const Saved &s : m_saved) {
        if (s.set)
            qputenv(s.name, s.value);
        else
            qunsetenv(s.name);
    }
    winelocale::setAccepts(m_accepts);
    codepage::reset();
}

TempDrive::TempDrive()
{
    m_hadPrefix = qEnvironmentVariableIsSet("WINEPREFIX");
    m_oldPrefix = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", m_dir.path().toLocal8Bit());
    QDir().mkpath(m_dir.path() + QStringLiteral("/drive_c"));
}

TempDrive::~TempDrive()
{
    if (m_hadPrefix)
        qputenv("WINEPREFIX", m_oldPrefix);
    else
        qunsetenv("WINEPREFIX");
}

QString TempDrive::native(const QString &winPath) const { return winpath::toNative(winPath); }

void TempDrive::put(const QString &winPath, const QByteArray &bytes) const
{
    const QString n = native(winPath);
    QDir().mkpath(QFileInfo(n).path());
    QFile f(n);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(n));
    f.write(bytes);
}

QByteArray TempDrive::get(const QString &winPath) const
{
    QFile f(native(winPath));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool TempDrive::has(const QString &winPath) const { return QFileInfo::exists(native(winPath)); }

void TempDrive::installPictures() const
{
    const QString from = QStringLiteral(ZOVT_SOURCE_DIR "/data/PicWorvat");
    const QString to = native(QStringLiteral("C:\\WooZovDaz9\\PicWorvat"));
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QFile::copy(it.filePath(), to + QLatin1Char('/') + it.fileName());
    }
}

QString sharedTestData()
{
    const QString env = qEnvironmentVariable("ZOVT_TESTDATA");
    QStringList candidates;
    if (!env.isEmpty())
        candidates << env;
    candidates << QStringLiteral(ZOVT_SOURCE_DIR "/../shared/testdata") << QStringLiteral("/work/shared/testdata");
    for (const QString &c : candidates)
        if (QFileInfo(c + QStringLiteral("/pngsuite/MANIFEST.tsv")).exists())
            return QDir::cleanPath(c);
    return QString();
}

} // namespace zovt::test
