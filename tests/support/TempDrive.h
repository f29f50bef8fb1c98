#pragma once
// A throw-away Wine prefix for one test: WINEPREFIX points at a temporary
// folder whose drive C: is empty, so tests never touch the user's files.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace zovt {
class MemorySurface;
}

namespace zovt::test {

// Makes a headless surface refuse a picture that is not on the drive, as the
// real window does.
void checkPictures(MemorySurface &ui);

// The locale variables that the code page and the default date formats
// follow, set for one test and restored after it: LC_ALL unset, LC_CTYPE and
// LC_MESSAGES as given (empty: unset), LANG as given unless null. The names
// given count as installed locales while it lasts, whatever the machine has.
class UnixLocale {
public:
    UnixLocale(const QByteArray &ctype, const QByteArray &messages, const QByteArray &lang = QByteArray());
    ~UnixLocale();
    UnixLocale(const UnixLocale &) = delete;
    UnixLocale &operator=(const UnixLocale &) = delete;

private:
    struct Saved {
        const char *name;
        bool set;
        QByteArray value;
    };
    QList<Saved> m_saved;
    std::function<bool(const QString &)> m_accepts;
};

// Every temporary drive is a Czech prefix, the family's home: Windows-1250
// text and Czech date formats, whatever the machine's locale.
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
    UnixLocale m_locale{"cs_CZ.UTF-8", "cs_CZ.UTF-8"};
    QTemporaryDir m_dir;
    QByteArray m_oldPrefix;
    bool m_hadPrefix = false;
};

// A fixture's first base, so that the drive is there before the members of
// the bases after it are made (they read their files as they are).
struct WithDrive {
    TempDrive drive;
};

// Folder of the public image suites (pngsuite/, jpeg/), or empty.
QString sharedTestData();

} // namespace zovt::test
