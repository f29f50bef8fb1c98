#include "storage/WineRegistry.h"

#include "storage/FileIO.h"
#include "storage/WinPath.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>

namespace zovt::winereg {

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool isOctal(QChar c) { return c.unicode() >= '0' && c.unicode() <= '7'; }

// Reads Wine's escaped text from s[i] up to the unescaped 'close' (which is
// consumed). Escapes: \a \b \e \f \n \r \t \v, \x with up to four hex digits,
// up to three octal digits, and a backslash before any other character
// standing for that character. False when the text ends before 'close'.
bool unescape(QStringView s, qsizetype &i, QChar close, QString &out)
{
    while (i < s.size()) {
        QChar c = s[i++];
        if (c == close)
            return true;
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (i >= s.size())
            return false;
        c = s[i++];
        switch (c.unicode()) {
        case 'a': out += QChar(0x07); break;
        case 'b': out += QChar(0x08); break;
        case 'e': out += QChar(0x1b); break;
        case 'f': out += QChar(0x0c); break;
        case 'n': out += QChar(0x0a); break;
        case 'r': out += QChar(0x0d); break;
        case 't': out += QChar(0x09); break;
        case 'v': out += QChar(0x0b); break;
        case 'x': {
            uint v = 0;
            int digits = 0;
            while (digits < 4 && i < s.size() && hexValue(s[i]) >= 0) {
                v = v * 16 + uint(hexValue(s[i++]));
                ++digits;
            }
            out += digits ? QChar(char16_t(v)) : QLatin1Char('x');
            break;
        }
        default:
            if (isOctal(c)) {
                uint v = c.unicode() - '0';
                for (int digits = 1; digits < 3 && i < s.size() && isOctal(s[i]); ++digits)
                    v = v * 8 + (s[i++].unicode() - '0');
                out += QChar(char16_t(v));
            } else {
                out += c;
            }
        }
    }
    return false;
}

// The text of a string value as written after "=": "..." (REG_SZ) or
// str(N):"..." (expandable and multi strings).
std::optional<QString> decodeString(const QString &data)
{
    qsizetype i = 0;
    if (data.startsWith(QLatin1String("str("))) {
        i = data.indexOf(QLatin1String("):"));
        if (i < 0)
            return std::nullopt;
        i += 2;
    }
    if (i >= data.size() || data.at(i) != QLatin1Char('"'))
        return std::nullopt;
    ++i;
    QString out;
    if (!unescape(data, i, QLatin1Char('"'), out))
        return std::nullopt;
    return out;
}

// A string as Windows programs see it: up to its first NUL, where every C
// string ends (`wine reg add` can store "a\0b").
QString beforeNul(QString s)
{
    if (const qsizetype nul = s.indexOf(QChar(0)); nul >= 0)
        s.truncate(nul);
    return s;
}

// hex(N):aa,bb,... as bytes.
QByteArray decodeHex(const QString &data)
{
    const qsizetype colon = data.indexOf(QLatin1Char(':'));
    QByteArray out;
    if (colon < 0 || !data.startsWith(QLatin1String("hex")))
        return out;
    const QStringList bytes = data.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &b : bytes) {
        bool ok = false;
        const uint v = b.trimmed().toUInt(&ok, 16);
        if (!ok || v > 0xff)
            return QByteArray();
        out += char(v);
    }
    return out;
}

// The bytes a program asking for the value gets, whatever its type: a
// string as UTF-16LE with its terminating NUL, a dword as four bytes, binary
// data as it is. Absent when the data is not understood.
std::optional<QByteArray> valueBytes(const QString &data)
{
    if (data.startsWith(QLatin1Char('"')) || data.startsWith(QLatin1String("str("))) {
        const std::optional<QString> text = decodeString(data);
        if (!text)
            return std::nullopt;
        QByteArray out;
        out.reserve((text->size() + 1) * 2);
        for (const QChar c : *text + QChar(0)) {
            out += char(c.unicode() & 0xff);
            out += char(c.unicode() >> 8);
        }
        return out;
    }
    if (data.startsWith(QLatin1String("dword:"))) {
        bool ok = false;
        const uint v = data.mid(6).trimmed().toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        QByteArray out;
        for (int b = 0; b < 4; ++b)
            out += char((v >> (8 * b)) & 0xff);
        return out;
    }
    if (data.startsWith(QLatin1String("hex"))) {
        const QByteArray bytes = decodeHex(data);
        if (bytes.isEmpty() && !data.trimmed().endsWith(QLatin1Char(':')))
            return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

QStringList components(const QString &key)
{
    return key.toLower().split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

} // namespace

Registry Registry::parse(const QByteArray &bytes)
{
    Registry r;
    r.m_root = QStringLiteral("\\Machine");
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    Key *current = nullptr;
    const QLatin1String rootMark(";; All keys relative to ");
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(rootMark)) {
            qsizetype i = rootMark.size();
            QString root;
            unescape(line, i, QChar(), root);
            r.m_root = root.trimmed();
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            qsizetype i = 1;
            QString key;
            current = unescape(line, i, QLatin1Char(']'), key) ? &r.m_keys[components(key).join(QLatin1Char('\\'))] : nullptr;
            continue;
        }
        if (!current)
            continue;
        if (line.startsWith(QLatin1String("#link"))) {
            current->link = true;
            continue;
        }
        QString name;
        qsizetype i = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            i = 1;
        } else if (line.startsWith(QLatin1Char('"'))) {
            i = 1;
            if (!unescape(line, i, QLatin1Char('"'), name))
                continue;
        } else {
            continue;
        }
        if (i >= line.size() || line.at(i) != QLatin1Char('='))
            continue;
        QString data = line.mid(i + 1);
        // Binary data is wrapped: a line ending in "\" goes on in the next one.
        if (!data.startsWith(QLatin1Char('"')) && !data.startsWith(QLatin1String("str("))) {
            while (data.endsWith(QLatin1Char('\\')) && n + 1 < lines.size()) {
                data.chop(1);
                QString next = lines[++n];
                if (next.endsWith(QLatin1Char('\r')))
                    next.chop(1);
                data += next.trimmed();
            }
        }
        current->values.insert(name.toLower(), data);
    }
    return r;
}

