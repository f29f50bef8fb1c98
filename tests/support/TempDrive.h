#pragma once
// A throw-away Wine prefix for one test: WINEPREFIX points at a temporary
// folder whose drive C: is empty, so tests never touch the user's files.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace zovt {
class MemorySurface;
}

namespace zovt::test {

// Makes a headless surface refuse a picture that is not on the drive, as the
// real window does.
void checkPictures(MemorySurface &ui);

class TempDrive {
public:
    TempDrive();
    ~TempDrive();
    TempDrive(const TempDrive &) = delete;
    TempDrive &operator=(const TempDrive &) = delete;

    QString prefix() const { return m_dir.path(); }
    // Native path of a Windows path inside this prefix.
    QString native(const QString &winPath) const;
    // Writes bytes to a Windows path, creating its folders.
    void put(const QString &winPath, const QByteArray &bytes) const;
    QByteArray get(const QString &winPath) const;
    bool has(const QString &winPath) const;
    // Copies the project's default pictures into C:\WooZovDaz9\PicWorvat.
    void installPictures() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPrefix;
    bool m_hadPrefix = false;
};

// Folder of the public image suites (pngsuite/, jpeg/), or empty.
QString sharedTestData();

} // namespace zovt::test
