#pragma once
// The registry of the Wine prefix, read from the text files Wine saves it in
// ($WINEPREFIX/system.reg holds HKEY_LOCAL_MACHINE, user.reg HKEY_CURRENT_USER).
// The controller never writes the registry: the wineserver owns those files
// and would overwrite any change. It only looks up a few string values: the
// code page Wine recorded, the serial ports the user pinned and the regional
// date and time formats.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace zovt::winereg {

class Registry {
public:
    // Parses the text of a registry file (CR LF or LF line ends). Lines that
    // are not understood are skipped; a text that is no registry gives an
    // empty registry.
    static Registry parse(const QByteArray &text);

    // The string value 'name' of 'key'. The key is written relative to the
    // file's root with single backslashes ("Software\Wine\Ports"); keys and
    // names match case-insensitively, and keys that Wine stores as links
    // (System\CurrentControlSet -> System\ControlSet001) are followed. Absent
    // when the key or value is missing or the value is not a string. Like every
    // Windows program, it ends at the first NUL the value holds.
    std::optional<QString> string(const QString &key, const QString &name) const;

    // A value of Control Panel\International as Wine's locale functions read
    // it: whatever its type, its bytes are taken as UTF-16 text up to the
    // first NUL (a dword 000004e2 is "\u04e2"); a value of more than
    // kLocaleValueChars UTF-16 units with its terminator does not fit Wine's
    // buffer and counts as missing, so the locale's own format applies.
    std::optional<QString> localeString(const QString &key, const QString &name) const;
    static constexpr int kLocaleValueChars = 80;

private:
    struct Key {
        bool link = false;
        QHash<QString, QString> values; // lowercased name -> data as written after "="
    };
    const Key *find(const QString &key) const;
    // The data of a value as written after "=", or nullptr.
    const QString *raw(const QString &key, const QString &name) const;

    QHash<QString, Key> m_keys; // lowercased path
    QString m_root;             // "\Machine" for system.reg
};

// $WINEPREFIX/system.reg (HKEY_LOCAL_MACHINE) and $WINEPREFIX/user.reg
// (HKEY_CURRENT_USER).
QString systemRegPath();
QString userRegPath();

// The text of a registry file, read as every other file is: only a regular
// file, and at most files::cap::Registry bytes. Absent when the file is
// missing or cannot be read so.
std::optional<QByteArray> readRegistryFile(const QString &nativePath);

// A string value of the prefix's system.reg. The file is parsed again only
// when its size or modification time changed, so callers may ask often.
std::optional<QString> systemString(const QString &key, const QString &name);

} // namespace zovt::winereg