const Registry::Key *Registry::find(const QString &key) const
{
    QStringList parts = components(key);
    // Each link met rewrites the path; the bound stops a loop of links.
    for (int hops = 0; hops < 16; ++hops) {
        bool rewritten = false;
        for (qsizetype len = 1; len <= parts.size() && !rewritten; ++len) {
            const auto it = m_keys.constFind(parts.mid(0, len).join(QLatin1Char('\\')));
            if (it == m_keys.constEnd() || !it->link)
                continue;
            const QByteArray raw = decodeHex(it->values.value(QStringLiteral("symboliclinkvalue")));
            QString target; // UTF-16LE, ended by a NUL
            for (qsizetype b = 0; b + 1 < raw.size(); b += 2) {
                const char16_t u = char16_t(quint8(raw[b]) | (quint8(raw[b + 1]) << 8));
                if (u == 0)
                    break;
                target += QChar(u);
            }
            // Targets are absolute ("\Registry\Machine\System\ControlSet001");
            // only those inside this file's root can be followed.
            const QString inside = QStringLiteral("\\Registry") + m_root + QLatin1Char('\\');
            if (!target.startsWith(inside, Qt::CaseInsensitive))
                return nullptr;
            parts = components(target.mid(inside.size())) + parts.mid(len);
            rewritten = true;
        }
        if (!rewritten) {
            const auto it = m_keys.constFind(parts.join(QLatin1Char('\\')));
            return it == m_keys.constEnd() ? nullptr : &*it;
        }
    }
    return nullptr;
}

const QString *Registry::raw(const QString &key, const QString &name) const
{
    const Key *k = find(key);
    if (!k)
        return nullptr;
    const auto it = k->values.constFind(name.toLower());
    return it == k->values.constEnd() ? nullptr : &*it;
}

std::optional<QString> Registry::string(const QString &key, const QString &name) const
{
    const QString *data = raw(key, name);
    if (!data)
        return std::nullopt;
    const std::optional<QString> text = decodeString(*data);
    return text ? std::optional<QString>(beforeNul(*text)) : std::nullopt;
}

std::optional<QString> Registry::localeString(const QString &key, const QString &name) const
{
    const QString *data = raw(key, name);
    if (!data)
        return std::nullopt;
    const std::optional<QByteArray> bytes = valueBytes(*data);
    if (!bytes || bytes->size() > kLocaleValueChars * 2)
        return std::nullopt;
    QString out;
    for (qsizetype b = 0; b < bytes->size(); b += 2) {
        // An odd last byte is read with the zero that follows it in Wine's buffer.
        const char16_t u = char16_t(quint8(bytes->at(b)) | (b + 1 < bytes->size() ? quint8(bytes->at(b + 1)) << 8 : 0));
        if (u == 0)
            break;
        out += QChar(u);
    }
    return out;
}

QString systemRegPath() { return winpath::prefix() + QStringLiteral("/system.reg"); }
QString userRegPath() { return winpath::prefix() + QStringLiteral("/user.reg"); }

std::optional<QByteArray> readRegistryFile(const QString &nativePath)
{
    try {
        return files::readNative(nativePath, files::cap::Registry, nativePath);
    } catch (const FileError &) {
        return std::nullopt;
    }
}

std::optional<QString> systemString(const QString &key, const QString &name)
{
    struct Entry {
        qint64 size = -1;
        QDateTime modified;
        std::optional<QString> value;
    };
    static QMutex mutex;
    static QHash<QString, Entry> cache;

    const QString path = systemRegPath();
    const QFileInfo fi(path);
    if (!fi.isFile())
        return std::nullopt;
    const QString id = path + QChar(0) + key.toLower() + QChar(0) + name.toLower();
    QMutexLocker lock(&mutex);
    const auto it = cache.constFind(id);
    if (it != cache.constEnd() && it->size == fi.size() && it->modified == fi.lastModified())
        return it->value;
    const std::optional<QByteArray> text = readRegistryFile(path);
    if (!text)
        return std::nullopt;
    Entry e{fi.size(), fi.lastModified(), Registry::parse(*text).string(key, name)};
    cache.insert(id, e);
    return e.value;
}

} // namespace zovt::winereg
