#include "storage/DataFolder.h"

#include "storage/DataFiles.h"
#include "storage/FileIO.h"
#include "storage/Paths.h"

#include "ZovtInstallDirs.h"

#include <QDir>
#include <QFileInfo>

namespace zovt::datafolder {

namespace {

bool holdsPictures(const QString &dir) { return QFileInfo(dir + QStringLiteral("/PicWorvat")).isDir(); }

QString problemText(const std::exception &e) { return QString::fromUtf8(e.what()); }

void layInPictures(const QString &shipped, Prepared &p)
{
    const QDir from(shipped + QStringLiteral("/PicWorvat"));
    for (const QString &name : from.entryList(QDir::Files, QDir::Name)) {
        // The same name in another letter case is the same picture to Windows.
        const QString target = paths::PicDir + QLatin1Char('\\') + name;
        if (files::exists(target))
            continue;
        // A sharper twin only beside the default picture itself: next to a
        // picture of the user's own it would be shown in its place.
        if (const QString base = QString(name).remove(QStringLiteral("@2x")); base != name) {
            try {
                const QString shippedBase = from.filePath(base);
                if (files::readAll(paths::PicDir + QLatin1Char('\\') + base, files::cap::Picture)
                    != files::readNative(shippedBase, files::cap::Picture, shippedBase))
                    continue;
            } catch (const std::exception &) {
                continue;
            }
        }
        try {
            files::writeAll(target, files::readNative(from.filePath(name), files::cap::Picture, from.filePath(name)));
            p.picturesAdded << name;
        } catch (const std::exception &e) {
            p.problems << problemText(e);
        }
    }
}

void handOverDemo(const QString &shipped, Prepared &p)
{
    const QString source = shipped + QStringLiteral("/examples/demo.txt");
    if (!QFileInfo(source).isFile())
        return;
    try {
        files::makeDir(paths::OrvaTherapy);
        files::makeDir(paths::OrvaTherapy + QStringLiteral("\\Demo"));
        // A demo file the user has there already (an earlier data folder) stays.
        if (!files::exists(DemoProgram))
            files::writeAll(DemoProgram, files::readNative(source, files::cap::Document, source));
        files::writeLines(paths::ProgramHandOff, {DemoProgram});
        p.demoHandedOver = DemoProgram;
    } catch (const std::exception &e) {
        p.problems << problemText(e);
    }
}

} // namespace

QString shippedDir(const QString &executableDir)
{
    const QString candidates[] = {
        QDir::cleanPath(executableDir + QStringLiteral("/" ZOVT_SHIPPED_FROM_BINDIR)),
        QDir::cleanPath(executableDir + QStringLiteral("/" ZOVT_SHIPPED_IN_BUILD_TREE)),
        // The tools of the build tree sit one folder down.
        QDir::cleanPath(executableDir + QStringLiteral("/../" ZOVT_SHIPPED_IN_BUILD_TREE)),
    };
    for (const QString &dir : candidates)
        if (holdsPictures(dir))
            return dir;
    return {};
}

Prepared prepare(const QString &shipped)
{
    Prepared p;
    p.firstStart = !files::dirExists(paths::DataDir);
    files::makeDir(paths::DataDir);
    files::makeDir(paths::PicDir);
    if (!files::dirExists(paths::PicDir)) {
        p.problems << QStringLiteral("Cannot create the folder \"%1\".").arg(paths::PicDir);
        return p;
    }
    if (shipped.isEmpty()) {
        if (!files::exists(paths::PicRed))
            p.problems << QStringLiteral("the default pictures that come with the program are not found beside it; "
                                         "the data folder %1 lacks them.").arg(paths::PicDir);
        return p;
    }
    layInPictures(shipped, p);
    if (p.firstStart)
        handOverDemo(shipped, p);
    return p;
}

QStringList report(const Prepared &p)
{
    QStringList lines;
    if (p.firstStart)
        lines << QStringLiteral("first start: the data folder %1 is created.").arg(paths::DataDir);
    if (!p.picturesAdded.isEmpty())
        lines << QStringLiteral("%1 default picture(s) laid into %2.").arg(p.picturesAdded.size()).arg(paths::PicDir);
    if (!p.demoHandedOver.isEmpty())
        lines << QStringLiteral("the demo programs are handed over (%1).").arg(p.demoHandedOver);
    lines << p.problems;
    return lines;
}

} // namespace zovt::datafolder
